#include "automation_error.h"
#include "ids.h"
#include "objects.h"
#include "win/text.h"

namespace zelmo::standin {

std::wstring SheetObject::Label() const {
    const size_t position = book_->PositionOf(sheetId_);
    const std::wstring name =
        position == std::wstring::npos ? L"(gone)" : win::FromUtf8(book_->Sheets()[position].name);
    return std::wstring(Kind()) + L" \"" + name + L"\"";
}

const IID& SheetObject::PublicIid() const { return kind_ == xlsx::SheetKind::Chartsheet ? kIidChart : kIidWorksheet; }

const std::vector<MemberInfo>& SheetObject::Members() const {
    static const std::vector<MemberInfo> members = {
        {kDispName, L"Name", {}},
        {kDispIndex, L"Index", {}},
        {kDispCopy, L"Copy", {L"Before", L"After"}},
        {DISPID_VALUE, L"_Default", {}},
    };
    return members;
}

size_t SheetObject::Position() const {
    CheckBookOpen();
    const size_t position = book_->PositionOf(sheetId_);
    if (position == std::wstring::npos) throw AutomationError(L"このシートは既にブックにありません。");
    return position;
}

std::wstring SheetObject::Name() const { return win::FromUtf8(book_->Sheets()[Position()].name); }

std::wstring SheetObject::FaultSubject(DISPID id, const CallArgs&) const {
    if (id == kDispCopy && book_->PositionOf(sheetId_) != std::wstring::npos)
        return win::FromUtf8(book_->Sheets()[book_->PositionOf(sheetId_)].name);
    return {};
}

void SheetObject::Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) {
    switch (id) {
        case kDispName:
        case DISPID_VALUE:
            if (IsPut(flags))
                throw AutomationError(L"シート名の変更には対応していません (シート「" + Name() + L"」)。");
            return ReturnString(result, Name());
        case kDispIndex:
            return ReturnLong(result, static_cast<long>(Position()) + 1);
        case kDispCopy: {
            Position();
            IUnknown* before = args.OptObject(0);
            IUnknown* after = args.OptObject(1);
            if (before != nullptr && after != nullptr)
                throw AutomationError(L"シート「" + Name() + L"」をコピーできません。Before と After は同時に指定できません。");
            if (before == nullptr && after == nullptr) {
                // Neither: the copy becomes a new workbook of its own.
                instance_->CopyToNewBook(book_, sheetId_);
                return;
            }
            auto* anchor = dynamic_cast<SheetObject*>(DispatchObject::FromUnknown(before != nullptr ? before : after));
            if (anchor == nullptr || anchor->instance_ != instance_)
                throw AutomationError(L"シート「" + Name() +
                                      L"」をコピーできません。コピー先には、同じアプリケーションで開いているブックのシートを"
                                      L"指定してください。");
            const size_t anchorPosition = anchor->Position();
            instance_->CopySheet(book_, sheetId_, anchor->book_, before != nullptr ? anchorPosition : anchorPosition + 1);
            return;
        }
        default:
            NoSuchMember();
    }
}

}  // namespace zelmo::standin
