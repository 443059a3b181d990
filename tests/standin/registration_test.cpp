// Registration refuses to shadow or remove another program registered as Excel.Application, the
// interfaces' type library is found through them, and a server whose client process dies without
// releasing its references does not linger.
#include "server_fixture.h"
#include "win/handles.h"
#include "win/type_library.h"

namespace zelmo::standin_test {
namespace {

const std::wstring kClsidKey = L"CLSID\\{00024500-0000-0000-C000-000000000046}";

std::wstring ReadValue(const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<none>";
    return buffer;
}

void WriteValue(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    win::UniqueRegKey handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                             handle.put(), nullptr));
    RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void DeleteValue(const std::wstring& key, const wchar_t* name) { RegDeleteKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name); }

// Starts a program; its process handle, or an empty one.
win::UniqueHandle Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return {};
    const win::UniqueHandle thread(process.hThread);  // not needed: closed on return
    return win::UniqueHandle(process.hProcess);
}

// Runs a program to its end; its exit code, or ~0 when it could not run.
DWORD RunProgram(const std::wstring& exe, const std::wstring& arguments) {
    const win::UniqueHandle process = Start(exe, arguments);
    if (!process) return ~0u;
    WaitForSingleObject(process.get(), 30000);
    DWORD code = ~0u;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

std::wstring SelfPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}


std::wstring ServerExe() {
    std::wstring command = ReadValue(kClsidKey + L"\\LocalServer32", nullptr);
    if (!command.empty() && command.front() == L'"') command = command.substr(1, command.find(L'"', 1) - 1);
    return command;
}

// Puts the stand-in's registration back, whatever a test did to it.
class RegistrationRestorer {
public:
    explicit RegistrationRestorer(std::wstring exe) : exe_(std::move(exe)) {}
    RegistrationRestorer(const RegistrationRestorer&) = delete;
    RegistrationRestorer& operator=(const RegistrationRestorer&) = delete;
    ~RegistrationRestorer() {
        WriteValue(kClsidKey + L"\\LocalServer32", nullptr, L"\"" + exe_ + L"\"");
        WriteValue(kClsidKey, L"ZelmoStandin", L"1");
        WriteValue(L"Excel.Application\\CLSID", nullptr, L"{00024500-0000-0000-C000-000000000046}");
        EXPECT_EQ(0u, RunProgram(exe_, L"--register-testbed"));
    }

private:
    std::wstring exe_;
};

TEST_F(ServerTest, RegistrationLeavesAnotherExcelApplicationAlone) {
    const std::wstring exe = ServerExe();
    ASSERT_NE(L"<none>", exe);
    {
        RegistrationRestorer restore(exe);
        const std::wstring other = L"\"C:\\Program Files\\Other\\EXCEL.EXE\" /automation";
        struct Case {
            const char* what;
            bool foreignServer;
            const wchar_t* progIdClsid;
        } cases[] = {
            {"another local server under the class", true, L"{00024500-0000-0000-C000-000000000046}"},
            {"the ProgID bound to another class", false, L"{00000000-1111-2222-3333-444444444444}"},
        };
        for (const Case& c : cases) {
            if (c.foreignServer) {
                WriteValue(kClsidKey + L"\\LocalServer32", nullptr, other);
                DeleteValue(kClsidKey, L"ZelmoStandin");
            }
            WriteValue(L"Excel.Application\\CLSID", nullptr, c.progIdClsid);
            const std::wstring before = ReadValue(kClsidKey + L"\\LocalServer32", nullptr);
            EXPECT_EQ(1u, RunProgram(exe, L"--register-testbed")) << c.what;
            EXPECT_EQ(1u, RunProgram(exe, L"--unregister-testbed")) << c.what;
            EXPECT_EQ(before, ReadValue(kClsidKey + L"\\LocalServer32", nullptr)) << c.what;
            EXPECT_EQ(c.progIdClsid, ReadValue(L"Excel.Application\\CLSID", nullptr)) << c.what;
            WriteValue(kClsidKey + L"\\LocalServer32", nullptr, L"\"" + exe + L"\"");
            WriteValue(kClsidKey, L"ZelmoStandin", L"1");
            WriteValue(L"Excel.Application\\CLSID", nullptr, L"{00024500-0000-0000-C000-000000000046}");
        }
    }
    // Restored: a client gets the stand-in again, and registering twice changes nothing.
    EXPECT_EQ(0u, RunProgram(exe, L"--register-testbed"));
    EXPECT_EQ(L"\"" + exe + L"\"", ReadValue(kClsidKey + L"\\LocalServer32", nullptr));
    EXPECT_FALSE(FailureOf([] { StartExcel().Call(L"Quit"); }).failed);
}

TEST_F(ServerTest, ServerEndsWhenItsClientProcessDiesHoldingReferences) {
    // The child takes an application and a workbook, then dies without releasing either.
    EXPECT_EQ(3u, RunProgram(SelfPath(), kHoldExcelAndDie));
    EXPECT_TRUE(WaitNoServer(5000));
    EXPECT_TRUE(JournalHas(L"server end: the client process ended"));
}

TEST_F(ServerTest, AnOpenOverwriteQuestionIsAnsweredNoWhenTheClientDies) {
    const std::wstring target = *folder_ / L"keep.xlsx";
    WriteBytes(target, "the old file");
    win::UniqueHandle child = Start(SelfPath(), std::wstring(kSaveOverAndWait) + L" \"" + target + L"\"");
    ASSERT_TRUE(child);
    EXPECT_NE(nullptr, test::WaitForServerQuestion(15000));
    TerminateProcess(child.get(), 9);
    WaitForSingleObject(child.get(), 5000);
    child.reset();
    EXPECT_TRUE(WaitNoServer(5000));
    EXPECT_EQ("the old file", ReadBytes(target));
    EXPECT_TRUE(JournalHas(L"server overwrite confirmation answered No"));
}

// The library that the marshaler reads for the worksheet interface is the one the client and the
// server hold loaded; an interface without one, or naming a library that is not registered, has none.
TEST_F(ServerTest, TheTypeLibraryOfAnInterfaceIsFoundThroughItsRegistration) {
    const win::ComPtr<ITypeLib> library = win::LoadTypeLibraryOf(kIidWorksheet);
    ASSERT_TRUE(library);
    win::ComPtr<ITypeInfo> worksheet;
    EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(kIidWorksheet, worksheet.put()));

    constexpr IID kNowhere = {0x6b1d9f3e, 0x52a7, 0x4c0b, {0x9e, 0x11, 0x3d, 0x70, 0xa5, 0x2c, 0x88, 0x14}};
    EXPECT_FALSE(win::LoadTypeLibraryOf(kNowhere));
    const std::wstring key = L"Interface\\{6B1D9F3E-52A7-4C0B-9E11-3D70A52C8814}";
    WriteValue(key + L"\\TypeLib", nullptr, L"{6B1D9F3E-0000-4C0B-9E11-3D70A52C8814}");
    WriteValue(key + L"\\TypeLib", L"Version", L"1.0");
    EXPECT_FALSE(win::LoadTypeLibraryOf(kNowhere));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
}

}  // namespace
}  // namespace zelmo::standin_test
