// The workbook-package engine: reads an .xlsx package, lists its sheets, copies a sheet from one
// workbook into another at a position, and writes the package back. zlib, libzip and pugixml do all
// zip, deflate and XML work.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelmo::xlsx {

enum class ErrorKind {
    NotFound,           // the file does not exist (or is a folder)
    NotAWorkbook,       // not a zip package, or a zip without a workbook part
    Encrypted,          // a password-protected workbook (an OLE compound file holding an encrypted package)
    UnsupportedFormat,  // .xls (OLE), .xlsb or .xlsm content under another name
    Corrupt,            // a damaged package: truncated zip, unreadable XML, broken references
    InvalidSheetName,   // a name the spreadsheet program refuses
    WriteFailed,        // the package could not be written
    LimitExceeded,      // a size limit (entries, uncompressed size, compression ratio) was exceeded
    OutOfRange,         // a sheet index or position outside the workbook
};

// Why a file could not be written, where the system said so.
enum class WriteCause {
    Other,
    DiskFull,     // no space left on the disk (or the user's quota)
    NotWritable,  // the folder or file may not be written (access denied, write-protected)
};

// Every failure of the engine. what() is a Japanese sentence naming the cause; the caller, who knows
// the file name, adds it.
class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message, WriteCause cause = WriteCause::Other)
        : std::runtime_error(message), kind_(kind), cause_(cause) {}
    ErrorKind kind() const noexcept { return kind_; }
    // For WriteFailed: what the system gave as the reason.
    WriteCause cause() const noexcept { return cause_; }

private:
    ErrorKind kind_;
    WriteCause cause_;
};

enum class SheetKind { Worksheet, Chartsheet, Dialog, Macro };

struct SheetInfo {
    std::string name;   // UTF-8
    SheetKind kind;
    std::string state;  // "visible", "hidden" or "veryHidden"
};

// What a copy could not carry over (names of related parts or features, e.g. "drawing", "comments",
// "table"); the cells are copied all the same.
struct CopyReport {
    std::vector<std::string> notCarried;
};

class Package;
struct CopyPlan;
struct CopyIntent;

class Workbook {
public:
    // Reads a package from its bytes (throws Error). `origin`, the file the bytes came from, lets a
    // sheet made alone in a new workbook (FromSheet) point references to the other sheets of this
    // workbook at that file, as the spreadsheet program does; without it they stay as written.
    static Workbook Open(std::string_view packageBytes, const std::filesystem::path& origin = {});
    // Reads a package from a file (throws Error; NotFound for a missing file or a folder).
    static Workbook OpenFile(const std::filesystem::path& path);
    // A new workbook with one empty worksheet "Sheet1". The first sheet copied into it from another
    // workbook before anything else changes it brings that workbook's styles and theme along (its
    // default font becomes this workbook's), so that sheets of workbooks styled alike are copied as
    // they are stored; the empty sheet keeps its row height.
    static Workbook CreateNew();

    // A new workbook holding only a copy of sheet `sourceIndex` of `source` under its own name, as a
    // sheet copied with neither "before" nor "after" is. `report` (optional) receives what was not
    // carried.
    static Workbook FromSheet(const Workbook& source, std::size_t sourceIndex, CopyReport* report = nullptr);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    ~Workbook();

    std::vector<SheetInfo> Sheets() const;
    std::size_t SheetCount() const;

    // Copies sheet `sourceIndex` (0-based) of `source` into this workbook so that it becomes sheet
    // `position` (0-based, 0..SheetCount()), named `name` (the caller has made it unique). `source` may be
    // this workbook itself. Throws Error (InvalidSheetName, OutOfRange, Corrupt); a failed copy changes
    // nothing.
    CopyReport CopySheet(const Workbook& source, std::size_t sourceIndex, std::size_t position,
                         const std::string& name);

    // Removes sheet `index` (0-based) with its sheet-scoped defined names; later sheets move up. Refuses
    // (Error OutOfRange) to remove the only sheet. Used to drop the initial "Sheet1" of a new workbook
    // after a copy into it.
    void RemoveSheet(std::size_t index);

    // Before saving: references that link to the file of a source whose referenced sheet (or table)
    // was copied into this workbook point at that copy under its current name instead, and link
    // parts nothing uses any more are removed. A merge of whole workbooks is then self-contained;
    // references to sheets that were not copied keep their link. (The spreadsheet program keeps
    // the links.)
    void ResolveLinksToCopies();

    std::string SaveToBytes() const;
    // Writes atomically: a temporary file in the target folder, then a rename over the target. On failure
    // the old file (if any) is untouched and no partial file is left. Throws Error (WriteFailed).
    void SaveFile(const std::filesystem::path& path) const;

private:
    explicit Workbook(std::unique_ptr<Package> package);
    // A copy is planned (may fail, leaves this workbook as it was) and then committed.
    void PlanCopy(CopyPlan& plan, const Workbook& source, std::size_t sourceIndex, std::size_t position,
                  const std::string& name, const CopyIntent& intent);
    CopyReport CommitCopy(CopyPlan& plan);
    void TakeOverLookOf(const Workbook& source);
    std::unique_ptr<Package> package_;
    // Made by CreateNew and not changed since: the first copy into it takes over its source's look.
    bool fresh_ = false;
    // Identifies this workbook as the source of later copies (never reused within a process).
    std::uint64_t serial_;
    // Sheets copied into this workbook from other workbooks: the copies of a source's sheets made
    // earlier are what a later sheet of that source refers to by the old names.
    struct CopiedSheet {
        std::uint64_t source;
        std::string from;
        std::string to;
        std::uint32_t sheetId;
        std::vector<std::pair<std::string, std::string>> tableRenames;  // the copy's tables renamed (old, new)
    };
    std::vector<CopiedSheet> copies_;
    // Links this workbook's copies hold to the files of their sources: the link part, the cells it
    // caches, and the sheet of each linked table.
    struct LinkToSource {
        std::uint64_t source;
        std::string part;
        std::string uri;  // the source file as a link target
        std::map<std::string, std::set<std::string>> cells;
        std::map<std::string, std::string> tableSheets;
    };
    std::vector<LinkToSource> sourceLinks_;
    // Parts of copies (sheets, charts) whose formulas use external links: what resolving links to
    // copies rewrites and renumbers.
    std::vector<std::string> linkedParts_;
    // Whether each source copied from has tables (looked up once per source, not per copy).
    std::map<std::uint64_t, bool> sourceHasTables_;
    // Pivot cache definitions copied in from another workbook, with that source: a cache whose
    // source range is on another sheet of it reads the source file until ResolveLinksToCopies.
    std::vector<std::pair<std::string, std::uint64_t>> copiedCaches_;
};

// Sheet naming as the spreadsheet program does it: 1..31 UTF-16 units, none of []:*?/\, no leading or
// trailing apostrophe, not "History" (in any case).
bool IsValidSheetName(std::string_view utf8);

// `wanted` if no name in `taken` equals it ignoring case; otherwise "wanted (2)", "wanted (3)", ... with
// `wanted` shortened so the result stays within 31 UTF-16 units.
std::string UniqueSheetName(std::string_view wanted, const std::vector<std::string>& taken);

// True when the two names are equal ignoring case (ASCII, Latin-1, Greek, Cyrillic and full-width Latin).
bool SheetNamesEqual(std::string_view a, std::string_view b);

}  // namespace zelmo::xlsx
