#include "connections.h"

#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kCtConnections = "application/vnd.openxmlformats-officedocument.spreadsheetml.connections+xml";

std::string ConnectionsPart(const Package& p) {
    const Relationship* rel = p.workbookRels().FirstOfType("connections");
    return rel && !rel->external ? p.parts().FindName(ResolveTarget(p.workbookPart(), rel->target)) : std::string();
}

}  // namespace

ConnectionPlan::ConnectionPlan(const Package& source, const Package& target)
    : target_(target), targetDoc_(std::make_shared<pugi::xml_document>()) {
    const std::string from = ConnectionsPart(source);
    if (from.empty()) return;
    ParseXml(sourceDoc_, source.parts().Read(from), from);
    for (pugi::xml_node c = sourceDoc_.document_element().first_child(); c; c = c.next_sibling())
        if (LocalName(c.name()) == "connection") sourceById_[c.attribute("id").value()] = c;
    targetPart_ = ConnectionsPart(target);
    if (!targetPart_.empty()) {
        ParseXml(*targetDoc_, target.parts().Read(targetPart_), targetPart_);
        for (pugi::xml_node c = targetDoc_->document_element().first_child(); c; c = c.next_sibling()) {
            std::uint32_t id = 0;
            if (ParseIndex(c.attribute("id").value(), id)) ids_.insert(id);
            names_.emplace_back(c.attribute("name").value());
        }
    } else {
        pugi::xml_node root = targetDoc_->append_child("connections");
        root.append_attribute("xmlns") = kNsMain;
    }
    usable_ = true;
}

std::string ConnectionPlan::AdoptQueryTable(const std::string& xml, const std::string& part) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_attribute ref = doc.document_element().attribute("connectionId");
    const auto found = sourceById_.find(ref.value());
    if (!ref || found == sourceById_.end()) return xml;
    auto it = copied_.find(ref.value());
    if (it == copied_.end()) {
        std::uint32_t id = 1;
        while (ids_.count(id)) ++id;
        ids_.insert(id);
        // A taken connection name gets the smallest number appended that makes it unique.
        const std::string wanted = found->second.attribute("name").value();
        std::string name = wanted;
        auto taken = [&](const std::string& n) {
            for (const std::string& t : names_)
                if (SheetNamesEqual(t, n)) return true;
            return false;
        };
        for (unsigned n = 2; taken(name); ++n) name = wanted + std::to_string(n);
        names_.push_back(name);
        pugi::xml_node root = targetDoc_->document_element();
        pugi::xml_node ext = Child(root, "extLst");
        pugi::xml_node copy = ext ? root.insert_copy_before(found->second, ext) : root.append_copy(found->second);
        copy.set_name((ElementPrefix(root) + "connection").c_str());
        copy.attribute("id").set_value(id);
        if (copy.attribute("name")) copy.attribute("name").set_value(name.c_str());
        it = copied_.emplace(ref.value(), id).first;
    }
    ref.set_value(it->second);
    return WriteXml(doc);
}

ConnectionPlan::Update ConnectionPlan::Finish() const {
    Update u;
    if (copied_.empty()) return u;
    u.create = targetPart_.empty();
    u.part = u.create ? (target_.parts().FindName("xl/connections.xml").empty() ? std::string("xl/connections.xml")
                                                                                 : target_.FreePartName("xl", "connections", "xml"))
                      : targetPart_;
    u.xml = WriteXml(*targetDoc_);
    return u;
}

void ApplyConnections(Package& target, ConnectionPlan::Update update) {
    if (update.xml.empty()) return;
    if (update.create) {
        target.workbookRels().Add(std::string(kRelBase) + "connections", RelativeTarget(target.workbookPart(), update.part));
        target.types().SetOverride(update.part, kCtConnections);
    }
    target.parts().Write(update.part, std::move(update.xml));
}

}  // namespace zelmo::xlsx
