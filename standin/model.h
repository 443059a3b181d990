// The state of one application instance: its open workbooks, each an engine workbook with a stable
// identity for every sheet (a sheet object keeps pointing at its sheet while others are inserted),
// and Excel's rules for naming, opening, copying and saving. Every operation either completes or
// throws AutomationError having changed nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xlsx/workbook.h"

namespace zelmo::standin {

struct Book {
    xlsx::Workbook engine;
    std::vector<uint64_t> sheetIds;  // parallel to the engine's sheet order
    // The engine's sheets as of its last change (every call that looks at the sheets reads them
    // here instead of having the engine list them again); Refresh after each change.
    std::wstring name;               // "Book1", or the file name once opened or saved
    std::wstring fullPath;           // empty until the book has a file
    bool open = true;
    bool saved = true;

    explicit Book(xlsx::Workbook wb) : engine(std::move(wb)), sheets_(engine.Sheets()) {}
    const std::vector<xlsx::SheetInfo>& Sheets() const { return sheets_; }
    void Refresh() { sheets_ = engine.Sheets(); }
    // 0-based position of a sheet, or npos when it is gone.
    size_t PositionOf(uint64_t sheetId) const;
    std::vector<std::string> SheetNames() const;
    // Throws when the book has been closed.
    void CheckOpen() const;
    // What clients see as FullName: the path, or the name of a book without a file.
    std::wstring FullName() const { return fullPath.empty() ? name : fullPath; }

private:
    std::vector<xlsx::SheetInfo> sheets_;
};

class Instance {
public:
    Instance();

    bool quit = false;
    bool visible = false;
    bool displayAlerts = true;

    const std::vector<std::shared_ptr<Book>>& books() const { return books_; }
    // Throws when the instance has been told to quit.
    void CheckRunning() const;

    std::shared_ptr<Book> Add();
    std::shared_ptr<Book> AddFromTemplate(const std::wstring& path);
    std::shared_ptr<Book> Open(const std::wstring& path);
    void Close(const std::shared_ptr<Book>& book);
    // Copies a sheet of `source` into `target` at `position`; with no target, into a new book.
    void CopySheet(const std::shared_ptr<Book>& source, uint64_t sheetId, const std::shared_ptr<Book>& target,
                   size_t position);
    std::shared_ptr<Book> CopyToNewBook(const std::shared_ptr<Book>& source, uint64_t sheetId);
    void SaveAs(const std::shared_ptr<Book>& book, const std::wstring& path);
    // Quit: every workbook is closed without saving.
    void Quit();

private:
    // True when an open book has this name (compared ignoring case).
    bool NameTaken(const std::wstring& name) const;
    std::wstring NextBookName(const std::wstring& stem);
    std::shared_ptr<Book> Adopt(xlsx::Workbook engine, std::wstring name, std::wstring fullPath);

    std::vector<std::shared_ptr<Book>> books_;
    int nextBookNumber_ = 1;
};

// The absolute form of a path as the file system spells it (GetFullPathNameW).
std::wstring FullPathOf(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);

}  // namespace zelmo::standin
