#include "server_settings.h"

#include <windows.h>

namespace zelmo::test {
namespace {

void SetOrClear(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

}  // namespace

void SetServerJournal(const std::wstring& file) { SetOrClear(L"ZELMO_STANDIN_JOURNAL", file); }

void SetServerFaults(const std::wstring& rules) { SetOrClear(L"ZELMO_STANDIN_FAULTS", rules); }

}  // namespace zelmo::test
