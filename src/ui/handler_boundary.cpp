#include "ui/handler_boundary.h"

#include <exception>
#include <new>

#include "files/errors.h"
#include "ops/errors.h"
#include "text/byte_width.h"
#include "ui/controls.h"
#include "win/com.h"

namespace zelmo::ui {

using win::FromUtf8;

StepError::StepError(std::wstring what, std::wstring reason)
    : std::runtime_error("handler step failed"), what_(std::move(what)), reason_(std::move(reason)) {}

std::wstring StepError::Message() const {
    if (reason_.empty()) return what_;
    return what_ + L"\n\n理由: " + reason_;
}

std::wstring DescribeCurrentError() {
    try {
        throw;
    } catch (const StepError& error) {
        return error.Message();
    } catch (const files::FileSelectionError& error) {
        return error.Message();
    } catch (const ops::OpsError& error) {
        return win::ToWide(error.message());
    } catch (const win::ComError& error) {
        return StepError(L"処理を続けられませんでした（" + error.member() + L" が失敗しました）。", error.Reason())
            .Message();
    } catch (const ListLimitError&) {
        return L"一覧には 32,767 個を超える項目を入れられません。処理を中止しました。";
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
