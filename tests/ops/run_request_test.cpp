// The run request: which names, in which order, how many, and which operation starts.
#include "ops/run_request.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ops/errors.h"

namespace zelmo::ops {
namespace {

class ListStub : public SelectionList {
public:
    ListStub(std::vector<std::u16string> texts, std::set<int32_t> selected, int32_t count = -1)
        : texts_(std::move(texts)), selected_(std::move(selected)), count_(count) {}
    int32_t Count() const override {
        ++countReads;
        return count_ >= 0 ? count_ : static_cast<int32_t>(texts_.size());
    }
    bool Selected(int32_t i) const override { return selected_.count(i) != 0; }
    std::u16string Text(int32_t i) const override {
        return i < static_cast<int32_t>(texts_.size()) ? texts_[static_cast<std::size_t>(i)]
                                                       : u"x.xlsx";
    }
    mutable int countReads = 0;

private:
    std::vector<std::u16string> texts_;
    std::set<int32_t> selected_;
    int32_t count_;
};

const std::vector<std::u16string> kNames = {u"a.xlsx", u"b.xlsx", u"c.xlsx", u"d.xlsx"};

TEST(RunRequest, GathersTheModesListInListOrder) {
    struct Case {
        const char* what;
        int16_t mode;
        std::set<int32_t> bookSelected;
        std::set<int32_t> seetSelected;
        Operation operation;
        std::u16string fileList;
        int16_t fileCount;
    };
    const Case cases[] = {
        {"merge, entries 0, 2, 3",
         1,
         {0, 2, 3},
         {1},
         Operation::kMerge,
         u"a.xlsx|c.xlsx|d.xlsx",
         3},
        {"merge, one entry: no separator", 1, {1}, {}, Operation::kMerge, u"b.xlsx", 1},
        {"merge, nothing selected: still merge", 1, {}, {0}, Operation::kMerge, u"", 0},
        {"split reads its own list", 2, {0, 1}, {3}, Operation::kSplit, u"d.xlsx", 1},
        {"split, nothing selected: still split", 2, {0}, {}, Operation::kSplit, u"", 0},
        {"compare mode starts nothing", 3, {0}, {0}, Operation::kNone, u"", 0},
        {"no mode starts nothing", 0, {0}, {0}, Operation::kNone, u"", 0},
    };
    for (const auto& c : cases) {
        const ListStub books(kNames, c.bookSelected);
        const ListStub seets(kNames, c.seetSelected);
        const RunRequestResult r = RunRequest(c.mode, books, seets);
        EXPECT_EQ(r.operation, c.operation) << c.what;
        EXPECT_EQ(ToUtf8(r.fileList), ToUtf8(c.fileList)) << c.what;
        EXPECT_EQ(r.fileCount, c.fileCount) << c.what;
    }
}

TEST(RunRequest, EmptyListAndRepeatedPresses) {
    const ListStub empty({}, {});
    const RunRequestResult none = RunRequest(1, empty, empty);
    EXPECT_EQ(none.operation, Operation::kMerge);
    EXPECT_TRUE(none.fileList.empty());
    EXPECT_EQ(none.fileCount, 0);

    // Each press builds the request anew: the second gives the same, nothing doubled.
    const ListStub books(kNames, {0, 2});
    const RunRequestResult first = RunRequest(1, books, empty);
    const RunRequestResult second = RunRequest(1, books, empty);
    EXPECT_EQ(ToUtf8(second.fileList), "a.xlsx|c.xlsx");
    EXPECT_EQ(ToUtf8(first.fileList), ToUtf8(second.fileList));
    EXPECT_EQ(second.fileCount, 2);
    EXPECT_EQ(books.countReads, 2);  // once per press
}

TEST(RunRequest, SixteenBitLimits) {
    std::set<int32_t> all;
    for (int32_t i = 0; i < 32767; ++i) all.insert(i);
    const ListStub full({}, all, 32767);
    const ListStub none({}, {});
    EXPECT_EQ(RunRequest(1, full, none).fileCount, 32767);

    const ListStub tooLong({}, {}, 32768);
    EXPECT_THROW(RunRequest(1, tooLong, none), CountOverflowError);
    // A list that is too long is not an error in a mode that reads no list.
    EXPECT_EQ(RunRequest(3, tooLong, tooLong).operation, Operation::kNone);
}

}  // namespace
}  // namespace zelmo::ops
