#include "ui/handler_boundary.h"

#include <exception>
#include <new>

#include "errors/reason.h"
#include "errors/step_error.h"
#include "ops/errors.h"
#include "text/byte_width.h"
#include "win/com.h"
#include "win/com_error.h"

namespace zelmo::ui {

using win::FromUtf8;

std::wstring DescribeCurrentError() {
    try {
        throw;
    } catch (const errors::StepError& error) {
        return error.Message();
    } catch (const ops::OpsError& error) {
        return win::ToWide(error.message());
    } catch (const win::ComError& error) {
        return errors::StepError(L"処理を続けられませんでした（" + error.member() + L" が失敗しました）。",
                                 errors::Reason(error))
            .Message();
    } catch (const text::TextLimitError&) {
        return L"文字列が長すぎます（32,767 を超えました）。処理を中止しました。";
    } catch (const std::bad_alloc&) {
        return L"メモリが足りないため、処理を中止しました。";
    } catch (const std::exception& error) {
        return L"予期しないエラーが発生したため、処理を中止しました。\n\n理由: " + FromUtf8(error.what());
    } catch (...) {
        return L"予期しないエラーが発生したため、処理を中止しました。";
    }
}

}  // namespace zelmo::ui
