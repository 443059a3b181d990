// Units below the public API: formula sheet references, localSheetId renumbering, style remapping
// and the shared-string table.
#include <gtest/gtest.h>

#include <zlib.h>

#include <thread>

#include "defined_names.h"
#include "parallel_deflate.h"
#include "shared_strings.h"
#include "style_mapper.h"
#include "styles.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

TEST(DefinedNames, SheetReferencesAreRenamedOutsideStringLiterals) {
    const struct {
        const char* formula;
        const char* from;
        const char* to;
        const char* expected;
    } cases[] = {
        {"Sheet1!$A$1:$B$2", "Sheet1", "Sheet1 (2)", "'Sheet1 (2)'!$A$1:$B$2"},
        {"'My Sheet'!$1:$1", "My Sheet", "Plain", "Plain!$1:$1"},
        {"'It''s'!A1", "It's", "It's (2)", "'It''s (2)'!A1"},
        {"Sheet1!A1,Sheet1!B2", "Sheet1", "X", "X!A1,X!B2"},
        {"MySheet1!A1+Sheet1!A1", "Sheet1", "X", "MySheet1!A1+X!A1"},  // only whole names
        {"\"Sheet1!A1\"&Sheet1!A1", "Sheet1", "X", "\"Sheet1!A1\"&X!A1"},
        {"'Other Sheet1'!A1", "Sheet1", "X", "'Other Sheet1'!A1"},
        {"データ!$A$1", "データ", "データ (2)", "'データ (2)'!$A$1"},
        {"Sheet1!A1", "Sheet1", "A1", "'A1'!A1"},  // a name that reads as a cell is quoted
    };
    for (const auto& c : cases) EXPECT_EQ(RenameSheetInFormula(c.formula, c.from, c.to), c.expected) << c.formula;
}

TEST(DefinedNames, LocalSheetIdsShiftOnInsertAndRemove) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<definedNames><definedName name='a' localSheetId='0'>x</definedName>"
        "<definedName name='b' localSheetId='1'>x</definedName><definedName name='c'>x</definedName>"
        "<definedName name='d' localSheetId='3'>x</definedName></definedNames>"));
    pugi::xml_node names = doc.first_child();
    ShiftLocalSheetIds(names, 1, 1);  // a sheet inserted at 1
    EXPECT_EQ(names.find_child_by_attribute("name", "a").attribute("localSheetId").as_int(), 0);
    EXPECT_EQ(names.find_child_by_attribute("name", "b").attribute("localSheetId").as_int(), 2);
    EXPECT_FALSE(names.find_child_by_attribute("name", "c").attribute("localSheetId"));
    EXPECT_EQ(names.find_child_by_attribute("name", "d").attribute("localSheetId").as_int(), 4);
    RemoveNamesOfSheet(names, 2);  // and sheet 2 removed
    ShiftLocalSheetIds(names, 3, -1);
    EXPECT_FALSE(names.find_child_by_attribute("name", "b"));
    EXPECT_EQ(names.find_child_by_attribute("name", "d").attribute("localSheetId").as_int(), 3);
}

std::unique_ptr<Styles> StylesOf(const std::string& body, const std::string& colors = "") {
    return Styles::Parse("<styleSheet xmlns='" + std::string(kNsMain) + "'>" + body + colors + "</styleSheet>", "s");
}

TEST(StyleMapping, RecordsAreRemappedReusedAndCustomFormatsRenumbered) {
    auto source = StylesOf(
        "<numFmts><numFmt numFmtId='164' formatCode='0.000'/><numFmt numFmtId='200' formatCode='yyyy'/></numFmts>"
        "<fonts><font><sz val='11'/></font><font><b/><sz val='11'/></font></fonts>"
        "<fills><fill><patternFill patternType='none'/></fill><fill><patternFill patternType='gray125'/></fill></fills>"
        "<borders><border/></borders>"
        "<cellStyleXfs><xf numFmtId='0' fontId='0' fillId='0' borderId='0'/></cellStyleXfs>"
        "<cellXfs><xf numFmtId='0' fontId='0' fillId='0' borderId='0' xfId='0'/>"
        "<xf numFmtId='200' fontId='1' fillId='0' borderId='0' xfId='0'/>"
        "<xf numFmtId='164' fontId='0' fillId='0' borderId='0' xfId='0'/>"
        "<xf numFmtId='14' fontId='1' fillId='0' borderId='0' xfId='0'/></cellXfs>"
        "<cellStyles><cellStyle name='Normal' xfId='0' builtinId='0'/></cellStyles>"
        "<dxfs><dxf><font><i/></font></dxf></dxfs>");
    auto target = StylesOf(
        "<numFmts><numFmt numFmtId='164' formatCode='yyyy'/><numFmt numFmtId='170' formatCode='#'/></numFmts>"
        "<fonts><font><b/><sz val='11'/></font></fonts>"
        "<fills><fill><patternFill patternType='none'/></fill></fills><borders><border/></borders>"
        "<cellStyleXfs><xf numFmtId='0' fontId='0' fillId='0' borderId='0'/></cellStyleXfs>"
        "<cellXfs><xf numFmtId='0' fontId='0' fillId='0' borderId='0' xfId='0'/></cellXfs>"
        "<cellStyles><cellStyle name='標準' xfId='0' builtinId='0'/></cellStyles>");
    StyleMapper mapper(*source, *target);
    const std::uint32_t dated = mapper.CellXf(1);
    const std::uint32_t decimals = mapper.CellXf(2);
    EXPECT_EQ(mapper.CellXf(1), dated);  // remembered
    pugi::xml_node xf = target->At(Styles::List::CellXfs, dated);
    EXPECT_STREQ(xf.attribute("numFmtId").value(), "164");  // the target's "yyyy" is reused
    EXPECT_STREQ(xf.attribute("fontId").value(), "0");      // the equal bold font too
    EXPECT_STREQ(target->At(Styles::List::CellXfs, decimals).attribute("numFmtId").value(), "171");
    ASSERT_NE(target->NumFmtCode(171), nullptr);
    EXPECT_EQ(*target->NumFmtCode(171), "0.000");
    EXPECT_STREQ(target->At(Styles::List::CellXfs, mapper.CellXf(3)).attribute("numFmtId").value(), "14");
    EXPECT_EQ(mapper.CellXf(99), 0u);  // a dangling index reads as the default format
    EXPECT_EQ(mapper.Dxf(0), 0u);
    EXPECT_EQ(target->Size(Styles::List::Dxfs), 1u);
    // The source's Normal style maps onto the target's built-in Normal, not a second one.
    EXPECT_STREQ(xf.attribute("xfId").value(), "0");
    const std::string written = target->Write();
    EXPECT_NE(written.find("<cellXfs count=\"" + std::to_string(target->Size(Styles::List::CellXfs)) + "\""),
              std::string::npos);
    EXPECT_EQ(written.find("builtinId=\"0\"", written.find("builtinId=\"0\"") + 1), std::string::npos);
}

TEST(StyleMapping, IndexedColoursBecomeRgbWhenThePalettesDiffer) {
    std::string palette = "<colors><indexedColors>";
    for (int i = 0; i < 64; ++i) palette += i == 10 ? "<rgbColor rgb='FF123456'/>" : "<rgbColor rgb='FF000000'/>";
    palette += "</indexedColors></colors>";
    const std::string body =
        "<fonts><font><color indexed='10'/></font><font><color indexed='64'/></font></fonts>"
        "<fills><fill><patternFill/></fill></fills><borders><border/></borders>"
        "<cellStyleXfs><xf/></cellStyleXfs>"
        "<cellXfs><xf fontId='0' xfId='0'/><xf fontId='1' xfId='0'/></cellXfs>";
    auto custom = StylesOf(body, palette);
    auto plain = StylesOf(body);
    {
        StyleMapper mapper(*custom, *plain);
        pugi::xml_node font = plain->At(Styles::List::Fonts, plain->At(Styles::List::CellXfs, mapper.CellXf(0))
                                                                  .attribute("fontId").as_uint());
        EXPECT_STREQ(font.child("color").attribute("rgb").value(), "FF123456");
        pugi::xml_node system = plain->At(Styles::List::Fonts, plain->At(Styles::List::CellXfs, mapper.CellXf(1))
                                                                    .attribute("fontId").as_uint());
        EXPECT_STREQ(system.child("color").attribute("indexed").value(), "64");  // system colour kept
    }
    auto same = StylesOf(body);
    StyleMapper mapper(*same, *plain);
    EXPECT_STREQ(plain->At(Styles::List::Fonts, 0).child("color").attribute("indexed").value(), "10");
    EXPECT_EQ(mapper.CellXf(0), 0u);
}

TEST(SharedStringTable, ItemsKeepRunsAndAreDeduplicated) {
    SharedStrings sst = SharedStrings::Parse(
        "<x:sst xmlns:x='" + std::string(kNsMain) + "' count='9'><x:si><x:t>a</x:t></x:si>"
        "<x:si><x:r><x:rPr><x:b/></x:rPr><x:t xml:space='preserve'> b </x:t></x:r></x:si>"
        "<x:si><x:t>東京</x:t><x:rPh sb='0' eb='2'><x:t>トウキョウ</x:t></x:rPh></x:si></x:sst>",
        "sst");
    ASSERT_EQ(sst.Size(), 3u);
    EXPECT_EQ(sst.Item(1), "<si><r><rPr><b/></rPr><t xml:space=\"preserve\"> b </t></r></si>");
    EXPECT_EQ(sst.Item(2), "<si><t>東京</t><rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh></si>");
    EXPECT_EQ(sst.Add(std::string(sst.Item(2))), 2u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(sst.Add("<si><t>n" + std::to_string(i) + "</t></si>"), 3u + i);
    EXPECT_EQ(sst.Add("<si><t>n5</t></si>"), 8u);
    sst.Truncate(3, 9);
    EXPECT_EQ(sst.Size(), 3u);
    EXPECT_EQ(sst.Add("<si><t>n5</t></si>"), 3u);
    const std::string xml = sst.Write();
    EXPECT_NE(xml.find("uniqueCount=\"4\""), std::string::npos);
    SharedStrings again = SharedStrings::Parse(xml, "sst");
    EXPECT_EQ(again.Item(1), sst.Item(1));
}

}  // namespace
}  // namespace zelmo::xlsx

namespace zelmo::xlsx {
namespace {

std::string Inflate(const std::string& raw, std::size_t size) {
    std::string out(size, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return rc == Z_STREAM_END && z.avail_out == 0 ? out : std::string("inflate failed");
}

TEST(ParallelDeflate, BlocksJoinIntoOneStreamWithTheRightCrc) {
    std::string big;
    for (int i = 0; big.size() < (5u << 20) + 12345; ++i) big += "<c r=\"A" + std::to_string(static_cast<long long>(i) * 7919 % 100003) + "\"/>";
    const std::vector<std::string_view> inputs{big, "", "small"};
    const auto out = DeflateAll(inputs, 6);
    ASSERT_EQ(out.size(), 3u);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(out[i].size, inputs[i].size());
        EXPECT_EQ(Inflate(out[i].data, inputs[i].size()), inputs[i]);
        EXPECT_EQ(out[i].crc, crc32(0L, reinterpret_cast<const Bytef*>(inputs[i].data()),
                                    static_cast<uInt>(inputs[i].size())));
    }
    EXPECT_LT(out[0].data.size(), big.size() / 4);
}

// The helper threads are shared by every caller and reused from call to call: saves running at
// once on several threads, over and over, must each get their own parts back whole.
TEST(ParallelDeflate, CallsAtOnceAndOneAfterAnotherEachGetTheirOwnResult) {
    std::vector<std::string> texts(4);
    for (std::size_t t = 0; t < texts.size(); ++t)
        for (int i = 0; texts[t].size() < (600u << 10) + t * 1000; ++i)
            texts[t] += "<c r=\"B" + std::to_string(i * (t + 3)) + "\"/>";
    std::vector<int> good(texts.size(), 0);
    std::vector<std::thread> callers;
    for (std::size_t t = 0; t < texts.size(); ++t)
        callers.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                const auto out = DeflateAll({texts[t], texts[(t + 1) % texts.size()]}, 1);
                if (out.size() == 2 && Inflate(out[0].data, texts[t].size()) == texts[t] &&
                    Inflate(out[1].data, out[1].size) == texts[(t + 1) % texts.size()])
                    ++good[t];
            }
        });
    for (auto& c : callers) c.join();
    for (std::size_t t = 0; t < texts.size(); ++t) EXPECT_EQ(good[t], 20) << "caller " << t;
    EXPECT_TRUE(DeflateAll({}, 6).empty());
}

}  // namespace
}  // namespace zelmo::xlsx
