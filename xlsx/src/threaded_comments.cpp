#include "threaded_comments.h"

#include <cstdio>
#include <random>

#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

std::string NewGuid() {
    static std::mt19937_64 random{std::random_device{}()};
    const std::uint64_t a = random(), b = random();
    char s[40];
    std::snprintf(s, sizeof s, "{%08X-%04X-4%03X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return s;
}

std::string PartOf(const Package& p, const char* relType) {
    for (const Relationship& rel : p.workbookRels().All())
        if (!rel.external && rel.type == relType) return p.parts().FindName(ResolveTarget(p.workbookPart(), rel.target));
    return {};
}

}  // namespace

ThreadIds::ThreadIds(const Package& target) {
    for (const std::string& part : target.parts().Names()) {
        if (target.types().TypeOf(part) != kCtThreadedComments) continue;
        pugi::xml_document doc;
        ParseXml(doc, target.parts().Read(part), part);
        for (pugi::xml_node c = doc.document_element().first_child(); c; c = c.next_sibling())
            ids_.insert(c.attribute("id").value());
    }
}

std::string ThreadIds::Adopt(const std::string& xml, const std::string& part) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    const pugi::xml_node root = doc.document_element();
    bool changed = false;
    for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
        const std::string id = c.attribute("id").value();
        if (id.empty() || !ids_.count(id)) {
            ids_.insert(id);
            continue;
        }
        std::string fresh;
        while (ids_.count(fresh = NewGuid())) {
        }
        ids_.insert(fresh);
        renamed_[id] = fresh;
        c.attribute("id").set_value(fresh.c_str());
        changed = true;
    }
    for (pugi::xml_node c = root.first_child(); c && changed; c = c.next_sibling())
        if (pugi::xml_attribute parent = c.attribute("parentId"))
            if (auto it = renamed_.find(parent.value()); it != renamed_.end()) parent.set_value(it->second.c_str());
    return changed ? WriteXml(doc) : xml;
}

std::string ThreadIds::RenameAuthors(std::string xml, const std::string&) const {
    // GUIDs are unique strings: a plain replacement touches nothing else.
    for (const auto& r : renamed_)
        for (std::size_t at = 0; (at = xml.find(r.first, at)) != std::string::npos; at += r.second.size())
            xml.replace(at, r.first.size(), r.second);
    return xml;
}

PersonsUpdate MergePersons(const Package& source, const Package& target) {
    PersonsUpdate update;
    const std::string from = PartOf(source, kRelPerson);
    if (from.empty()) return update;
    update.part = PartOf(target, kRelPerson);
    if (update.part.empty()) {
        update.part = target.parts().FindName("xl/persons/person.xml").empty() ? "xl/persons/person.xml"
                                                                               : target.FreePartName("xl/persons", "person", "xml");
        update.create = true;
        update.xml = source.parts().Read(from);
        pugi::xml_document check;
        ParseXml(check, update.xml, from);
        return update;
    }
    pugi::xml_document mine, theirs;
    ParseXml(mine, target.parts().Read(update.part), update.part);
    ParseXml(theirs, source.parts().Read(from), from);
    std::set<std::string> have;
    pugi::xml_node list = mine.document_element();
    for (pugi::xml_node p = list.first_child(); p; p = p.next_sibling()) have.insert(p.attribute("id").value());
    bool added = false;
    for (pugi::xml_node p = theirs.document_element().first_child(); p; p = p.next_sibling()) {
        if (p.type() != pugi::node_element || LocalName(p.name()) != "person" || have.count(p.attribute("id").value()))
            continue;
        // Persons come before the list's extensions.
        pugi::xml_node ext = Child(list, "extLst");
        pugi::xml_node copy = ext ? list.insert_copy_before(p, ext) : list.append_copy(p);
        copy.set_name((ElementPrefix(list) + "person").c_str());
        have.insert(p.attribute("id").value());
        added = true;
    }
    if (added) update.xml = WriteXml(mine);
    return update;
}

void ApplyPersons(Package& target, PersonsUpdate update) {
    if (update.xml.empty()) return;
    if (update.create) {
        target.workbookRels().Add(kRelPerson, RelativeTarget(target.workbookPart(), update.part));
        target.types().SetOverride(update.part, kCtPersons);
    }
    target.parts().Write(update.part, std::move(update.xml));
}

}  // namespace zelmo::xlsx
