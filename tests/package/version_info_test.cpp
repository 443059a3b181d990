// The version resource and the application manifest of the two shipped programs, read back from the
// built .exe files the way Windows' file properties and loader read them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_constants.h"
#include "win/text.h"

namespace {

using zelmo::win::FromUtf8;

class VersionBlock {
public:
    explicit VersionBlock(const std::wstring& file) {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool ok() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        void* p = nullptr;
        UINT n = 0;
        if (!VerQueryValueW(data_.data(), L"\\", &p, &n) || n < sizeof(VS_FIXEDFILEINFO)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(p);
    }
    // The first language/code-page pair of the translation table, as "041104B0".
    std::wstring Translation() const {
        void* p = nullptr;
        UINT n = 0;
        if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &p, &n) || n < 4) return {};
        const auto* pair = static_cast<const WORD*>(p);
        wchar_t text[16];
        wsprintfW(text, L"%04X%04X", pair[0], pair[1]);
        return text;
    }
    std::wstring String(const std::wstring& name) const {
        const std::wstring key = L"\\StringFileInfo\\" + Translation() + L"\\" + name;
        void* p = nullptr;
        UINT n = 0;
        if (!VerQueryValueW(data_.data(), key.c_str(), &p, &n) || n == 0) return {};
        return std::wstring(static_cast<const wchar_t*>(p));
    }

private:
    std::vector<unsigned char> data_;
};

std::string Manifest(const std::wstring& file) {
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return {};
    std::string text;
    if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        if (HGLOBAL loaded = LoadResource(module, res)) {
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, res));
        }
    }
    FreeLibrary(module);
    return text;
}

struct Program {
    const wchar_t* path;
    const wchar_t* fileName;
};

class ShippedProgram : public ::testing::TestWithParam<Program> {};

TEST_P(ShippedProgram, CarriesTheProjectVersionAndNames) {
    const Program program = GetParam();
    const VersionBlock info(program.path);
    ASSERT_TRUE(info.ok()) << "no version resource";

    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD ms = MAKELONG(ZELMO_VERSION_MINOR, ZELMO_VERSION_MAJOR);
    const DWORD ls = MAKELONG(0, ZELMO_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // Japanese, Unicode: the strings must arrive as written, not through another code page.
    EXPECT_EQ(info.Translation(), L"041104B0");
    EXPECT_EQ(info.String(L"ProductName"), FromUtf8(ZELMO_PRODUCT_NAME));
    EXPECT_EQ(info.String(L"FileVersion"), FromUtf8(ZELMO_VERSION));
    EXPECT_EQ(info.String(L"ProductVersion"), FromUtf8(ZELMO_VERSION));
    EXPECT_EQ(info.String(L"LegalCopyright"), FromUtf8(ZELMO_COPYRIGHT));
    EXPECT_EQ(info.String(L"OriginalFilename"), program.fileName);
    const std::wstring description = info.String(L"FileDescription");
    EXPECT_EQ(description.rfind(FromUtf8(ZELMO_PRODUCT_NAME), 0), 0u) << "description names the product";
    EXPECT_GT(description.size(), FromUtf8(ZELMO_PRODUCT_NAME).size());
}

TEST_P(ShippedProgram, EmbedsTheManifest) {
    const std::string manifest = Manifest(GetParam().path);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource";
    // Windows 7 to Windows 10/11.
    for (const char* id : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(id), std::string::npos) << id;
    }
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">system</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"" ZELMO_VERSION ".0\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Package, ShippedProgram,
                         ::testing::Values(Program{ZELMO_APP_EXE, L"ExcelZelmo.exe"},
                                           Program{ZELMO_SERVER_EXE, zelmo::test::kServerExe}),
                         [](const auto& param) { return param.index == 0 ? "Program" : "Server"; });

}  // namespace
