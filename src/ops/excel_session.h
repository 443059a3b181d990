// One Excel instance for the length of an operation. Whatever way the operation leaves, the
// instance is told to quit and its reference dropped, so that no Excel process outlives it.
#pragma once

#include <memory>

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

private:
    ExcelFactory& factory_;
    std::unique_ptr<ExcelApplication> app_;
    bool quitSent_ = false;
};

}  // namespace zelmo::ops
