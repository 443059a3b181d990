#include "cell_metadata.h"

#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kCtMetadata = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheetMetadata+xml";

std::string MetadataPart(const Package& p) {
    const Relationship* rel = p.workbookRels().FirstOfType("sheetMetadata");
    return rel && !rel->external ? p.parts().FindName(ResolveTarget(p.workbookPart(), rel->target)) : std::string();
}

}  // namespace

MetadataUpdate PlanCellMetadata(const Package& source, const Package& target) {
    MetadataUpdate u;
    const std::string from = MetadataPart(source);
    if (from.empty()) return u;
    const std::string xml = source.parts().Read(from);
    pugi::xml_document doc;
    ParseXml(doc, xml, from);
    if (Child(doc.document_element(), "valueMetadata")) return u;
    const std::string mine = MetadataPart(target);
    if (!mine.empty()) {
        u.keep = &source == &target || target.parts().Read(mine) == xml;
        return u;
    }
    u.keep = true;
    u.part = target.parts().FindName("xl/metadata.xml").empty() ? std::string("xl/metadata.xml")
                                                                : target.FreePartName("xl", "metadata", "xml");
    u.xml = xml;
    return u;
}

void ApplyCellMetadata(Package& target, MetadataUpdate update) {
    if (update.part.empty()) return;
    target.parts().Write(update.part, std::move(update.xml));
    target.workbookRels().Add(std::string(kRelBase) + "sheetMetadata", RelativeTarget(target.workbookPart(), update.part));
    target.types().SetOverride(update.part, kCtMetadata);
}

}  // namespace zelmo::xlsx
