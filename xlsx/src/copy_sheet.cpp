// Copying a sheet: the plan (everything that can fail, the target left as it was) and the commit.
#include <algorithm>
#include <unordered_map>

#include "copy_plan.h"
#include "defined_names.h"
#include "messages.h"
#include "pivots.h"
#include "sheet_xml.h"
#include "slicers.h"
#include "style_mapper.h"
#include "tables.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

struct SheetPlace {
    const char* folder;
    const char* stem;
};

SheetPlace PlaceFor(SheetKind kind) {
    switch (kind) {
        case SheetKind::Chartsheet: return {"xl/chartsheets", "sheet"};
        case SheetKind::Dialog: return {"xl/dialogsheets", "sheet"};
        case SheetKind::Macro: return {"xl/macrosheets", "sheet"};
        case SheetKind::Worksheet: break;
    }
    return {"xl/worksheets", "sheet"};
}

// Whether one of the names' formulas names the sheet.
bool NamesReferTo(const std::vector<pugi::xml_node>& names, const std::string& sheet) {
    for (pugi::xml_node n : names)
        if (FormulaRefersTo(n.child_value(), sheet)) return true;
    return false;
}

}  // namespace

bool TransformFormula(std::string& f, const CopyPlan& plan) {
    bool changed = plan.renumber && RenumberExternalLinks(f, plan.refs.links);
    changed |= plan.sourceLink.Needed() && PointAtSource(f, plan.sourceLink);
    for (const auto& r : plan.tableRenames) changed |= RenameTableInFormula(f, r.first, r.second);
    if (!plan.sheetRenames.empty()) {
        std::string renamed = RenameSheetsInFormula(f, plan.sheetRenames);
        if (renamed != f) {
            f = std::move(renamed);
            changed = true;
        }
    }
    return changed;
}

void Workbook::PlanCopy(CopyPlan& plan, const Workbook& source, std::size_t sourceIndex, std::size_t position,
                        const std::string& name, const CopyIntent& intent) {
    Package& target = *package_;
    const Package& src = *source.package_;
    const auto targetSheets = target.SheetEntries();
    const auto sourceSheets = src.SheetEntries();
    if (sourceIndex >= sourceSheets.size()) throw Error(ErrorKind::OutOfRange, msg::kSheetOutOfRange);
    if (position > targetSheets.size()) throw Error(ErrorKind::OutOfRange, msg::kPositionOutOfRange);
    if (!IsValidSheetName(name)) throw Error(ErrorKind::InvalidSheetName, msg::InvalidName(name));
    for (const auto& s : targetSheets)
        if (SheetNamesEqual(s.name, name))
            throw Error(ErrorKind::InvalidSheetName, "シート名「" + name + "」は既にあります。");
    plan.source = &src;
    plan.sourceSerial = source.serial_;
    plan.from = sourceSheets[sourceIndex];
    plan.sourceIndex = sourceIndex;
    plan.position = position;
    plan.name = name;
    const SheetEntry& from = plan.from;

    // The plan adds to the target's styles and shared strings as it maps them; that is undone when
    // it fails, and nothing else of the target is changed before the commit.
    Styles& targetStyles = target.styles();
    SharedStrings& targetStrings = target.sharedStrings();
    const std::string stylesBefore = targetStyles.Write();
    const bool stylesChanged = targetStyles.Changed();
    const std::size_t stringsBefore = targetStrings.Size();
    const std::uint64_t referencesBefore = targetStrings.References();

    plan.newSheetId = target.NextSheetId();
    CarriedParts& related = plan.related;
    WorkbookRefs& refs = plan.refs;
    SourceLink& sourceLink = plan.sourceLink;
    SheetRewrite rw;
    try {
        const SheetPlace place = PlaceFor(from.kind);
        plan.newPart = target.FreePartName(place.folder, place.stem, "xml");
        const std::string sheetSource = src.parts().Read(from.part);
        refs = FindWorkbookRefs(src, from.name, sheetSource, target);
        // The sheet's formulas and references, read in one streaming pass. A reference to a sheet
        // needs a '!', a structured reference a '['; without either only a table's bare name could
        // name something elsewhere, so most big sheets of plain formulas are not read for it.
        auto hasTables = [&] {
            // A workbook that copies come into may gain tables: not remembered for it.
            if (&source == this || !source.copies_.empty()) return HasTables(src);
            const auto known = sourceHasTables_.find(source.serial_);
            return known != sourceHasTables_.end() ? known->second : (sourceHasTables_[source.serial_] = HasTables(src));
        };
        const bool mayRefer =
            sheetSource.find('!') != std::string::npos || sheetSource.find('[') != std::string::npos || hasTables();
        const std::string formulas = mayRefer ? FormulaText(sheetSource) : std::string();
        // In a merge, the source's sheets copied here earlier are what this sheet's formulas and
        // pivot caches mean by their names (those copied under another name, their own being taken,
        // are renamed), not the sheets that hold those names here.
        std::vector<std::pair<std::string, std::string>> earlier;
        std::vector<std::string> copiedHere;
        if (!intent.alone && &src != &target) {
            std::unordered_map<std::uint32_t, const std::string*> present;  // the target's sheets by sheetId
            for (const CopiedSheet& c : copies_) {
                if (c.source != source.serial_ || SheetNamesEqual(c.from, from.name)) continue;
                if (present.empty())
                    for (const auto& s : targetSheets) present.emplace(s.node.attribute("sheetId").as_uint(), &s.name);
                const auto it = present.find(c.sheetId);
                if (it == present.end() || *it->second != c.to) continue;
                copiedHere.push_back(c.from);
                if (c.from != c.to) earlier.emplace_back(c.from, c.to);
                plan.tableRenames.insert(plan.tableRenames.end(), c.tableRenames.begin(), c.tableRenames.end());
            }
        }
        // The sheet's own names go along too (CopySheetNames): their formulas count.
        std::vector<pugi::xml_node> names = refs.names;
        for (const auto& c : refs.clashing) names.push_back(c.first);
        for (pugi::xml_node n = src.ExistingDefinedNames().first_child(); n; n = n.next_sibling()) {
            std::uint32_t scope = 0;
            const bool scoped = ParseIndex(n.attribute("localSheetId").value(), scope);
            if (scoped ? scope == sourceIndex : FormulaRefersTo(n.child_value(), from.name)) names.push_back(n);
        }
        // Only formulas, names and charts (behind the sheet's relationships) can name other sheets.
        const bool mayLink = !formulas.empty() || !names.empty() || src.parts().Has(RelsPartName(from.part));
        if (intent.linkToSource && mayLink) {
            // A link to this source made by an earlier copy serves again (and caches more cells).
            const std::vector<std::string> linkParts = LinkPartNames(target);
            auto number = static_cast<unsigned>(linkParts.size() + refs.newLinkParts.size() + 1);
            for (std::size_t r = 0; r < sourceLinks_.size(); ++r) {
                if (sourceLinks_[r].source != source.serial_) continue;
                const auto at = std::find(linkParts.begin(), linkParts.end(), sourceLinks_[r].part);
                if (at == linkParts.end()) continue;
                number = static_cast<unsigned>(at - linkParts.begin() + 1);
                plan.linkRecord = r;
            }
            sourceLink = PlanSourceLink(src, from, formulas, names, number, copiedHere);
            if (plan.linkRecord != static_cast<std::size_t>(-1)) {
                sourceLink.part = sourceLinks_[plan.linkRecord].part;
                sourceLink.cells = sourceLinks_[plan.linkRecord].cells;
            }
        }
        StyleMapper styles(src.styles(), targetStyles);
        related = CopyRelatedParts(src, from.part, target, plan.newPart, styles,
                                   {from.name, name, intent.alone, &from, plan.newSheetId, &earlier},
                                   refs.newLinkParts);
        rw.keepSlicerList = related.slicers;
        plan.metadata = PlanCellMetadata(src, target);
        rw.keepCellMetadata = plan.metadata.keep;
        plan.report.notCarried.insert(plan.report.notCarried.end(), related.notCarried.begin(), related.notCarried.end());
        if (related.threadedComments) plan.persons = MergePersons(src, target);
        for (const auto& l : refs.links) plan.renumber |= l.first != l.second;
        plan.tableRenames.insert(plan.tableRenames.end(), related.tableRenames.begin(), related.tableRenames.end());
        // Formulas naming their own sheet name the copy, as in the spreadsheet program, and those
        // naming sheets copied earlier name those copies (all renamed at once).
        if (from.name != name) plan.sheetRenames.emplace_back(from.name, name);
        for (const auto& e : earlier)
            if (FormulaRefersTo(formulas, e.first) || NamesReferTo(names, e.first)) plan.sheetRenames.push_back(e);
        const bool sheetRenamed = std::any_of(plan.sheetRenames.begin(), plan.sheetRenames.end(),
                                              [&](const auto& r) { return FormulaRefersTo(formulas, r.first); });
        if (!plan.tableRenames.empty() || plan.renumber || sheetRenamed || sourceLink.Needed())
            rw.formula = [&plan](std::string& f) { return TransformFormula(f, plan); };
        // Internal hyperlinks follow renamed sheets; those to the source's other sheets open them in
        // the source file (in a merge until ResolveLinksToCopies finds their copies).
        const bool linkedLocations = !sourceLink.sheets.empty();
        if (!plan.sheetRenames.empty() || linkedLocations)
            rw.hyperlink = [&plan, &related, &sheetSource, &src, linkedLocations](pugi::xml_node link) {
                pugi::xml_attribute location = link.attribute("location");
                const std::string before = location.value();
                const std::string renamed = RenameSheetsInFormula(before, plan.sheetRenames);
                if (renamed != before) {
                    location.set_value(renamed.c_str());
                    return true;
                }
                const std::string rid = RelationshipPrefix(link) + "id";
                if (!linkedLocations || link.attribute(rid.c_str()) || rid == "id") return false;
                bool other = false;
                for (const std::string& sheet : plan.sourceLink.sheets) other |= FormulaRefersTo(before, sheet);
                if (!other) return false;
                std::string id;
                for (unsigned n = 1; id.empty(); ++n) {
                    const std::string candidate = kSourceHyperlinkId + std::to_string(n);
                    if (!related.sheetRels.ById(candidate) && sheetSource.find('"' + candidate + '"') == std::string::npos) id = candidate;
                }
                related.sheetRels.AddWithId(Relationship{id, std::string(kRelBase) + "hyperlink", FileUri(src.origin()), true});
                related.keptIds.insert(id);
                link.append_attribute(rid.c_str()) = id.c_str();
                return true;
            };
        // The copy's charts read their series as the cells do.
        for (const auto& t : related.types)
            if (t.second == kCtChart) plan.chartParts.push_back(t.first);
        for (auto& p : related.parts)
            if (std::find(plan.chartParts.begin(), plan.chartParts.end(), p.first) != plan.chartParts.end())
                RewriteFormulaText(p.second, [&plan](std::string& f) { return TransformFormula(f, plan); });
        rw.fromName = from.name;
        rw.toName = name;
        // Sparklines drawing on another sheet are kept when that sheet is in the target, or may still
        // come with a merge of the source's sheets; a sheet made alone in a new workbook has no others.
        rw.sheetInTarget = [&targetSheets, &sourceSheets, &intent](const std::string& sheet) {
            for (const auto& s : targetSheets)
                if (SheetNamesEqual(s.name, sheet)) return true;
            for (const auto& s : sourceSheets)
                if (!intent.alone && SheetNamesEqual(s.name, sheet)) return true;
            return false;
        };
        const SharedStrings& sourceStrings = src.sharedStrings();
        std::vector<std::int64_t> stringMap(sourceStrings.Size(), -1);
        // A new table usually ends up holding most of the source's strings: no growth by doubling.
        if (targetStrings.Size() == 0) targetStrings.Reserve(sourceStrings.Size(), sourceStrings.Bytes());
        std::uint64_t references = 0;
        rw.styles = &styles;
        rw.clearSelection = !intent.keepSelection;
        // Serial dates count from 1900 or from 1904: numbers shown as dates move to the target's system.
        if (src.Date1904() != target.Date1904()) rw.dateShift = src.Date1904() ? 1462 : -1462;
        rw.notCarried = &plan.report.notCarried;
        rw.keepRelationship = [&](const std::string& id) { return related.keptIds.count(id) != 0; };
        rw.sharedString = [&](std::uint32_t i) -> std::uint32_t {
            ++references;
            if (i >= stringMap.size()) {
                throw Error(ErrorKind::Corrupt, msg::Corrupt("共有文字列の番号が範囲外です"));
            }
            if (stringMap[i] < 0) {
                // Copy the item first: when the source is this workbook, Add may move the table.
                const std::string item(sourceStrings.Item(i));
                stringMap[i] = targetStrings.Add(item);
            }
            return static_cast<std::uint32_t>(stringMap[i]);
        };
        plan.sheetXml = RewriteSheetXml(sheetSource, from.part, rw);
        plan.rewritten = rw.changed;
        targetStrings.CountReference(references);
        // A new table that came out equal to the source's (every string used, in the same order) is
        // copied as stored rather than written again.
        bool sameStrings = stringsBefore == 0 && targetStrings.Size() == sourceStrings.Size() && &src != &target;
        for (std::size_t i = 0; sameStrings && i < stringMap.size(); ++i) sameStrings = stringMap[i] == static_cast<std::int64_t>(i);
        if (sameStrings) target.ReuseSharedStringsPartOf(src);
        // A name the target has with another meaning (the same text naming another sheet, or
        // a link to another source) becomes a name of the copy's own, unless its sheet has one.
        for (const auto& [n, targetFormula] : refs.clashing) {
            std::string f = n.child_value();
            TransformFormula(f, plan);
            bool scopedInSource = false;
            for (pugi::xml_node o = src.ExistingDefinedNames().first_child(); o; o = o.next_sibling()) {
                std::uint32_t scope = 0;
                scopedInSource |= ParseIndex(o.attribute("localSheetId").value(), scope) && scope == sourceIndex &&
                                  SheetNamesEqual(o.attribute("name").value(), n.attribute("name").value());
            }
            if (f != targetFormula && !scopedInSource) plan.ownNames.push_back(n);
        }
        if (sourceLink.Needed()) {
            // The names that go along read cells too; then the link part is made with their values.
            for (pugi::xml_node n : names) {
                std::string f = n.child_value();
                PointAtSource(f, sourceLink);
            }
            sourceLink.xml = SourceLinkXml(src, sourceLink.cells);
        }
    } catch (...) {
        target.RestoreStyles(stylesBefore, stylesChanged);
        targetStrings.Truncate(stringsBefore, referencesBefore);
        throw;
    }
}

CopyReport Workbook::CommitCopy(CopyPlan& plan) {
    Package& target = *package_;
    const Package& src = *plan.source;
    const SheetEntry& from = plan.from;
    CarriedParts& related = plan.related;
    const std::size_t position = plan.position;
    const std::string& name = plan.name;
    const auto targetSheets = target.SheetEntries();

    // Parts, content types, relationships, the sheet entry, names and views.
    if (plan.rewritten) target.parts().WriteDeflated(plan.newPart, plan.sheetXml);
    else target.parts().CopyFrom(plan.newPart, src.sharedParts(), from.part);  // nothing to rewrite: copied as stored
    if (!related.sheetRels.All().empty()) target.parts().Write(RelsPartName(plan.newPart), related.sheetRels.Write());
    for (auto& p : related.parts) target.parts().Write(p.first, std::move(p.second));
    for (const auto& t : related.types)
        if (!t.second.empty()) target.types().Ensure(t.first, t.second);
    ApplyPersons(target, std::move(plan.persons));
    const std::string sheetType = src.types().TypeOf(from.part);
    target.types().SetOverride(plan.newPart, sheetType.empty() ? kCtWorksheet : sheetType);
    const std::string relId = target.workbookRels().Add(from.relType, RelativeTarget(target.workbookPart(), plan.newPart));

    pugi::xml_node sheets = target.SheetsNode();
    pugi::xml_node before = position < targetSheets.size() ? targetSheets[position].node : pugi::xml_node();
    pugi::xml_node entry = before ? sheets.insert_child_before((target.prefix() + "sheet").c_str(), before)
                                  : sheets.append_child((target.prefix() + "sheet").c_str());
    entry.append_attribute("name") = name.c_str();
    entry.append_attribute("sheetId") = plan.newSheetId;
    if (from.state != "visible") entry.append_attribute("state") = from.state.c_str();
    entry.append_attribute((target.relPrefix() + "id").c_str()) = relId.c_str();

    const SourceLink& sourceLink = plan.sourceLink;
    auto rewrite = [&plan](const std::string& formula) {
        std::string f = formula;
        TransformFormula(f, plan);
        return f;
    };
    pugi::xml_node sourceNames = Child(from.node.parent().parent(), "definedNames");
    if (pugi::xml_node names = target.DefinedNames(false)) ShiftLocalSheetIds(names, position, 1);
    if (sourceNames) {
        // The source's names are read before the target's shift when both are the same workbook.
        const std::size_t readIndex = (&src == &target && plan.sourceIndex >= position) ? plan.sourceIndex + 1 : plan.sourceIndex;
        pugi::xml_node names = target.DefinedNames(true);
        CopySheetNames(sourceNames, readIndex, from.name, names, position, rewrite);
        if (!names.first_child()) names.parent().remove_child(names);
    }
    if (!plan.refs.names.empty()) {
        // Names the copy's formulas use, as the source defines them (rewritten as the cells are).
        pugi::xml_node names = target.DefinedNames(true);
        const std::string element = ElementPrefix(names) + "definedName";
        for (pugi::xml_node n : plan.refs.names) {
            pugi::xml_node copy = names.append_copy(n);
            copy.set_name(element.c_str());
            std::string formula = copy.child_value();
            if (TransformFormula(formula, plan)) copy.text().set(formula.c_str());
        }
    }
    if (!plan.ownNames.empty()) {
        pugi::xml_node names = target.DefinedNames(true);
        const std::string element = ElementPrefix(names) + "definedName";
        for (pugi::xml_node n : plan.ownNames) {
            pugi::xml_node copy = names.append_copy(n);
            copy.set_name(element.c_str());
            std::string formula = copy.child_value();
            if (TransformFormula(formula, plan)) copy.text().set(formula.c_str());
            copy.remove_attribute("localSheetId");
            copy.append_attribute("localSheetId") = static_cast<unsigned long long>(position);
        }
    }
    AddExternalLinks(target, related.workbookParts);
    const std::string linkPart = AddSourceLink(target, src, sourceLink);
    if (!linkPart.empty()) {
        if (plan.linkRecord == static_cast<std::size_t>(-1)) {
            sourceLinks_.push_back(LinkToSource{plan.sourceSerial, linkPart, FileUri(src.origin()), {}, {}});
            plan.linkRecord = sourceLinks_.size() - 1;
        }
        LinkToSource& record = sourceLinks_[plan.linkRecord];
        record.cells = sourceLink.cells;
        record.tableSheets.insert(sourceLink.tableSheets.begin(), sourceLink.tableSheets.end());
    }
    if (sourceLink.Needed() || !plan.refs.links.empty()) {
        linkedParts_.push_back(plan.newPart);
        linkedParts_.insert(linkedParts_.end(), plan.chartParts.begin(), plan.chartParts.end());
    }
    AddPivotCaches(target, related.pivotCaches);
    if (&src != &target)
        for (const auto& c : related.pivotCaches) copiedCaches_.emplace_back(c.first, plan.sourceSerial);
    ApplyConnections(target, std::move(related.connections));
    ApplyCellMetadata(target, std::move(plan.metadata));
    AddSlicerCaches(target, related.slicerCaches, related.slicerCacheNames);
    if (pugi::xml_node view = target.WorkbookView()) {
        ShiftViewIndex(view, "activeTab", position, 1);
        ShiftViewIndex(view, "firstSheet", position, 1);
        if (position == 0 && view.attribute("activeTab") == pugi::xml_attribute()) {
            view.append_attribute("activeTab") = 1;  // the active sheet was the first one
        }
    }
    target.DropCalcChain();
    if (&src != &target)
        copies_.push_back(CopiedSheet{plan.sourceSerial, from.name, name, plan.newSheetId, related.tableRenames});
    return std::move(plan.report);
}

}  // namespace zelmo::xlsx
