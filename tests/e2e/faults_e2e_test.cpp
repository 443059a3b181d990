// Each step of both operations failing in turn (the server's fault injection), through the real
// windows: the message that follows, which files exist afterwards, and no server left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "test_constants.h"
#include "win/busy_server.h"

namespace zelmo::e2e {
namespace {

struct FaultCase {
    const wchar_t* faults;             // ZELMO_STANDIN_FAULTS
    std::wstring message;              // the start of the closing message; "{F}" stands for the folder
    bool exact;                        // the whole message rather than its start
    std::vector<std::wstring> exist;   // output files afterwards (all others absent)
};

class FaultsEndToEnd : public EndToEndTest {
protected:
    void RemoveOutputs() const {
        for (const auto& entry : fs::directory_iterator(folder_)) {
            if (entry.path().filename().wstring().rfind(L"新", 0) == 0) fs::remove(entry.path());
        }
    }
    std::vector<std::wstring> Outputs() const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::wstring name = entry.path().filename().wstring();
            if (name.rfind(L"新", 0) == 0) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The description of the call the server failed on purpose.
    std::string InjectedReason() const {
        const std::string marker = std::string(test::kExcelErrorInJournal) + " \"";
        for (const auto& line : Journal()) {
            const std::size_t at = line.find(marker);
            if (at != std::string::npos) return line.substr(at + marker.size(), line.size() - at - marker.size() - 1);
        }
        return {};
    }
    void RunCases(const std::vector<FaultCase>& cases) {
        int n = 0;
        for (const FaultCase& c : cases) {
            SCOPED_TRACE(U8(std::wstring(c.faults)));
            RemoveOutputs();
            UseJournal("case" + std::to_string(++n));
            SetServerFaults(c.faults);
            const std::wstring message = Run().message;
            std::wstring expected = c.message;
            for (std::size_t at; (at = expected.find(L"{F}")) != std::wstring::npos;)
                expected.replace(at, 3, folder_.wstring());
            if (c.exact) {
                EXPECT_EQ(message, expected);
            } else {
                EXPECT_EQ(message.rfind(expected, 0), 0u) << U8(message);
                const std::string reason = InjectedReason();
                EXPECT_FALSE(reason.empty()) << "the fault was not injected";
                EXPECT_NE(U8(message).find(reason), std::string::npos) << "the server's reason is not shown";
            }
            std::vector<std::wstring> exist = c.exist;
            std::sort(exist.begin(), exist.end());
            EXPECT_EQ(Outputs(), exist);
            EXPECT_TRUE(NoServerLeft()) << "a server outlived the operation";
        }
        SetServerFaults(L"");
    }
};

TEST_F(FaultsEndToEnd, MergeStepsFailingInTurn) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});
    const std::wstring none = L"処理を中止しました。新ExcelFile.xlsx は作成していません。\n理由: ";
    RunCases({
        {L"Open:b.xlsx", L"「{F}\\b.xlsx」を開けなかったため、" + none, false, {}},
        {L"Workbooks.Add", L"新しいブックを作成できなかったため、" + none, false, {}},
        {L"Copy:a2",
         L"新ExcelFile.xlsx を保存しましたが、次のシートはコピーできなかったため入っていません。\n"
         L"・「a.xlsx」の 2 枚目のシート「a2」をコピーできませんでした。 理由: ",
         false,
         {L"新ExcelFile.xlsx"}},
        {L"SaveAs", L"「{F}\\新ExcelFile.xlsx」を保存できませんでした。新ExcelFile.xlsx は書き込まれていません。\n理由: ",
         false, {}},
        {L"Quit", L"新ExcelFile.xlsxでコピーしました", true, {L"新ExcelFile.xlsx"}},
    });
    // The copy that failed is the only sheet missing.
    SetServerFaults(L"Copy:a2");
    UseJournal("copy");
    RemoveOutputs();
    Run();
    EXPECT_EQ(SheetsOf(folder_ / test::kMergedBook), (Names{"Sheet1", "a1", "b1"}));
    SetServerFaults(L"");
}

TEST_F(FaultsEndToEnd, SplitStepsFailingInTurn) {
    MakeBook(folder_ / "Book1.xlsx", {"s1", "s2", "s3"});
    LoadSplit(folder_);
    Select(L"List_Seet", {L"Book1.xlsx"});
    const std::wstring stopped = L"分割を中止しました。\n理由: ";
    const std::wstring partly = L"「Book1.xlsx」を分割しましたが、3 枚中 2 枚だけをファイルにしました。次は失敗しました。\n・";
    RunCases({
        {L"Open", L"「{F}\\Book1.xlsx」を開けませんでした。" + stopped, false, {}},
        {L"Workbooks.Add#1", L"新しいブックを作成できませんでした。「新Book1.1.xlsx」は作成していません。" + stopped, false, {}},
        {L"Workbooks.Add#2", partly + L"新しいブックを作成できませんでした。「新Book1.2.xlsx」は作成していません。 理由: ",
         false, {L"新Book1.1.xlsx", L"新Book1.3.xlsx"}},
        {L"Copy:s1", L"1 枚目のシート「s1」をコピーできませんでした。「新Book1.1.xlsx」は作成していません。" + stopped, false, {}},
        {L"Copy:s3", partly + L"3 枚目のシート「s3」をコピーできませんでした。「新Book1.3.xlsx」は作成していません。 理由: ",
         false, {L"新Book1.1.xlsx", L"新Book1.2.xlsx"}},
        {L"SaveAs#1", L"「{F}\\新Book1.1.xlsx」を保存できませんでした。" + stopped, false, {}},
        {L"SaveAs#2", partly + L"「{F}\\新Book1.2.xlsx」を保存できませんでした。 理由: ", false,
         {L"新Book1.1.xlsx", L"新Book1.3.xlsx"}},
        {L"Quit", L"Book1.xlsx分割しました", true, {L"新Book1.1.xlsx", L"新Book1.2.xlsx", L"新Book1.3.xlsx"}},
    });
}

// The journal lines of calls the server refused as busy.
std::size_t Refusals(const std::vector<std::string>& journal) {
    return static_cast<std::size_t>(std::count_if(journal.begin(), journal.end(), [](const std::string& line) {
        return line.find("-> error 0x8001010A") != std::string::npos;
    }));
}

// A busy server refuses calls for a while: they are made again until it answers, and the
// operation ends as if it had never been busy.
TEST_F(FaultsEndToEnd, BusyServerIsWaitedFor) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});
    UseJournal("merge");
    SetServerFaults(L"Open#2=busy:1500;Workbooks.Add#1=busy:700;Copy#2=busy:1200;SaveAs=busy:700");
    EXPECT_EQ(Run().message, L"新ExcelFile.xlsxでコピーしました");
    EXPECT_EQ(SheetsOf(folder_ / test::kMergedBook), (Names{"Sheet1", "a1", "a2", "b1"}));
    EXPECT_GE(Refusals(Journal()), 8u) << "the server was not busy";
    EXPECT_TRUE(NoServerLeft());

    // With a plain rule beside the busy ones: calls refused as busy are not counted by it, so
    // "SaveAs#3" is the third save that the server took.
    MakeBook(folder_ / "Book1.xlsx", {"s1", "s2", "s3"});
    LoadSplit(folder_);
    Select(L"List_Seet", {L"Book1.xlsx"});
    UseJournal("split");
    SetServerFaults(L"Open=busy:800;Add#2=busy:800;Copy#3=busy:800;SaveAs#2=busy:800;SaveAs#3");
    const std::wstring message = Run().message;
    EXPECT_EQ(message.rfind(L"「Book1.xlsx」を分割しましたが、3 枚中 2 枚だけをファイルにしました。", 0), 0u) << U8(message);
    EXPECT_TRUE(fs::exists(folder_ / L"新Book1.1.xlsx"));
    EXPECT_TRUE(fs::exists(folder_ / L"新Book1.2.xlsx"));
    EXPECT_FALSE(fs::exists(folder_ / L"新Book1.3.xlsx"));
    EXPECT_EQ(SheetsOf(folder_ / L"新Book1.2.xlsx"), (Names{"s2", "Sheet1"}));
    EXPECT_GE(Refusals(Journal()), 4u) << "the server was not busy";
    SetServerFaults(L"");
}

// Busy for longer than the client waits: the step fails with a true message, and no server is
// left behind.
TEST_F(FaultsEndToEnd, BusyPastTheBoundStopsWithATrueMessage) {
    MakeBook(folder_ / "a.xlsx", {"a1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx"});
    win::SetBusyRetryBoundMs(1500);
    SetServerFaults(L"Open=busy:600000");
    const std::wstring message = Run().message;
    win::SetBusyRetryBoundMs(60000);
    SetServerFaults(L"");
    EXPECT_EQ(message, L"「" + folder_.wstring() +
                           L"\\a.xlsx」を開けなかったため、処理を中止しました。新ExcelFile.xlsx は作成していません。\n"
                           L"理由: Excel が応答しません。ほかの処理中のため、2 秒待っても呼び出しを受け付けませんでした。");
    EXPECT_FALSE(fs::exists(folder_ / test::kMergedBook));
    EXPECT_TRUE(NoServerLeft()) << "a server outlived the operation";
}

}  // namespace
}  // namespace zelmo::e2e
