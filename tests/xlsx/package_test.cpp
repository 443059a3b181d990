// Opening and saving packages: what is refused and how, round trips, atomic saving.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <zip.h>

#include <filesystem>
#include <fstream>

#include "part_store.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"
#include "zip_handle.h"

namespace zelmo::xlsx {
namespace {

namespace fs = std::filesystem;
using test::MakeZip;
using test::MinimalWorkbook;

std::string OleFile(const std::string& streamName) {
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes.resize(1024, '\0');
    for (char ch : streamName) {
        bytes.push_back(ch);
        bytes.push_back('\0');
    }
    bytes.resize(4096, '\0');
    return bytes;
}

std::string WithContentType(const std::string& type) {
    return MakeZip({{"[Content_Types].xml",
                     "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'>"
                     "<Override PartName='/xl/workbook.bin' ContentType='" + type + "'/></Types>"},
                    {"_rels/.rels",
                     "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
                     "<Relationship Id='rId1' Type='http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships/officeDocument' Target='xl/workbook.bin'/></Relationships>"},
                    {"xl/workbook.bin", "x"}});
}

TEST(OpenPackage, BadPackagesAreRefusedWithTheirCause) {
    const std::string good = MinimalWorkbook({{"Sheet1", ""}});
    const std::string zeros(4u << 20, '\0');
    test::Parts many;
    for (int i = 0; i < 20001; ++i) many.emplace_back("p/" + std::to_string(i), "");
    const struct {
        const char* what;
        std::string bytes;
        ErrorKind kind;
        const char* message;  // a distinctive part of the Japanese message
    } cases[] = {
        {"empty file", "", ErrorKind::NotAWorkbook, "ではありません"},
        {"text file", "hello, world", ErrorKind::NotAWorkbook, "ではありません"},
        {"truncated zip", good.substr(0, good.size() / 2), ErrorKind::Corrupt, "途中で切れて"},
        {"encrypted workbook", OleFile("EncryptedPackage"), ErrorKind::Encrypted, "パスワード"},
        {"renamed .xls", OleFile("Workbook"), ErrorKind::UnsupportedFormat, ".xls"},
        {"other OLE file", OleFile("WordDocument"), ErrorKind::UnsupportedFormat, "形式"},
        {"zip without a workbook", MakeZip({{"a.txt", "x"}}), ErrorKind::NotAWorkbook, "本体"},
        {"renamed .xlsb", WithContentType("application/vnd.ms-excel.sheet.binary.macroEnabled.main"),
         ErrorKind::UnsupportedFormat, ".xlsb"},
        {"renamed .xlsm", WithContentType("application/vnd.ms-excel.sheet.macroEnabled.main+xml"),
         ErrorKind::UnsupportedFormat, ".xlsm"},
        {"zip bomb (ratio)", MakeZip({{"[Content_Types].xml", zeros}}), ErrorKind::LimitExceeded, "圧縮爆弾"},
        {"zip bomb (entries)", MakeZip(many), ErrorKind::LimitExceeded, "圧縮爆弾"},
        {"path traversal", MakeZip({{"../evil.xml", "x"}, {"[Content_Types].xml", "x"}}), ErrorKind::Corrupt,
         "不正な名前"},
        {"broken XML", MinimalWorkbook({{"Sheet1", "<row>"}}, "<unclosed>"), ErrorKind::Corrupt, "XML"},
    };
    for (const auto& c : cases) {
        try {
            Workbook::Open(c.bytes);
            ADD_FAILURE() << c.what << ": opened";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

TEST(OpenPackage, SizeLimitsApplyBeforeInflating) {
    const std::string bytes = MinimalWorkbook({{"Sheet1", std::string(100000, ' ')}});
    PackageLimits tight;
    tight.maxTotalSize = 50000;
    EXPECT_THROW(PartStore::Open(bytes, tight), Error);
    tight = PackageLimits{};
    tight.maxEntrySize = 1000;
    EXPECT_THROW(PartStore::Open(bytes, tight), Error);
    EXPECT_NO_THROW(PartStore::Open(bytes));
}

TEST(OpenPackage, MissingFilesAndFoldersAreNotFound) {
    const fs::path dir = fs::temp_directory_path() / "zelmo-xlsx-open";
    fs::create_directories(dir);
    for (const fs::path& p : {dir / "nothing.xlsx", dir}) {
        try {
            Workbook::OpenFile(p);
            ADD_FAILURE() << p;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::NotFound) << e.what();
        }
    }
    fs::remove_all(dir);
}

TEST(NewWorkbook, HasOneEmptySheetAndRoundTrips) {
    Workbook book = Workbook::CreateNew();
    ASSERT_EQ(book.SheetCount(), 1u);
    EXPECT_EQ(book.Sheets()[0].name, "Sheet1");
    EXPECT_EQ(book.Sheets()[0].kind, SheetKind::Worksheet);
    EXPECT_EQ(book.Sheets()[0].state, "visible");
    const std::string bytes = book.SaveToBytes();
    EXPECT_EQ(bytes, book.SaveToBytes());  // saving twice gives the same package
    // Readers keep the cached results of a file whose application is named as the format's own.
    pugi::xml_document app;
    app.load_string(test::ReadPart(bytes, "docProps/app.xml").c_str());
    EXPECT_STREQ(app.child("Properties").child_value("Application"), "Microsoft Excel");
    Workbook again = Workbook::Open(bytes);
    EXPECT_EQ(again.SheetCount(), 1u);
    EXPECT_EQ(again.SaveToBytes(), bytes);
}

TEST(NewWorkbook, BigPartsSurviveTheParallelDeflate) {
    std::string rows;
    for (int r = 1; r <= 30000; ++r)
        rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 3) +
                "</v></c><c r=\"B" + std::to_string(r) + "\" t=\"inlineStr\"><is><t>x" + std::to_string(r) +
                "</t></is></c></row>";
    const std::string last = "<row r=\"30000\"><c r=\"A30000\"><v>90000</v></c>";
    const Workbook source = Workbook::Open(MinimalWorkbook({{"Big", rows}}));
    // Copied into a workbook whose default format differs, so the sheet is rewritten (and stored
    // deflated), then copied again within that workbook, then its neighbour removed so that it
    // becomes the selected sheet (read back and rewritten).
    Workbook book = Workbook::CreateNew();
    book.CopySheet(source, 0, 0, "Big");
    book.CopySheet(book, 0, 2, "Big (2)");
    book.RemoveSheet(1);
    book.RemoveSheet(0);
    const std::string bytes = book.SaveToBytes();
    const Workbook again = Workbook::Open(bytes);
    ASSERT_EQ(again.SheetCount(), 1u);
    EXPECT_EQ(again.Sheets()[0].name, "Big (2)");
    std::string sheet;
    for (const auto& name : test::PartNames(bytes))
        if (name.rfind("xl/worksheets/sheet", 0) == 0) sheet = test::ReadPart(bytes, name);
    ASSERT_GT(sheet.size(), 64u << 10);
    EXPECT_NE(sheet.find("<v>90000</v>"), std::string::npos);
    EXPECT_NE(sheet.find("<t>x30000</t>"), std::string::npos);
    // A split copy of a big sheet that needs no change is copied as stored.
    const std::string split = Workbook::FromSheet(source, 0).SaveToBytes();
    EXPECT_NE(test::ReadPart(split, "xl/worksheets/sheet2.xml").find(last), std::string::npos);
}

TEST(SaveFile, ReplacesAtomicallyAndLeavesNothingOnFailure) {
    const fs::path dir = fs::temp_directory_path() / "zelmo-xlsx-save";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = dir / "結果 ブック.xlsx";
    {
        std::ofstream old(target, std::ios::binary);
        old << "old content";
    }
    Workbook book = Workbook::CreateNew();
    book.SaveFile(target);
    EXPECT_EQ(Workbook::OpenFile(target).SheetCount(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A target that cannot be written: its folder is missing, or it is a folder.
    EXPECT_THROW(book.SaveFile(dir / "missing" / "x.xlsx"), Error);
    fs::create_directories(dir / "folder.xlsx");
    try {
        book.SaveFile(dir / "folder.xlsx");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::WriteFailed);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no temporary left
    fs::remove_all(dir);
}

// libzip writes an archive only when it is closed: a write that fails then (its folder is missing)
// is reported, and the archive is discarded with what it held (the leak check sees nothing left).
TEST(ZipHandle, CloseReportsAFailedWriteAndDiscardsTheArchive) {
    const fs::path path = fs::temp_directory_path() / "zelmo-xlsx-no-such-folder" / "x.zip";
    int error = 0;
    ZipArchive archive(zip_open(path.string().c_str(), ZIP_CREATE, &error));
    ASSERT_TRUE(archive);
    const std::string text = "<x/>";
    ZipSource part(zip_source_buffer(archive.get(), text.data(), text.size(), 0));
    ASSERT_TRUE(part);
    ASSERT_GE(zip_file_add(archive.get(), "x.xml", part.get(), 0), 0);
    part.release();  // the archive holds it now
    EXPECT_FALSE(Close(archive));
    EXPECT_FALSE(archive);
    EXPECT_FALSE(fs::exists(path.parent_path()));
}

}  // namespace
}  // namespace zelmo::xlsx
