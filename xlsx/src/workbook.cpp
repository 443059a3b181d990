// The public face of the engine: opening, listing, copying and removing sheets, saving.
#include "xlsx/workbook.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>

#include "cell_metadata.h"
#include "defined_names.h"
#include "messages.h"
#include "package.h"
#include "pivots.h"
#include "sheet_parts.h"
#include "sheet_xml.h"
#include "slicers.h"
#include "source_link.h"
#include "style_mapper.h"
#include "tables.h"
#include "threaded_comments.h"
#include "workbook_refs.h"
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

void ShiftViewIndex(pugi::xml_node view, const char* attr, std::size_t from, int delta) {
    pugi::xml_attribute a = view.attribute(attr);
    std::uint32_t v = 0;
    if (a && ParseIndex(a.value(), v) && v >= from && !(delta < 0 && v == 0))
        a.set_value(static_cast<long long>(v) + delta);
}

}  // namespace

namespace {
std::atomic<std::uint64_t> nextSerial{1};
}  // namespace

Workbook::Workbook(std::unique_ptr<Package> package) : package_(std::move(package)), serial_(nextSerial++) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::Open(std::string_view packageBytes, const std::filesystem::path& origin) {
    auto package = Package::Load(PartStore::Open(std::string(packageBytes)));
    package->SetOrigin(origin.u8string());
    return Workbook(std::move(package));
}

Workbook Workbook::OpenFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw Error(ErrorKind::NotFound, msg::kIsFolder);
    if (!std::filesystem::exists(path, ec)) throw Error(ErrorKind::NotFound, msg::kNotFound);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(ErrorKind::NotFound, msg::kReadFailed);
    std::string bytes;
    const auto size = std::filesystem::file_size(path, ec);
    // A package cannot be much bigger than what it holds uncompressed: a bigger file is not read.
    if (!ec && size > PackageLimits{}.maxTotalSize + (64u << 20)) throw Error(ErrorKind::LimitExceeded, msg::kTooLarge);
    if (!ec) bytes.reserve(static_cast<std::size_t>(size));
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw Error(ErrorKind::NotFound, msg::kReadFailed);
    auto package = Package::Load(PartStore::Open(std::move(bytes)));
    package->SetOrigin(path.u8string());
    return Workbook(std::move(package));
}

Workbook Workbook::CreateNew() {
    Workbook book(Package::Load(NewWorkbookParts()));
    book.fresh_ = true;
    return book;
}

void Workbook::TakeOverLookOf(const Workbook& source) {
    // The date system stays this workbook's own: dates copied from a 1904 workbook move, as they
    // would into any new workbook.
    package_->AdoptLookOf(*source.package_, false);
    // The empty sheet was laid out for the default font it was made with: its rows keep that height.
    WriteNewSheet(package_->parts(), true);
}

Workbook Workbook::FromSheet(const Workbook& source, std::size_t sourceIndex, CopyReport* report) {
    const auto sheets = source.package_->SheetEntries();
    if (sourceIndex >= sheets.size()) throw Error(ErrorKind::OutOfRange, msg::kSheetOutOfRange);
    Workbook book = CreateNew();
    book.fresh_ = false;
    book.package_->AdoptLookOf(*source.package_);
    // The new workbook's empty placeholder sheet must not take the copy's name; it goes afterwards.
    pugi::xml_node placeholder = book.package_->SheetEntries().front().node;
    placeholder.attribute("name").set_value(SheetNamesEqual(sheets[sourceIndex].name, "Sheet1") ? "Sheet2" : "Sheet1");
    // The copy will be the workbook's only sheet: its selection can stay as it is.
    CopyReport r = book.CopySheetImpl(source, sourceIndex, 0, sheets[sourceIndex].name, true);
    // The copy becomes the active sheet before the placeholder goes, so that removing it does not
    // have to rewrite the copy to select it.
    if (pugi::xml_node view = book.package_->WorkbookView()) view.remove_attribute("activeTab");
    book.RemoveSheet(1);
    if (report) *report = std::move(r);
    return book;
}

std::vector<SheetInfo> Workbook::Sheets() const {
    std::vector<SheetInfo> out;
    for (const auto& s : package_->SheetEntries()) out.push_back(SheetInfo{s.name, s.kind, s.state});
    return out;
}

std::size_t Workbook::SheetCount() const { return package_->SheetEntries().size(); }

CopyReport Workbook::CopySheet(const Workbook& source, std::size_t sourceIndex, std::size_t position,
                               const std::string& name) {
    const bool takeOver = fresh_ && &source != this;
    if (takeOver) TakeOverLookOf(source);
    try {
        CopyReport report = CopySheetImpl(source, sourceIndex, position, name, false);
        fresh_ = false;
        return report;
    } catch (...) {
        // A failed copy changes nothing: the workbook is the new one it was.
        if (takeOver) package_ = Package::Load(NewWorkbookParts());
        throw;
    }
}

CopyReport Workbook::CopySheetImpl(const Workbook& source, std::size_t sourceIndex, std::size_t position,
                                   const std::string& name, bool keepSelection) {
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
    const SheetEntry& from = sourceSheets[sourceIndex];

    // Everything that can fail happens before the target is changed, except the additions to its
    // styles and shared strings, which are undone on failure.
    Styles& targetStyles = target.styles();
    SharedStrings& targetStrings = target.sharedStrings();
    const std::string stylesBefore = targetStyles.Write();
    const bool stylesChanged = targetStyles.Changed();
    const std::size_t stringsBefore = targetStrings.Size();
    const std::uint64_t referencesBefore = targetStrings.References();

    CopyReport report;
    const std::uint32_t newSheetId = target.NextSheetId();
    std::string newPart;
    std::string sheetXml;
    CarriedParts related;
    SheetRewrite rw;
    PersonsUpdate persons;
    WorkbookRefs refs;
    SourceLink sourceLink;
    MetadataUpdate metadata;
    try {
        const SheetPlace place = PlaceFor(from.kind);
        newPart = target.FreePartName(place.folder, place.stem, "xml");
        const std::string sheetSource = src.parts().Read(from.part);
        refs = FindWorkbookRefs(src, from.name, sheetSource, target);
        // Alone in a new workbook, references to the source's other sheets and tables point at its file.
        if (keepSelection) {
            const auto links = static_cast<unsigned>(LinkCount(target) + refs.newLinkParts.size());
            // The sheet's own names go along too (CopySheetNames): their formulas count.
            std::vector<pugi::xml_node> names = refs.names;
            for (pugi::xml_node n = src.ExistingDefinedNames().first_child(); n; n = n.next_sibling()) {
                std::uint32_t scope = 0;
                const bool scoped = ParseIndex(n.attribute("localSheetId").value(), scope);
                if (scoped ? scope == sourceIndex : FormulaRefersTo(n.child_value(), from.name)) names.push_back(n);
            }
            sourceLink = PlanSourceLink(src, from, sheetSource, names, links + 1);
        }
        // In a merge, the source's sheets copied here earlier under another name (their own being
        // taken) are what this sheet's formulas and pivot caches mean by the old names, not the sheets
        // that hold those names here.
        std::vector<std::pair<std::string, std::string>> earlier;
        if (!keepSelection && &src != &target) {
            std::unordered_map<std::uint32_t, const std::string*> present;  // the target's sheets by sheetId
            for (const CopiedSheet& c : copies_) {
                if (c.source != source.serial_ || c.from == c.to || SheetNamesEqual(c.from, from.name)) continue;
                if (present.empty())
                    for (const auto& s : targetSheets) present.emplace(s.node.attribute("sheetId").as_uint(), &s.name);
                const auto it = present.find(c.sheetId);
                if (it != present.end() && *it->second == c.to) earlier.emplace_back(c.from, c.to);
            }
        }
        StyleMapper styles(src.styles(), targetStyles);
        related = CopyRelatedParts(src, from.part, target, newPart, styles,
                                   {from.name, name, keepSelection, &from, newSheetId, &sourceLink, &earlier},
                                   refs.newLinkParts);
        rw.keepSlicerList = related.slicers;
        metadata = PlanCellMetadata(src, target);
        rw.keepCellMetadata = metadata.keep;
        report.notCarried.insert(report.notCarried.end(), related.notCarried.begin(), related.notCarried.end());
        if (related.threadedComments) persons = MergePersons(src, target);
        bool renumber = false;
        for (const auto& l : refs.links) renumber |= l.first != l.second;
        // Formulas naming their own sheet name the copy, as in the spreadsheet program, and those
        // naming sheets copied earlier name those copies (all renamed at once).
        std::vector<std::pair<std::string, std::string>> sheetRenames;
        if (from.name != name && sheetSource.find(QuoteSheetName(from.name) + "!") != std::string::npos)
            sheetRenames.emplace_back(from.name, name);
        for (const auto& e : earlier)
            if (sheetSource.find(QuoteSheetName(e.first) + "!") != std::string::npos) sheetRenames.push_back(e);
        if (!related.tableRenames.empty() || renumber || !sheetRenames.empty() || sourceLink.Needed()) {
            // The copy's formulas follow its tables' new names and the target's numbering of links.
            rw.formula = [&related, &refs, &sourceLink, &sheetRenames, renumber](std::string& f) {
                bool changed = renumber && RenumberExternalLinks(f, refs.links);
                changed |= sourceLink.Needed() && PointAtSource(f, sourceLink);
                for (const auto& r : related.tableRenames) changed |= RenameTableInFormula(f, r.first, r.second);
                if (!sheetRenames.empty()) {
                    std::string renamed = RenameSheetsInFormula(f, sheetRenames);
                    if (renamed != f) {
                        f = std::move(renamed);
                        changed = true;
                    }
                }
                return changed;
            };
        }
        rw.fromName = from.name;
        rw.toName = name;
        // Sparklines drawing on another sheet are kept when that sheet is in the target, or may still
        // come with a merge of the source's sheets; a sheet made alone in a new workbook has no others.
        rw.sheetInTarget = [&targetSheets, &sourceSheets, keepSelection](const std::string& sheet) {
            for (const auto& s : targetSheets)
                if (SheetNamesEqual(s.name, sheet)) return true;
            for (const auto& s : sourceSheets)
                if (!keepSelection && SheetNamesEqual(s.name, sheet)) return true;
            return false;
        };
        const SharedStrings& sourceStrings = src.sharedStrings();
        std::vector<std::int64_t> stringMap(sourceStrings.Size(), -1);
        // A new table usually ends up holding most of the source's strings: no growth by doubling.
        if (targetStrings.Size() == 0) targetStrings.Reserve(sourceStrings.Size(), sourceStrings.Bytes());
        std::uint64_t references = 0;
        rw.styles = &styles;
        rw.clearSelection = !keepSelection;
        // Serial dates count from 1900 or from 1904: numbers shown as dates move to the target's system.
        if (src.Date1904() != target.Date1904()) rw.dateShift = src.Date1904() ? 1462 : -1462;
        rw.notCarried = &report.notCarried;
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
        sheetXml = RewriteSheetXml(sheetSource, from.part, rw);
        targetStrings.CountReference(references);
        // A new table that came out equal to the source's (every string used, in the same order) is
        // copied as stored rather than written again.
        bool sameStrings = stringsBefore == 0 && targetStrings.Size() == sourceStrings.Size() && &src != &target;
        for (std::size_t i = 0; sameStrings && i < stringMap.size(); ++i) sameStrings = stringMap[i] == static_cast<std::int64_t>(i);
        if (sameStrings) target.ReuseSharedStringsPartOf(src);
    } catch (...) {
        target.RestoreStyles(stylesBefore, stylesChanged);
        targetStrings.Truncate(stringsBefore, referencesBefore);
        throw;
    }

    // Commit: parts, content types, relationships, the sheet entry, names and views.
    if (rw.changed) target.parts().WriteDeflated(newPart, sheetXml);
    else target.parts().CopyFrom(newPart, src.sharedParts(), from.part);  // nothing to rewrite: copied as stored
    if (!related.sheetRels.All().empty()) target.parts().Write(RelsPartName(newPart), related.sheetRels.Write());
    for (auto& p : related.parts) target.parts().Write(p.first, std::move(p.second));
    for (const auto& t : related.types)
        if (!t.second.empty()) target.types().Ensure(t.first, t.second);
    ApplyPersons(target, std::move(persons));
    const std::string sheetType = src.types().TypeOf(from.part);
    target.types().SetOverride(newPart, sheetType.empty() ? kCtWorksheet : sheetType);
    const std::string relId = target.workbookRels().Add(from.relType, RelativeTarget(target.workbookPart(), newPart));

    pugi::xml_node sheets = target.SheetsNode();
    pugi::xml_node before = position < targetSheets.size() ? targetSheets[position].node : pugi::xml_node();
    pugi::xml_node entry = before ? sheets.insert_child_before((target.prefix() + "sheet").c_str(), before)
                                  : sheets.append_child((target.prefix() + "sheet").c_str());
    entry.append_attribute("name") = name.c_str();
    entry.append_attribute("sheetId") = newSheetId;
    if (from.state != "visible") entry.append_attribute("state") = from.state.c_str();
    entry.append_attribute((target.relPrefix() + "id").c_str()) = relId.c_str();

    pugi::xml_node sourceNames = Child(from.node.parent().parent(), "definedNames");
    if (pugi::xml_node names = target.DefinedNames(false)) ShiftLocalSheetIds(names, position, 1);
    if (sourceNames) {
        // The source's names are read before the target's shift when both are the same workbook.
        const std::size_t readIndex = (&src == &target && sourceIndex >= position) ? sourceIndex + 1 : sourceIndex;
        pugi::xml_node names = target.DefinedNames(true);
        pugi::xml_node last = names.last_child();
        CopySheetNames(sourceNames, readIndex, from.name, names, position, name);
        if (sourceLink.Needed())
            for (pugi::xml_node n = last ? last.next_sibling() : names.first_child(); n; n = n.next_sibling()) {
                std::string formula = n.child_value();
                if (PointAtSource(formula, sourceLink)) n.text().set(formula.c_str());
            }
        if (!names.first_child()) names.parent().remove_child(names);
    }
    AddExternalLinks(target, related.workbookParts);
    AddSourceLink(target, src, sourceLink);
    AddPivotCaches(target, related.pivotCaches);
    ApplyConnections(target, std::move(related.connections));
    ApplyCellMetadata(target, std::move(metadata));
    AddSlicerCaches(target, related.slicerCaches, related.slicerCacheNames);
    if (!refs.names.empty()) {
        // Names the copy's formulas use, as the source defines them (links renumbered).
        pugi::xml_node names = target.DefinedNames(true);
        const std::string element = ElementPrefix(names) + "definedName";
        for (pugi::xml_node n : refs.names) {
            pugi::xml_node copy = names.append_copy(n);
            copy.set_name(element.c_str());
            std::string formula = copy.child_value();
            bool changed = RenumberExternalLinks(formula, refs.links);
            changed |= sourceLink.Needed() && PointAtSource(formula, sourceLink);
            if (changed) copy.text().set(formula.c_str());
        }
    }
    if (pugi::xml_node view = target.WorkbookView()) {
        ShiftViewIndex(view, "activeTab", position, 1);
        ShiftViewIndex(view, "firstSheet", position, 1);
        if (position == 0 && view.attribute("activeTab") == pugi::xml_attribute()) {
            view.append_attribute("activeTab") = 1;  // the active sheet was the first one
        }
    }
    target.DropCalcChain();
    if (&src != &target) copies_.push_back(CopiedSheet{source.serial_, from.name, name, newSheetId});
    return report;
}

void Workbook::RemoveSheet(std::size_t index) {
    Package& p = *package_;
    const auto sheets = p.SheetEntries();
    if (index >= sheets.size()) throw Error(ErrorKind::OutOfRange, msg::kSheetOutOfRange);
    if (sheets.size() == 1) throw Error(ErrorKind::OutOfRange, msg::kLastSheet);
    const SheetEntry& gone = sheets[index];
    fresh_ = false;

    // The sheet's part and its relationships go; parts it referred to stay behind unreferenced, which
    // a package allows (another sheet may share them).
    p.parts().Remove(RelsPartName(gone.part));
    p.parts().Remove(gone.part);
    p.types().RemoveOverride(gone.part);
    p.workbookRels().Remove(gone.relId);
    gone.node.parent().remove_child(gone.node);

    if (pugi::xml_node names = p.DefinedNames(false)) {
        RemoveNamesOfSheet(names, index);
        ShiftLocalSheetIds(names, index + 1, -1);
        if (!names.first_child()) names.parent().remove_child(names);
    }
    if (pugi::xml_node view = p.WorkbookView()) {
        std::uint32_t active = 0;
        ParseIndex(view.attribute("activeTab").value(), active);
        ShiftViewIndex(view, "activeTab", index + 1, -1);
        ShiftViewIndex(view, "firstSheet", index + 1, -1);
        if (active == index) {
            // The removed sheet was active: the first visible sheet becomes active and selected.
            const auto left = p.SheetEntries();
            std::size_t pick = 0;
            for (std::size_t i = 0; i < left.size(); ++i)
                if (left[i].state == "visible") {
                    pick = i;
                    break;
                }
            view.remove_attribute("activeTab");
            if (pick != 0) view.append_attribute("activeTab") = static_cast<unsigned long long>(pick);
            if (left[pick].kind == SheetKind::Worksheet)
                p.parts().Write(left[pick].part, SetTabSelected(p.parts().Read(left[pick].part), left[pick].part, true));
        }
        if (pugi::xml_attribute first = view.attribute("firstSheet"); first && first.as_uint() >= sheets.size() - 1)
            view.remove_attribute(first);
    }
    p.DropCalcChain();
}

std::string Workbook::SaveToBytes() const {
    Package& p = *package_;
    // A workbook needs a visible sheet; when every copied sheet was hidden the first one is shown.
    const auto sheets = p.SheetEntries();
    bool anyVisible = false;
    for (const auto& s : sheets) anyVisible |= s.state == "visible";
    if (!anyVisible && !sheets.empty()) {
        pugi::xml_node first = sheets.front().node;
        first.remove_attribute("state");
    }
    return p.Save();
}

}  // namespace zelmo::xlsx
