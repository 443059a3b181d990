// The operations' own view of Excel: the few objects and calls that merging and splitting make,
// one method per automation call. The COM adapter implements it over IDispatch; tests fake it.
// Every method either does what it says or throws ExcelError carrying Excel's reason.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ops/errors.h"

namespace zelmo::ops {

class Sheet;

// How a sheet index travels to the sheet collection's item: split passes its 16-bit sheet number,
// merge passes the 32-bit count it was given.
enum class IndexWidth { k16, k32 };

// One member of a workbook's sheet collection: a worksheet or a chart sheet.
class Sheet {
public:
    virtual ~Sheet() = default;
    // `Copy` with Before set to `anchor` (After omitted): the copy lands in anchor's workbook,
    // ahead of anchor.
    virtual void CopyBefore(Sheet& anchor) = 0;
    // `Copy` with After set to `anchor` (Before omitted).
    virtual void CopyAfter(Sheet& anchor) = 0;
    // The tab name; used only to say in a message which sheet failed.
    virtual std::u16string Name() = 0;
};

// Walks a sheet collection in collection order.
class SheetEnumerator {
public:
    virtual ~SheetEnumerator() = default;
    // The next member, or nullptr after the last.
    virtual std::unique_ptr<Sheet> Next() = 0;
};

// `Workbook.Sheets`: the sheet collection of one workbook.
class SheetCollection {
public:
    virtual ~SheetCollection() = default;
    // `Sheets.Count`.
    virtual int32_t Count() = 0;
    // The collection's default member with a 1-based index.
    virtual std::unique_ptr<Sheet> Item(int32_t index, IndexWidth width) = 0;
    // Enumeration of every member.
    virtual std::unique_ptr<SheetEnumerator> Enumerate() = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    // `Workbook.Sheets`.
    virtual std::unique_ptr<SheetCollection> Sheets() = 0;
    // `Workbook.SaveAs` with Filename and AccessMode 1 (xlNoChange), everything else omitted.
    virtual void SaveAs(const std::u16string& path) = 0;
};

// One Excel instance. Dropping the object releases the reference; it does not end the instance.
class ExcelApplication {
public:
    virtual ~ExcelApplication() = default;
    // `Application.Workbooks`, then `Workbooks.Open` with FileName only.
    virtual std::unique_ptr<Workbook> OpenWorkbook(const std::u16string& path) = 0;
    // `Application.Workbooks`, then `Workbooks.Add` with Template omitted.
    virtual std::unique_ptr<Workbook> AddWorkbook() = 0;
    // `Application.Quit`.
    virtual void Quit() = 0;
    // Lets go of one of the references to sheets and enumerators that the operations have dropped
    // but the adapter held back (each release is a call into Excel's process); false when none is
    // left. Whatever is still held goes with the instance's last object.
    virtual bool DropHeldReference() { return false; }
};

// Starts Excel: a new instance of `Excel.Application` of its own for each call.
class ExcelFactory {
public:
    virtual ~ExcelFactory() = default;
    virtual std::unique_ptr<ExcelApplication> CreateExcel() = 0;
};

// Where the operations' closing messages go (a message box with an OK button in the program).
// Show returns when the user has closed the message.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const std::u16string& text) = 0;
    // Shows `text` and calls `step` until it returns false: the program calls it between the
    // message's own events once the message is on screen, and runs whatever steps are left when
    // the message is closed. Every step has run when this returns. `step` does not throw. By
    // default every step runs first, then the message is shown.
    virtual void ShowWhile(const std::u16string& text, const std::function<bool()>& step) {
        while (step()) {
        }
        Show(text);
    }
};

}  // namespace zelmo::ops
