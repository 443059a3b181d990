#include "automation_error.h"
#include "ids.h"
#include "objects.h"
#include "win/text.h"

namespace zelmo::standin {

std::wstring SheetsObject::Label() const { return std::wstring(Kind()) + L" \"" + book_->name + L"\""; }

const IID& SheetsObject::PublicIid() const { return kIidSheets; }

const std::vector<MemberInfo>& SheetsObject::Members() const {
    static const std::vector<MemberInfo> members = {
        {kDispCount, L"Count", {}},
        {kDispItem, L"Item", {L"Index"}},
        {DISPID_VALUE, L"_Default", {L"Index"}},
        {DISPID_NEWENUM, L"_NewEnum", {}},
    };
    return members;
}

std::wstring SheetsObject::FaultSubject(DISPID id, const CallArgs& args) const {
    if (id == kDispItem || id == DISPID_VALUE) return args.Has(0) ? args.OptString(0).value_or(L"") : L"";
    return {};
}

std::vector<size_t> SheetsObject::MemberPositions() const {
    std::vector<size_t> positions;
    const auto& sheets = book_->Sheets();
    for (size_t i = 0; i < sheets.size(); ++i)
        if (!worksheetsOnly_ || sheets[i].kind == xlsx::SheetKind::Worksheet) positions.push_back(i);
    return positions;
}

void SheetsObject::Call(DISPID id, WORD, const CallArgs& args, VARIANT* result) {
    CheckBookOpen();
    const std::vector<size_t> positions = MemberPositions();
    const auto& sheets = book_->Sheets();
    auto objectAt = [&](size_t position) {
        return new SheetObject(instance_, book_, book_->sheetIds[position], sheets[position].kind);
    };
    switch (id) {
        case kDispCount:
            return ReturnLong(result, static_cast<long>(positions.size()));
        case kDispItem:
        case DISPID_VALUE: {
            if (args.IsText(0)) {
                const std::wstring name = args.String(0);
                const std::string wanted = win::ToUtf8(name);
                for (size_t position : positions)
                    if (xlsx::SheetNamesEqual(sheets[position].name, wanted))
                        return ReturnObject(result, objectAt(position));
                throw AutomationError(L"ブック「" + book_->name + L"」にシート「" + name + L"」はありません。",
                                      DISP_E_BADINDEX);
            }
            const long n = args.Long(0);
            if (n < 1 || static_cast<size_t>(n) > positions.size())
                throw AutomationError(L"シートの番号 " + std::to_wstring(n) + L" は範囲外です (ブック「" + book_->name +
                                          L"」のシートは " + std::to_wstring(positions.size()) + L" 枚です)。",
                                      DISP_E_BADINDEX);
            return ReturnObject(result, objectAt(positions[static_cast<size_t>(n - 1)]));
        }
        case DISPID_NEWENUM: {
            std::vector<win::ComPtr<IDispatch>> items;
            for (size_t position : positions) items.emplace_back(objectAt(position));
            return ReturnEnumerator(result, std::move(items));
        }
        default:
            NoSuchMember();
    }
}

}  // namespace zelmo::standin
