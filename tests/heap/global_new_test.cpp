// The global operator new and delete of the programs that run the engine on Windows, as linked
// into this test program.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace {

TEST(GlobalNew, AFreedLargeBlockServesTheNextRequestOfASimilarSize) {
    const void* first = nullptr;
    {
        std::vector<char> buffer(3 * 1024 * 1024, 'a');
        first = buffer.data();
    }
    const void* second = nullptr;
    {
        std::vector<char> again(3 * 1024 * 1024 - 100, 'b');
        second = again.data();
        EXPECT_EQ(second, first);
        EXPECT_EQ(again.front(), 'b');
        EXPECT_EQ(again.back(), 'b');
    }
    // The block is kept again, but a much smaller large request does not take it.
    std::vector<char> small(512 * 1024, 'c');
    EXPECT_NE(static_cast<const void*>(small.data()), second);
    std::vector<char> fits(2 * 1024 * 1024, 'd');
    EXPECT_EQ(static_cast<const void*>(fits.data()), second);
}

TEST(GlobalNew, EveryFormOfNewAndDeleteKeepsItsContents) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{300 * 1024},
                             std::size_t{5 * 1024 * 1024}}) {
        std::unique_ptr<char[]> array(new char[size + 1]);
        array[size] = 'z';
        EXPECT_EQ(array[size], 'z');
        void* plain = ::operator new(size);
        ::operator delete(plain);
        void* nothrow = ::operator new(size, std::nothrow);
        ASSERT_NE(nothrow, nullptr);
        ::operator delete(nothrow, std::nothrow);
    }
    std::string text(1024 * 1024, 'x');
    text += text;
    EXPECT_EQ(text.size(), 2u * 1024 * 1024);
    EXPECT_EQ(text.find_first_not_of('x'), std::string::npos);
}

TEST(GlobalNew, PugixmlParsesLargeDocumentsThroughTheSameHeap) {
    for (int round = 0; round < 3; ++round) {
        std::string xml = "<sheetData>";
        for (int r = 1; r <= 20000; ++r) xml += "<row r=\"" + std::to_string(r) + "\"><c><v>1</v></c></row>";
        xml += "</sheetData>";
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_buffer(xml.data(), xml.size()));
        EXPECT_EQ(doc.child("sheetData").last_child().attribute("r").as_int(), 20000);
    }
}

}  // namespace
