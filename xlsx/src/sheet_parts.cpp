#include "sheet_parts.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "messages.h"
#include "defined_names.h"
#include "pivots.h"
#include "slicers.h"
#include "tables.h"
#include "threaded_comments.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

// Relationship types of a sheet whose parts are copied along. Controls, embedded objects and custom
// properties are self-contained parts (their shapes live in the VML drawing, carried too).
bool Carried(const std::string& type) {
    for (const char* t : {"drawing", "vmlDrawing", "comments", "printerSettings", "image", "table", "threadedComment",
                          "ctrlProp", "oleObject", "package", "control", "customProperty", "pivotTable"})
        if (IsType(type, t)) return true;
    return false;
}

std::string TypeName(const std::string& type) {
    const std::size_t slash = type.rfind('/');
    return slash == std::string::npos ? type : type.substr(slash + 1);
}

void Note(std::vector<std::string>& list, const std::string& what) {
    if (std::find(list.begin(), list.end(), what) == list.end()) list.push_back(what);
}

constexpr const char* kCtDrawing = "application/vnd.openxmlformats-officedocument.drawing+xml";

// Slicers (unless carried) and timelines stay behind: their frames in a copied drawing would name
// slicers the copy does not have, so the frames (with their fallback text boxes) are left out too.
std::string DropSlicerFrames(const std::string& xml, const std::string& part, bool keepSlicers) {
    if ((keepSlicers || xml.find("/drawing/2010/slicer") == std::string::npos) &&
        xml.find("/drawing/2012/timeslicer") == std::string::npos)
        return xml;
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_node root = doc.document_element();
    std::vector<pugi::xml_node> doomed;
    for (pugi::xml_node anchor = root.first_child(); anchor; anchor = anchor.next_sibling())
        if (anchor.find_node([keepSlicers](pugi::xml_node n) {
                if (LocalName(n.name()) != "graphicData") return false;
                const std::string uri = n.attribute("uri").value();
                return (!keepSlicers && uri.find("/drawing/2010/slicer") != std::string::npos) ||
                       uri.find("/drawing/2012/timeslicer") != std::string::npos;
            }))
            doomed.push_back(anchor);
    for (pugi::xml_node n : doomed) root.remove_child(n);
    return WriteXml(doc);
}

class PartCopier {
public:
    // Rewrites the content of a copied part (by content type) before it is stored.
    // It may add relationships to the copy (`extra`, ids unused by the part's own).
    using Transform = std::function<std::string(const std::string& part, const std::string& type, std::string xml,
                                                std::vector<Relationship>& extra)>;

    // `queryTables`: whether tables' query tables go along (their data connections can).
    PartCopier(const Package& source, const Package& target, CarriedParts& out, Transform transform, const bool& queryTables)
        : source_(source), target_(target), out_(out), transform_(std::move(transform)), queryTables_(queryTables) {}

    // Copies `part` of the source (with everything it refers to) and returns its name in the target.
    std::string Copy(const std::string& part) {
        auto done = copied_.find(part);
        if (done != copied_.end()) return done->second;
        // Related parts nest a few levels (sheet, drawing, chart, its style); a longer chain is a
        // hostile package, refused before the recursion exhausts the stack.
        if (depth_ >= kMaxDepth) throw Error(ErrorKind::Corrupt, msg::Corrupt("関連する部品の参照が深すぎます"));
        struct Deeper {
            int& depth;
            explicit Deeper(int& d) : depth(d) { ++depth; }
            ~Deeper() { --depth; }
        } deeper(depth_);
        const std::string name = NewName(part);
        copied_[part] = name;
        const std::string type = source_.types().TypeOf(part);
        out_.types.emplace_back(name, type);
        std::vector<Relationship> extra;
        std::string content = transform_(part, type, source_.parts().Read(part), extra);
        out_.parts.emplace_back(name, std::move(content));

        const std::string relsName = RelsPartName(part);
        Relationships copy;
        if (source_.parts().Has(relsName)) {
            const Relationships rels = Relationships::Parse(source_.parts().Read(relsName), relsName);
            for (Relationship rel : rels.All()) {
                if (!rel.external) {
                    // A table's query table needs the workbook's data connections; without them the
                    // table goes as an ordinary table with its data.
                    if (IsType(rel.type, "queryTable") && !queryTables_) {
                        Note(out_.notCarried, "queryTable");
                        continue;
                    }
                    const std::string child = source_.parts().FindName(ResolveTarget(part, rel.target));
                    if (child.empty()) continue;  // a dangling target: leave the relationship out
                    rel.target = RelativeTarget(name, Copy(child));
                }
                copy.AddWithId(rel);
            }
        }
        for (Relationship& rel : extra) copy.AddWithId(std::move(rel));
        if (!copy.All().empty()) out_.parts.emplace_back(RelsPartName(name), copy.Write());
        return name;
    }

    // The target's name of a source part copied so far ("" when it was not copied).
    std::string NameOf(const std::string& part) const {
        const auto it = copied_.find(part);
        return it == copied_.end() ? std::string() : it->second;
    }

private:
    std::string NewName(const std::string& part) {
        const std::size_t slash = part.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash);
        std::string file = part.substr(slash + 1);
        std::string ext;
        if (const std::size_t dot = file.rfind('.'); dot != std::string::npos) {
            ext = file.substr(dot + 1);
            file.erase(dot);
        }
        while (!file.empty() && file.back() >= '0' && file.back() <= '9') file.pop_back();
        for (unsigned n = 1;; ++n) {
            const std::string candidate =
                (folder.empty() ? "" : folder + "/") + file + std::to_string(n) + (ext.empty() ? "" : "." + ext);
            if (target_.parts().FindName(candidate).empty() && reserved_.insert(candidate).second) return candidate;
        }
    }

    const Package& source_;
    const Package& target_;
    CarriedParts& out_;
    Transform transform_;
    const bool& queryTables_;
    std::map<std::string, std::string> copied_;
    std::set<std::string> reserved_;
    static constexpr int kMaxDepth = 64;
    int depth_ = 0;
};

}  // namespace

CarriedParts CopyRelatedParts(const Package& source, const std::string& sourceSheetPart, const Package& target,
                              const std::string& newSheetPart, StyleMapper& styles, const SheetNames& names,
                              const std::vector<std::string>& workbookParts) {
    CarriedParts out;
    const std::string relsName = RelsPartName(sourceSheetPart);
    if (!source.parts().Has(relsName) && workbookParts.empty()) return out;
    const Relationships rels = source.parts().Has(relsName) ? Relationships::Parse(source.parts().Read(relsName), relsName)
                                                            : Relationships();

    // Read from the target only when the sheet has parts that must be unique there.
    std::unique_ptr<TableNaming> tables;
    std::unique_ptr<ThreadIds> threads;
    std::unique_ptr<PivotIds> pivots;
    std::unique_ptr<CacheSource> cacheSource;
    std::unique_ptr<SlicerPlan> slicers;
    std::unique_ptr<ConnectionPlan> connections;
    bool queryTables = false;
    if (names.entry) {
        for (const Relationship& r : rels.All())
            if (!r.external && IsType(r.type, "slicer")) {
                slicers = std::make_unique<SlicerPlan>(source, *names.entry, target, names.newSheetId);
                break;
            }
    }
    PartCopier copier(source, target, out, [&](const std::string& part, const std::string& type, std::string xml,
                                               std::vector<Relationship>& extra) {
        if (type == kCtPivotCache) {
            if (!cacheSource) cacheSource = std::make_unique<CacheSource>(CacheSourceOf(source, sourceSheetPart, target, names));
            return AdoptPivotCache(xml, part, *cacheSource, extra);
        }
        if (type == kCtTable) {
            if (!tables) tables = std::make_unique<TableNaming>(target);
            if (!connections) {
                connections = std::make_unique<ConnectionPlan>(source, target);
                queryTables = connections->Usable();
            }
            return tables->Adopt(xml, part, styles, !queryTables);
        }
        if (type == kCtQueryTable && connections) return connections->AdoptQueryTable(xml, part);
        if (type == kCtPivotTable) {
            if (!pivots) pivots = std::make_unique<PivotIds>(target);
            return pivots->Adopt(source, part, xml, styles);
        }
        if (type == kCtDrawing) return DropSlicerFrames(xml, part, slicers && slicers->Carried());
        if (type == kCtSlicer && slicers) return slicers->AdoptSlicers(xml, part);
        if (type == kCtSlicerCache && slicers) return slicers->AdoptCache(xml, part);
        if (type == kCtThreadedComments) {
            if (!threads) threads = std::make_unique<ThreadIds>(target);
            out.threadedComments = true;
            return threads->Adopt(xml, part);
        }
        return xml;
    }, queryTables);
    for (Relationship rel : rels.All()) {
        if (!rel.external) {
            if (!Carried(rel.type) && !(IsType(rel.type, "slicer") && slicers && slicers->Carried())) {
                Note(out.notCarried, TypeName(rel.type));
                continue;
            }
            const std::string part = source.parts().FindName(ResolveTarget(sourceSheetPart, rel.target));
            if (part.empty()) continue;
            rel.target = RelativeTarget(newSheetPart, copier.Copy(part));
        }
        out.keptIds.insert(rel.id);
        out.sheetRels.AddWithId(rel);
    }

    for (const std::string& part : workbookParts) out.workbookParts.push_back(copier.Copy(part));
    if (connections) out.connections = connections->Finish();
    // Rewrites the copied parts of a content type, once everything they depend on is known.
    auto rewrite = [&out](const char* type, const std::function<std::string(const std::string&, const std::string&)>& fn) {
        for (const auto& t : out.types)
            if (t.second == type)
                for (auto& p : out.parts)
                    if (p.first == t.first) p.second = fn(p.second, p.first);
    };
    if (slicers && slicers->Carried()) {
        out.slicers = true;
        for (const std::string& part : slicers->CacheParts()) out.slicerCaches.push_back(copier.Copy(part));
        out.slicerCacheNames = slicers->CacheNames();
        // Frames in the drawings follow renamed slicers (the drawing may be copied before them).
        rewrite(kCtDrawing, [&](const std::string& xml, const std::string& part) { return slicers->AdoptDrawing(xml, part); });
    }
    if (pivots)
        for (const auto& c : pivots->Caches())
            if (const std::string name = copier.NameOf(c.first); !name.empty()) out.pivotCaches.emplace_back(name, c.second);
    if (tables && !tables->Renames().empty()) {
        out.tableRenames = tables->Renames();
        rewrite(kCtTable, [&](const std::string& xml, const std::string& part) {
            return RenameTablesInTablePart(xml, part, out.tableRenames);
        });
        // A pivot cache reading a table of the copy reads it under its new name.
        rewrite(kCtPivotCache, [&](const std::string& xml, const std::string& part) {
            return RenameTableSource(xml, part, out.tableRenames);
        });
    }
    if (threads && !threads->Renamed().empty())
        rewrite(kCtComments, [&](const std::string& xml, const std::string& part) { return threads->RenameAuthors(xml, part); });
    return out;
}

}  // namespace zelmo::xlsx
