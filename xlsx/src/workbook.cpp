// The public face of the engine: opening, listing, copying and removing sheets, saving.
#include "xlsx/workbook.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>

#include "copy_plan.h"
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
    CopyIntent intent;
    intent.keepSelection = true;
    intent.alone = true;
    intent.linkToSource = true;
    CopyPlan plan;
    book.PlanCopy(plan, source, sourceIndex, 0, sheets[sourceIndex].name, intent);
    CopyReport r = book.CommitCopy(plan);
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
    // References to the source's other sheets link to its file (copies of them in this workbook
    // are named instead).
    CopyIntent intent;
    intent.linkToSource = &source != this;
    const bool takeOver = fresh_ && &source != this;
    if (takeOver) TakeOverLookOf(source);
    try {
        CopyPlan plan;
        PlanCopy(plan, source, sourceIndex, position, name, intent);
        CopyReport report = CommitCopy(plan);
        fresh_ = false;
        return report;
    } catch (...) {
        // A failed copy changes nothing: the workbook is the new one it was.
        if (takeOver) package_ = Package::Load(NewWorkbookParts());
        throw;
    }
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
