// The heap of the programs that run the engine on Windows, as linked into this test program: every
// form of new and delete, and pugixml, allocate from mimalloc and keep what they hold.
#include <gtest/gtest.h>

#include <memory>
#include <mimalloc.h>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace {

TEST(GlobalNew, EveryFormOfNewAllocatesFromMimallocAndKeepsItsContents) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{300 * 1024},
                             std::size_t{40 * 1024 * 1024}}) {
        std::unique_ptr<char[]> array(new char[size + 1]);
        EXPECT_TRUE(mi_is_in_heap_region(array.get())) << size;
        array[size] = 'z';
        EXPECT_EQ(array[size], 'z');

        void* plain = ::operator new(size);
        EXPECT_TRUE(mi_is_in_heap_region(plain)) << size;
        ::operator delete(plain, size);
        void* nothrow = ::operator new(size, std::nothrow);
        ASSERT_NE(nothrow, nullptr);
        EXPECT_TRUE(mi_is_in_heap_region(nothrow)) << size;
        ::operator delete(nothrow, std::nothrow);
    }
    auto object = std::make_unique<std::vector<int>>(1000, 7);
    EXPECT_TRUE(mi_is_in_heap_region(object.get()));
    EXPECT_TRUE(mi_is_in_heap_region(object->data()));

    std::string text(1024 * 1024, 'x');
    text += text;
    EXPECT_TRUE(mi_is_in_heap_region(text.data()));
    EXPECT_EQ(text.size(), 2u * 1024 * 1024);
    EXPECT_EQ(text.find_first_not_of('x'), std::string::npos);
}

TEST(GlobalNew, PugixmlAllocatesFromMimallocAndParsesLargeDocuments) {
    void* block = pugi::get_memory_allocation_function()(64);
    EXPECT_TRUE(mi_is_in_heap_region(block));
    pugi::get_memory_deallocation_function()(block);

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
