#include "server_fixture.h"

#include "server_journal.h"

namespace zelmo::standin_test {

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
    win::ComPtr<IUnknown> other;
    return object && SUCCEEDED(object.get()->QueryInterface(iid, other.put_void()));
}

bool ServerTest::JournalHas(const std::wstring& part) const {
    return test::AnyLineHas(test::ReadJournal(journal_), Utf8(part));
}

}  // namespace zelmo::standin_test
