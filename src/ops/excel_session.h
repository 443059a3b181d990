// One Excel instance for the length of an operation. Whatever way the operation leaves, the
// instance is told to quit and its reference dropped, so that no Excel process outlives it.
#pragma once

#include <memory>
#include <vector>

#include "ops/excel.h"

namespace zelmo::ops {

class ExcelSession {
public:
    explicit ExcelSession(ExcelFactory& factory) : factory_(factory) {}
    ~ExcelSession() { End(); }
    ExcelSession(const ExcelSession&) = delete;
    ExcelSession& operator=(const ExcelSession&) = delete;

    // The instance, started on first use. Throws ExcelError when Excel cannot be started.
    ExcelApplication& App();

    // `Application.Quit`, once per started instance. A failing quit is not reported: the
    // reference is dropped all the same, and an automation instance with no references left
    // ends by itself.
    void Quit() noexcept;
    // Drops the reference to the instance (after Quit).
    void Release() noexcept { app_.reset(); }
    // Quit, then Release.
    void End() noexcept;
    // How both operations end: Quit, then the closing message `text`. While it is on screen,
    // `sheet`, the references the adapter held back (ExcelApplication::DropHeldReference) and the
    // instance are dropped, then `book` and `books`, one reference at a time
    // (MessageSink::ShowWhile): through COM each is a call to Excel, one or two per workbook, and
    // a split of hundreds of sheets would otherwise hold its message back for a second. All are
    // dropped when this returns, so the instance can end while the user reads the message.
    void EndWithMessage(MessageSink& messages, const std::u16string& text, std::unique_ptr<Sheet>& sheet,
                        std::unique_ptr<Workbook>& book, std::vector<std::unique_ptr<Workbook>>& books);

private:
    ExcelFactory& factory_;
    std::unique_ptr<ExcelApplication> app_;
    bool quitSent_ = false;
};

}  // namespace zelmo::ops
