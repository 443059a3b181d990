#include "automation_error.h"
#include "ids.h"
#include "objects.h"
#include "text.h"

namespace zelmo::standin {
namespace {

// Workbooks.Add's Template given as a constant (xlWBATWorksheet and the other sheet kinds).
constexpr long kTemplateWorksheet = -4167;

}  // namespace

const IID& WorkbooksObject::PublicIid() const { return kIidWorkbooks; }

const std::vector<MemberInfo>& WorkbooksObject::Members() const {
    static const std::vector<MemberInfo> members = {
        {kDispCount, L"Count", {}},
        {kDispItem, L"Item", {L"Index"}},
        {DISPID_VALUE, L"_Default", {L"Index"}},
        {kDispAdd, L"Add", {L"Template"}},
        {kDispOpen,
         L"Open",
         {L"Filename", L"UpdateLinks", L"ReadOnly", L"Format", L"Password", L"WriteResPassword",
          L"IgnoreReadOnlyRecommended", L"Origin", L"Delimiter", L"Editable", L"Notify", L"Converter", L"AddToMru",
          L"Local", L"CorruptLoad"}},
        {DISPID_NEWENUM, L"_NewEnum", {}},
    };
    return members;
}

std::wstring WorkbooksObject::FaultSubject(DISPID id, const CallArgs& args) const {
    if (id == kDispOpen || id == kDispAdd) return args.OptString(0).value_or(L"");
    return {};
}

void WorkbooksObject::Call(DISPID id, WORD, const CallArgs& args, VARIANT* result) {
    instance_->CheckRunning();
    const auto& books = instance_->books();
    switch (id) {
        case kDispCount:
            return ReturnLong(result, static_cast<long>(books.size()));
        case kDispItem:
        case DISPID_VALUE: {
            if (args.IsText(0)) {
                const std::wstring name = args.String(0);
                for (const auto& book : books)
                    if (EqualNoCase(book->name, name)) return ReturnObject(result, new WorkbookObject(instance_, book));
                throw AutomationError(L"ブック「" + name + L"」は開いていません。", DISP_E_BADINDEX);
            }
            const long n = args.Long(0);
            if (n < 1 || static_cast<size_t>(n) > books.size())
                throw AutomationError(L"ブックの番号 " + std::to_wstring(n) + L" は範囲外です (開いているブックは " +
                                          std::to_wstring(books.size()) + L" 個です)。",
                                      DISP_E_BADINDEX);
            return ReturnObject(result, new WorkbookObject(instance_, books[static_cast<size_t>(n - 1)]));
        }
        case kDispAdd: {
            if (!args.Has(0)) return ReturnObject(result, new WorkbookObject(instance_, instance_->Add()));
            if (args.IsText(0))
                return ReturnObject(result, new WorkbookObject(instance_, instance_->AddFromTemplate(args.String(0))));
            const long kind = args.Long(0);
            if (kind == kTemplateWorksheet) return ReturnObject(result, new WorkbookObject(instance_, instance_->Add()));
            throw AutomationError(L"この種類の新しいブック (Template " + std::to_wstring(kind) +
                                  L") には対応していません。ワークシートのブックだけを作成できます。");
        }
        case kDispOpen: {
            // The other 14 arguments change nothing here: links are not updated, every book opens
            // for editing, and an encrypted book is refused whatever Password says.
            return ReturnObject(result, new WorkbookObject(instance_, instance_->Open(args.String(0))));
        }
        case DISPID_NEWENUM: {
            std::vector<win::ComPtr<IDispatch>> items;
            for (const auto& book : books) items.emplace_back(new WorkbookObject(instance_, book));
            return ReturnEnumerator(result, std::move(items));
        }
        default:
            NoSuchMember();
    }
}

}  // namespace zelmo::standin
