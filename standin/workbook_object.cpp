#include "automation_error.h"
#include "ids.h"
#include "objects.h"

namespace zelmo::standin {

std::wstring WorkbookObject::Label() const { return L"Workbook \"" + book_->name + L"\""; }

const IID& WorkbookObject::PublicIid() const { return kIidWorkbook; }

const std::vector<MemberInfo>& WorkbookObject::Members() const {
    static const std::vector<MemberInfo> members = {
        {kDispSheets, L"Sheets", {}},
        {kDispWorksheets, L"Worksheets", {}},
        {kDispSaveAs,
         L"SaveAs",
         {L"Filename", L"FileFormat", L"Password", L"WriteResPassword", L"ReadOnlyRecommended", L"CreateBackup",
          L"AccessMode", L"ConflictResolution", L"AddToMru", L"TextCodepage", L"TextVisualLayout", L"Local"}},
        {kDispName, L"Name", {}},
        {kDispFullName, L"FullName", {}},
        {kDispPath, L"Path", {}},
        {kDispSaved, L"Saved", {}},
        {kDispClose, L"Close", {L"SaveChanges", L"Filename", L"RouteWorkbook"}},
        {DISPID_VALUE, L"_Default", {}},
    };
    return members;
}

std::wstring WorkbookObject::FaultSubject(DISPID id, const CallArgs& args) const {
    if (id == kDispSaveAs) return args.OptString(0).value_or(L"");
    if (id == kDispClose) return book_->name;
    return {};
}

void WorkbookObject::Call(DISPID id, WORD, const CallArgs& args, VARIANT* result) {
    CheckBookOpen();
    switch (id) {
        case kDispSheets:
            return sheets_.Return(result, [&] { return new SheetsObject(instance_, book_, false); });
        case kDispWorksheets:
            return worksheets_.Return(result, [&] { return new SheetsObject(instance_, book_, true); });
        case kDispSaveAs: {
            const std::wstring path = args.String(0);
            // Only the workbook format itself (xlOpenXMLWorkbook = 51, or xlWorkbookDefault = 51).
            const auto format = args.OptLong(1);
            if (format && *format != 51)
                throw AutomationError(L"「" + path + L"」に保存できません。ファイル形式 " + std::to_wstring(*format) +
                                      L" には対応していません (.xlsx 形式 = 51 だけです)。");
            if (args.Has(2) || args.Has(3))
                throw AutomationError(L"「" + path + L"」に保存できません。パスワード付きの保存には対応していません。");
            instance_->SaveAs(book_, path);
            return;
        }
        case kDispName:
        case DISPID_VALUE:
            return ReturnString(result, book_->name);
        case kDispFullName:
            return ReturnString(result, book_->FullName());
        case kDispPath: {
            const std::wstring& full = book_->fullPath;
            return ReturnString(result, full.empty() ? L"" : full.substr(0, full.size() - book_->name.size() - 1));
        }
        case kDispSaved:
            return ReturnBool(result, book_->saved);
        case kDispClose: {
            // SaveChanges True saves first (under Filename, or the book's own file); otherwise the
            // changes are discarded, as an invisible instance cannot ask.
            if (args.OptBool(0).value_or(false)) {
                const auto filename = args.OptString(1);
                if (filename) {
                    instance_->SaveAs(book_, *filename);
                } else if (!book_->fullPath.empty()) {
                    const bool alerts = instance_->displayAlerts;
                    instance_->displayAlerts = false;  // saving over its own file needs no question
                    try {
                        instance_->SaveAs(book_, book_->fullPath);
                    } catch (...) {
                        instance_->displayAlerts = alerts;
                        throw;
                    }
                    instance_->displayAlerts = alerts;
                } else {
                    throw AutomationError(L"ブック「" + book_->name +
                                          L"」を閉じられません。保存するファイルの名前 (Filename) がありません。");
                }
            }
            instance_->Close(book_);
            return;
        }
        default:
            NoSuchMember();
    }
}

}  // namespace zelmo::standin
