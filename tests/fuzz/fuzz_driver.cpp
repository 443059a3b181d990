#include "fuzz_driver.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::fuzz {
namespace {

using xlsx::Workbook;

// Enough sheets to reach every code path; more would only slow the fuzzer down.
constexpr std::size_t kMaxSheets = 8;

std::string SafeName(const std::string& wanted, std::size_t index, const std::vector<std::string>& taken) {
    const std::string base = xlsx::IsValidSheetName(wanted) ? wanted : "S" + std::to_string(index);
    return xlsx::UniqueSheetName(base, taken);
}

std::vector<std::string> Names(const Workbook& book) {
    std::vector<std::string> out;
    for (const auto& s : book.Sheets()) out.push_back(s.name);
    return out;
}

// Copies sheet `index` of `source` into `target` at `position`; a refused copy must leave the
// target as it was.
void TryCopy(Workbook& target, const Workbook& source, std::size_t index, std::size_t position) {
    const std::size_t before = target.SheetCount();
    const std::string name = SafeName(source.Sheets()[index].name, index, Names(target));
    try {
        target.CopySheet(source, index, position, name);
    } catch (const xlsx::Error&) {
        if (target.SheetCount() != before) throw Finding("a refused copy changed the sheet count");
        return;
    }
    if (target.SheetCount() != before + 1) throw Finding("a copy did not add exactly one sheet");
}

// What the engine saves it must be able to open again, with the same sheets. A workbook opened
// from the input still holds parts nobody read; saving may find one of them damaged (Corrupt).
// One made only of copies must be sound enough to copy every sheet from once more.
void SaveAndReopen(const Workbook& book, const char* what, bool holdsUnreadParts) {
    const std::size_t count = book.SheetCount();
    std::string saved;
    try {
        saved = book.SaveToBytes();
    } catch (const xlsx::Error& e) {
        if (holdsUnreadParts && e.kind() == xlsx::ErrorKind::Corrupt) return;
        throw Finding(std::string(what) + ": saving failed: " + e.what());
    }
    try {
        const Workbook again = Workbook::Open(saved);
        if (again.SheetCount() != count) throw Finding(std::string(what) + ": the saved workbook has other sheets");
        if (holdsUnreadParts) return;
        Workbook next = Workbook::CreateNew();
        const auto sheets = again.Sheets();
        for (std::size_t i = 0; i < sheets.size() && i < kMaxSheets; ++i)
            next.CopySheet(again, i, next.SheetCount(), SafeName(sheets[i].name, i, Names(next)));
        Workbook::Open(next.SaveToBytes());
    } catch (const xlsx::Error& e) {
        throw Finding(std::string(what) + ": the saved workbook does not open or copy again: " + e.what());
    }
}

}  // namespace

std::string PackageFromInput(std::string_view input) {
    if (input.size() >= 2 && input[0] == 'P' && input[1] == 'K') return std::string(input);
    std::vector<std::pair<std::string, std::string>> parts;
    std::size_t pos = 0;
    while (pos <= input.size()) {
        std::size_t end = input.find('\x01', pos);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view record = input.substr(pos, end - pos);
        const std::size_t nl = record.find('\n');
        if (nl != std::string_view::npos)
            parts.emplace_back(std::string(record.substr(0, nl)), std::string(record.substr(nl + 1)));
        pos = end + 1;
    }
    return xlsx::test::MakeZip(parts, /*stored=*/true);
}

void RunOne(std::string_view input) {
    const std::string bytes = PackageFromInput(input);
    std::optional<Workbook> source;
    try {
        source.emplace(Workbook::Open(bytes));
    } catch (const xlsx::Error&) {
        return;  // refused: what hostile input should get
    }
    const auto sheets = source->Sheets();
    if (sheets.size() != source->SheetCount() || sheets.empty()) throw Finding("Sheets() and SheetCount() disagree");
    const std::size_t n = std::min(sheets.size(), kMaxSheets);

    std::optional<Workbook> twin;
    try {
        twin.emplace(Workbook::Open(bytes));
    } catch (const xlsx::Error& e) {
        throw Finding(std::string("the same bytes opened once but not twice: ") + e.what());
    }

    Workbook fresh = Workbook::CreateNew();
    for (std::size_t i = 0; i < n; ++i) {
        TryCopy(fresh, *source, i, fresh.SheetCount());
        TryCopy(*twin, *source, i, i % (twin->SheetCount() + 1));
    }
    if (fresh.SheetCount() > 1) fresh.RemoveSheet(0);
    TryCopy(*source, *source, 0, 0);
    try {
        const Workbook single = Workbook::FromSheet(*source, n - 1);
        SaveAndReopen(single, "a workbook made for one sheet", false);
    } catch (const xlsx::Error&) {
    }
    SaveAndReopen(fresh, "a new workbook with copies", false);
    SaveAndReopen(*twin, "a workbook with copies of its own sheets", true);
    SaveAndReopen(*source, "a workbook with a copy of a sheet in itself", true);
}

}  // namespace zelmo::fuzz
