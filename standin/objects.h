// The object model clients drive: Application, Workbooks, Workbook, Sheets (also as Worksheets) and
// the sheets themselves (worksheets and chart sheets). Objects are thin: they name a workbook or a
// sheet of one application instance and hand the work to the model.
#pragma once

#include <memory>
#include <vector>

#include "dispatch_object.h"
#include "model.h"
#include "win/com.h"
#include "xlsx/workbook.h"

namespace zelmo::standin {

// Hands out one object again and again: made on the first call, then the same object (one more
// reference) on every later one, as the spreadsheet program answers a collection property. A
// client that still holds the object then gets its own proxy back: no new proxy to set up, and
// no release travelling back to the server for each call.
class SameObject {
public:
    template <class Make>
    void Return(VARIANT* result, Make make) {
        if (!object_) object_.reset(make());
        ReturnObject(result, object_.Clone().release());
    }

private:
    win::ComPtr<DispatchObject> object_;
};

class ApplicationObject final : public DispatchObject {
public:
    ApplicationObject();
    std::wstring Label() const override;

protected:
    const wchar_t* Kind() const override { return L"Application"; }
    const IID& PublicIid() const override;
    const std::vector<MemberInfo>& Members() const override;
    void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<Instance> instance_;
    int number_;
    SameObject workbooks_;
};

class WorkbooksObject final : public DispatchObject {
public:
    explicit WorkbooksObject(std::shared_ptr<Instance> instance) : instance_(std::move(instance)) {}
    std::wstring Label() const override { return L"Workbooks"; }

protected:
    const wchar_t* Kind() const override { return L"Workbooks"; }
    const IID& PublicIid() const override;
    const std::vector<MemberInfo>& Members() const override;
    void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;
    std::wstring FaultSubject(DISPID id, const CallArgs& args) const override;

private:
    std::shared_ptr<Instance> instance_;
};

// The base of the objects that stand for a workbook or a part of one: the instance and the book
// they name.
class BookObject : public DispatchObject {
public:
    BookObject(std::shared_ptr<Instance> instance, std::shared_ptr<Book> book)
        : instance_(std::move(instance)), book_(std::move(book)) {}

protected:
    // Throws when the instance has been told to quit or the book has been closed.
    void CheckBookOpen() const {
        instance_->CheckRunning();
        book_->CheckOpen();
    }

    std::shared_ptr<Instance> instance_;
    std::shared_ptr<Book> book_;
};

class WorkbookObject final : public BookObject {
public:
    using BookObject::BookObject;
    std::wstring Label() const override;

protected:
    const wchar_t* Kind() const override { return L"Workbook"; }
    const IID& PublicIid() const override;
    const std::vector<MemberInfo>& Members() const override;
    void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;
    std::wstring FaultSubject(DISPID id, const CallArgs& args) const override;

private:
    SameObject sheets_;
    SameObject worksheets_;
};

// Workbook.Sheets (every sheet) or Workbook.Worksheets (worksheets only).
class SheetsObject final : public BookObject {
public:
    SheetsObject(std::shared_ptr<Instance> instance, std::shared_ptr<Book> book, bool worksheetsOnly)
        : BookObject(std::move(instance), std::move(book)), worksheetsOnly_(worksheetsOnly) {}
    std::wstring Label() const override;

protected:
    const wchar_t* Kind() const override { return worksheetsOnly_ ? L"Worksheets" : L"Sheets"; }
    const IID& PublicIid() const override;
    const std::vector<MemberInfo>& Members() const override;
    void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;
    std::wstring FaultSubject(DISPID id, const CallArgs& args) const override;

private:
    // Positions (0-based, in the book) of the members of this collection.
    std::vector<size_t> MemberPositions() const;

    bool worksheetsOnly_;
};

class SheetObject final : public BookObject {
public:
    SheetObject(std::shared_ptr<Instance> instance, std::shared_ptr<Book> book, uint64_t sheetId, xlsx::SheetKind kind)
        : BookObject(std::move(instance), std::move(book)), sheetId_(sheetId), kind_(kind) {}
    std::wstring Label() const override;

protected:
    const wchar_t* Kind() const override { return kind_ == xlsx::SheetKind::Chartsheet ? L"Chart" : L"Worksheet"; }
    const IID& PublicIid() const override;
    const std::vector<MemberInfo>& Members() const override;
    void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;
    std::wstring FaultSubject(DISPID id, const CallArgs& args) const override;

private:
    // 0-based position in its book; throws when the sheet or its book is gone.
    size_t Position() const;
    std::wstring Name() const;

    uint64_t sheetId_;
    xlsx::SheetKind kind_;
};

// Returns an IEnumVARIANT over a snapshot of objects (For Each over Workbooks or Sheets), which
// takes over the references in `items`; with no result asked, the objects are released.
void ReturnEnumerator(VARIANT* result, std::vector<win::ComPtr<IDispatch>> items);

// True when every application instance of the process has been told to quit.
bool AllInstancesQuit();

}  // namespace zelmo::standin
