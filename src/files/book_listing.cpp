#include "files/book_listing.h"

#include <optional>

#include "errors/reason.h"
#include "errors/step_error.h"
#include "win/dispatch.h"

namespace zelmo::files {

using errors::StepError;
using win::ComError;
using win::Dispatch;

// List indices and counts are 16-bit signed in the program.
constexpr LRESULT kMaxEntries = 32767;

void EnumerateWorkbooks(const std::wstring& folderPath, const std::function<void(std::wstring)>& fullPath,
                        const std::function<void(const std::wstring&)>& book) {
    const std::wstring quoted = L"「" + folderPath + L"」";
    Dispatch fso;
    try {
        fso = Dispatch::Create(kFileSystemProgId);
    } catch (const ComError& error) {
        throw StepError(L"ファイルシステムのサービス (Scripting.FileSystemObject) を起動できませんでした。",
                        errors::Reason(error));
    }
    Dispatch folder;
    try {
        folder = fso.Call(L"GetFolder", folderPath).ToDispatch();
    } catch (const ComError& error) {
        throw StepError(L"フォルダ" + quoted + L"を開けませんでした。", errors::Reason(error));
    }
    try {
        fullPath(fso.Call(L"GetAbsolutePathName", folderPath).ToString());
    } catch (const ComError& error) {
        throw StepError(L"フォルダ" + quoted + L"の絶対パスを取得できませんでした。", errors::Reason(error));
    }

    const std::wstring listFailed = L"フォルダ" + quoted + L"のファイルの一覧を読み取れませんでした。";
    Dispatch::Enumerator files;
    try {
        files = folder.Get(L"Files").ToDispatch().Enumerate();
    } catch (const ComError& error) {
        throw StepError(listFailed, errors::Reason(error));
    }
    DISPID nameId = DISPID_UNKNOWN;  // every file object is of one type: look the member up once
    for (;;) {
        std::optional<win::Variant> item;
        try {
            item = files.Next();
        } catch (const ComError& error) {
            throw StepError(listFailed, errors::Reason(error));
        }
        if (!item) break;
        std::wstring name;
        try {
            Dispatch file = item->ToDispatch();
            if (nameId == DISPID_UNKNOWN) nameId = file.IdOf(L"Name");
            name = file.GetId(nameId, L"Name").ToString();
        } catch (const ComError& error) {
            throw StepError(L"フォルダ" + quoted + L"のファイル名を読み取れませんでした。", errors::Reason(error));
        }
        if (IsWorkbookName(name)) book(name);
    }
}

ListFiller::ListFiller(HWND list, HWND measureWindow, HFONT measureFont)
    : list_(list),
      dc_(measureWindow),
      font_(dc_.get(), measureFont),
      extendedSelection_((GetWindowLongPtrW(list, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0) {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
}

ListFiller::~ListFiller() {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void ListFiller::Add(const std::wstring& name) {
    if (SendMessageW(list_, LB_GETCOUNT, 0, 0) >= kMaxEntries) {
        throw StepError(L"一覧に入れられるファイルは 32,767 個までです。それより後のファイルは一覧に入っていません。",
                        L"");
    }
    const LRESULT added = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (added == LB_ERR || added == LB_ERRSPACE) throw std::bad_alloc();

    const std::wstring measured = name + L" ";
    SIZE size{};
    GetTextExtentPoint32W(dc_.get(), measured.c_str(), static_cast<int>(measured.size()), &size);
    if (size.cx > widest_) widest_ = size.cx;

    if (extendedSelection_) {
        SendMessageW(list_, LB_SETSEL, TRUE, 0);
    } else {
        SendMessageW(list_, LB_SETCURSEL, 0, 0);
    }
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest_), 0);
}

}  // namespace zelmo::files
