#include "server_fixture.h"

namespace zelmo::standin_test {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void ServerTest::SetUp() {
    ASSERT_TRUE(WaitNoServer(10000)) << "a server process was running before the test";
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = std::make_unique<test::ScratchFolder>(std::wstring(name.begin(), name.end()));
    journal_ = *folder_ / L"journal.txt";
    SetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", journal_.c_str());
    SetFaults(L"");
}

void ServerTest::TearDown() {
    EXPECT_TRUE(WaitNoServer(10000)) << "a server process was left behind";
    SetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", nullptr);
    SetFaults(L"");
    folder_.reset();
}

bool Answers(const Dispatch& object, const IID& iid) {
    IUnknown* other = nullptr;
    if (!object || FAILED(object.get()->QueryInterface(iid, reinterpret_cast<void**>(&other)))) return false;
    other->Release();
    return true;
}

bool ServerTest::JournalHas(const std::wstring& part) const {
    for (const auto& line : Journal())
        if (line.find(part) != std::wstring::npos) return true;
    return false;
}

void ServerTest::SetFaults(const std::wstring& rules) {
    SetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", rules.empty() ? nullptr : rules.c_str());
}

}  // namespace zelmo::standin_test
