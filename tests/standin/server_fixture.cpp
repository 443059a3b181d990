#include "server_fixture.h"

#include "xlsx/workbook.h"

namespace zelmo::standin_test {

void ServerTest::SetUp() {
    ASSERT_TRUE(WaitNoServer(10000)) << "a server process was running before the test";
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = std::make_unique<ScratchFolder>(std::wstring(name.begin(), name.end()));
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
    win::ComPtr<IUnknown> other;
    return object && SUCCEEDED(object.get()->QueryInterface(iid, other.put_void()));
}

bool ServerTest::JournalHas(const std::wstring& part) const {
    for (const auto& line : Journal())
        if (line.find(part) != std::wstring::npos) return true;
    return false;
}

void ServerTest::SetFaults(const std::wstring& rules) {
    SetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", rules.empty() ? nullptr : rules.c_str());
}

void ServerTest::MakeBook(const std::wstring& path, const std::vector<std::string>& sheetNames) {
    // A new book starts with "Sheet1": it stays where the list names it, or goes at the end.
    xlsx::Workbook book = xlsx::Workbook::CreateNew();
    const xlsx::Workbook blank = xlsx::Workbook::CreateNew();
    bool keepFirst = false;
    size_t position = 0;
    for (const std::string& name : sheetNames) {
        if (name == "Sheet1") {
            keepFirst = true;
        } else {
            book.CopySheet(blank, 0, position, name);
        }
        ++position;
    }
    if (!keepFirst) book.RemoveSheet(position);
    WriteBytes(path, book.SaveToBytes());
}

std::vector<std::string> ServerTest::SheetNamesOf(const std::wstring& path) {
    std::vector<std::string> names;
    try {
        for (const auto& info : xlsx::Workbook::Open(ReadBytes(path)).Sheets()) names.push_back(info.name);
    } catch (const xlsx::Error&) {
    }
    return names;
}

}  // namespace zelmo::standin_test
