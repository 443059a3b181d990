// The automation client against a real automation object: the file-system object that Windows
// (and Wine) ship, called late-bound as the program calls it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/busy_server.h"
#include "win/dispatch.h"
#include "win/handles.h"

namespace zelmo::win {
namespace {

constexpr HRESULT kPathNotFound = static_cast<HRESULT>(0x800A004C);  // CTL_E_PATHNOTFOUND

std::wstring TempFolder(const wchar_t* leaf) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + leaf;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void Touch(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
}

class DispatchTest : public testing::Test {
protected:
    CoInitScope com_;
    Dispatch fso_ = Dispatch::Create(L"Scripting.FileSystemobject");
};

TEST_F(DispatchTest, CallsMethodsWithPositionalAndNamedArguments) {
    EXPECT_EQ(fso_.Call(L"BuildPath", L"C:\\a", L"b.xlsx").ToString(), L"C:\\a\\b.xlsx");
    // Named arguments in the other order than declared land on the right parameters.
    EXPECT_EQ(fso_.Call(L"BuildPath", Named{L"Name", L"b"}, Named{L"Path", L"C:\\x"}).ToString(), L"C:\\x\\b");
    EXPECT_EQ(fso_.Call(L"GetExtensionName", L"report.xlsx.old").ToString(), L"old");
}

TEST_F(DispatchTest, EnumeratesACollectionAndReadsPropertiesThroughCachedIds) {
    const std::wstring folder = TempFolder(L"zelmo-dispatch-enum");
    std::vector<std::wstring> expected;
    for (int i = 0; i < 70; ++i) {  // more than one batch of the enumerator
        expected.push_back(L"f" + std::to_wstring(i) + L"ファイル.txt");
        Touch(folder + L"\\" + expected.back());
    }
    Dispatch files = fso_.Call(L"GetFolder", folder).ToDispatch().Get(L"Files").ToDispatch();
    EXPECT_EQ(files.Get(L"Count").ToInt32(), 70);
    std::vector<std::wstring> seen;
    DISPID nameId = DISPID_UNKNOWN;
    Dispatch::Enumerator e = files.Enumerate();
    while (std::optional<Variant> item = e.Next()) {
        Dispatch file = item->ToDispatch();
        if (nameId == DISPID_UNKNOWN) nameId = file.IdOf(L"Name");
        seen.push_back(file.GetId(nameId, L"Name").ToString());
    }
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
    for (const std::wstring& name : expected) DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(DispatchTest, OmittedOptionalArgumentsAndPropertyPut) {
    const std::wstring folder = TempFolder(L"zelmo-dispatch-put");
    const std::wstring path = folder + L"\\t.txt";
    // CreateTextFile(FileName, [Overwrite], [Unicode]): the middle one left out.
    Dispatch stream = fso_.Call(L"CreateTextFile", path, Variant::Missing(), false).ToDispatch();
    stream.Call(L"Write", L"abc");
    stream.Call(L"Close");
    Dispatch file = fso_.Call(L"GetFile", path).ToDispatch();
    EXPECT_EQ(file.Get(L"Size").ToInt32(), 3);
    file.Put(L"Attributes", int32_t{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(file.Get(L"Attributes").ToInt32() & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    file.Put(L"Attributes", int32_t{0});
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(DispatchTest, FailuresKeepTheCodeAndTheMember) {
    try {
        fso_.Call(L"GetFolder", L"C:\\no\\such\\folder-zelmo");
        FAIL() << "no error";
    } catch (const ComError& error) {
        EXPECT_EQ(error.hr(), kPathNotFound);
        EXPECT_EQ(error.member(), L"GetFolder");
    }
    try {
        fso_.Call(L"NoSuchMember");
        FAIL() << "no error";
    } catch (const ComError& error) {
        EXPECT_EQ(error.hr(), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(error.member(), L"NoSuchMember");
    }
    EXPECT_THROW(Dispatch::Create(L"Zelmo.NoSuchObject"), ComError);
    EXPECT_THROW(Variant(int32_t{1}).ToDispatch(), ComError);
    EXPECT_THROW(Dispatch().Call(L"Anything"), ComError);
}

TEST(VariantTest, OwnsAndConvertsValues) {
    Variant text(L"12");
    EXPECT_EQ(text.ToInt32(), 12);
    Variant copy = text.Copy();
    EXPECT_EQ(copy.ToString(), L"12");
    Variant moved = std::move(text);
    EXPECT_TRUE(text.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty by design
    EXPECT_EQ(Variant(int16_t{-3}).ToString(), L"-3");
    EXPECT_EQ(Variant::Missing().vt(), VT_ERROR);
    EXPECT_EQ(Variant::Missing().get().scode, DISP_E_PARAMNOTFOUND);
    moved.Clear();
    EXPECT_TRUE(moved.empty());
}


// An object that refuses its first calls the way a busy server does.
class BusyObject : public IDispatch {
public:
    int refuseNames = 0;    // GetIDsOfNames answered RPC_E_CALL_REJECTED this many times
    int refuseInvokes = 0;  // Invoke answered RPC_E_SERVERCALL_RETRYLATER this many times
    int invokes = 0;
    LONG lastArgument = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        if (refuseNames > 0) {
            --refuseNames;
            return RPC_E_CALL_REJECTED;
        }
        ids[0] = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        ++invokes;
        if (refuseInvokes > 0) {
            --refuseInvokes;
            return RPC_E_SERVERCALL_RETRYLATER;
        }
        lastArgument = params->cArgs == 1 ? params->rgvarg[0].lVal : -1;
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    }
};

TEST(BusyServer, RefusedCallsAreMadeAgainUntilAnswered) {
    BusyObject object;
    object.refuseNames = 2;
    object.refuseInvokes = 3;
    Dispatch busy{ComPtr<IDispatch>(&object)};
    EXPECT_EQ(busy.Call(L"Member", int32_t{5}).ToInt32(), 42);
    EXPECT_EQ(object.invokes, 4);
    EXPECT_EQ(object.lastArgument, 5);  // the arguments of the call that was answered
}

TEST(BusyServer, PastTheBoundTheRefusalIsTheFailure) {
    SetBusyRetryBoundMs(400);
    BusyObject object;
    object.refuseInvokes = 1000000;
    Dispatch busy{ComPtr<IDispatch>(&object)};
    const ULONGLONG start = GetTickCount64();
    try {
        busy.Call(L"Member");
        ADD_FAILURE() << "a refused call passed for an answer";
    } catch (const ComError& e) {
        EXPECT_EQ(e.hr(), RPC_E_SERVERCALL_RETRYLATER);
    }
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, 380u);
    EXPECT_LT(took, 3000u);
    EXPECT_GT(object.invokes, 2);

    // The message filter gives COM the same answer: retry while within the bound, then cancel.
    EXPECT_EQ(RetryRejectedCallAnswer(100, SERVERCALL_RETRYLATER), 100u);
    EXPECT_EQ(RetryRejectedCallAnswer(400, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
    EXPECT_EQ(RetryRejectedCallAnswer(0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    SetBusyRetryBoundMs(60000);
    EXPECT_EQ(RetryRejectedCallAnswer(59000, SERVERCALL_RETRYLATER), 100u);
}

}  // namespace
}  // namespace zelmo::win
