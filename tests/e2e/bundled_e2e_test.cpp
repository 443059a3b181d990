// Without Excel: where the class "Excel.Application" does not exist, the program registers the
// server beside it under its own class for the current user, and merges and splits through it;
// with no server beside it, the message says what is needed.
#include <gtest/gtest.h>

#include <string>

#include "e2e_fixture.h"
#include "ops/bundled_server.h"
#include "ops/com_excel.h"
#include "test_constants.h"

namespace zelmo::e2e {
namespace {

const std::wstring kBundledClsidKey = std::wstring(L"CLSID\\") + ops::kBundledClsidText;

std::wstring ReadDefault(const std::wstring& key) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<none>";
    return buffer;
}

void RemoveBundledRegistration() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kBundledClsidKey.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ops::kBundledProgId);
}

// The build's programs folder (bin), two levels above this test program's.
fs::path ServerFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path().parent_path().parent_path() / "bin";
}

class WithoutExcel : public EndToEndTest {
protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        RemoveBundledRegistration();
    }
    void TearDown() override {
        RemoveBundledRegistration();
        EndToEndTest::TearDown();
    }
    // Operations that find no Excel class and look for the server in `folder`.
    void NoExcelClass(const fs::path& folder) {
        ops::ComExcelOptions options;
        options.progId = L"ExcelZelmo.NoSuchApplication";
        options.bundledFolder = folder.wstring();
        window().SetExcelFactory([options] { return std::make_unique<ops::ComExcelFactory>(options); });
    }
};

TEST_F(WithoutExcel, TheServerBesideTheProgramDoesTheWorkUnderItsOwnClass) {
    // Unpacked into a folder whose name holds Japanese and a blank.
    const fs::path unpacked = folder_.parent_path() / L"付属 サーバー";
    fs::create_directories(unpacked);
    const fs::path server = unpacked / ops::kBundledServerFile;
    fs::copy_file(ServerFolder() / ops::kBundledServerFile, server);
    NoExcelClass(unpacked);
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});
    EXPECT_EQ(Run().message, L"新ExcelFile.xlsxでコピーしました");
    EXPECT_EQ(SheetsOf(folder_ / test::kMergedBook), (Names{"Sheet1", "a1", "a2", "b1"}));
    EXPECT_TRUE(test::AnyLineHas(Journal(), "class=ExcelZelmo.SheetServer")) << "not the bundled server's class";
    EXPECT_EQ(ReadDefault(std::wstring(ops::kBundledProgId) + L"\\CLSID"), ops::kBundledClsidText);
    EXPECT_EQ(ReadDefault(kBundledClsidKey + L"\\LocalServer32"), ops::BundledServerCommand(server.wstring()));
    // Its class names no type library: no interface is registered for it.
    EXPECT_EQ(ReadDefault(kBundledClsidKey + L"\\TypeLib"), L"<none>");
    EXPECT_TRUE(NoServerLeft());

    // A registration that points elsewhere (the program was moved) is put right.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, (kBundledClsidKey + L"\\LocalServer32").c_str(), 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const std::wstring stale = L"\"C:\\moved\\ZelmoSheetServer.exe\" --bundled";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(stale.c_str()),
                   static_cast<DWORD>((stale.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    MakeBook(folder_ / "Book1.xlsx", {"s1", "s2"});
    LoadSplit(folder_);
    Select(L"List_Seet", {L"Book1.xlsx"});
    UseJournal("split");
    EXPECT_EQ(Run().message, L"Book1.xlsx分割しました");
    EXPECT_EQ(SheetsOf(folder_ / L"新Book1.1.xlsx"), (Names{"s1", "Sheet1"}));
    EXPECT_EQ(SheetsOf(folder_ / L"新Book1.2.xlsx"), (Names{"s2", "Sheet1"}));
    EXPECT_EQ(ReadDefault(kBundledClsidKey + L"\\LocalServer32"), ops::BundledServerCommand(server.wstring()));
    EXPECT_TRUE(test::AnyLineHas(Journal(), "class=ExcelZelmo.SheetServer"));
}

TEST_F(WithoutExcel, NeitherExcelNorTheServerSaysWhatIsNeeded) {
    const fs::path empty = folder_.parent_path() / "no-server";
    fs::create_directories(empty);
    NoExcelClass(empty);
    MakeBook(folder_ / "a.xlsx", {"a1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx"});
    const std::wstring message = Run().message;
    EXPECT_EQ(message.rfind(L"Excel を起動できなかったため、処理を中止しました。", 0), 0u) << U8(message);
    EXPECT_NE(message.find(L"Excel か、付属のサーバー ZelmoSheetServer.exe"), std::wstring::npos) << U8(message);
    EXPECT_FALSE(fs::exists(folder_ / test::kMergedBook));
    EXPECT_EQ(ReadDefault(kBundledClsidKey + L"\\LocalServer32"), L"<none>");  // nothing registered
}

}  // namespace
}  // namespace zelmo::e2e
