#include "server_fixture.h"

#include "server_journal.h"

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
    test::SetServerJournal(journal_);
    SetServerFaults(L"");
}

void ServerTest::TearDown() {
    EXPECT_TRUE(WaitNoServer(10000)) << "a server process was left behind";
    test::SetServerJournal(L"");
    SetServerFaults(L"");
    folder_.reset();
}

bool Answers(const Dispatch& object, const IID& iid) {
    IUnknown* other = nullptr;
    if (!object || FAILED(object.get()->QueryInterface(iid, reinterpret_cast<void**>(&other)))) return false;
    other->Release();
    return true;
}

bool ServerTest::JournalHas(const std::wstring& part) const {
    return test::AnyLineHas(test::ReadJournal(journal_), Utf8(part));
}

}  // namespace zelmo::standin_test
