#include "fake_excel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_constants.h"

namespace zelmo::ops::fake {

std::string U8(const std::u16string& text) { return ToUtf8(text); }

OperationContext Context(FakeExcel& excel, const std::u16string& fileList, int16_t fileCount,
                         const std::u16string& folder) {
    return OperationContext{folder, fileList, fileCount, excel, excel};
}

void ExpectCleanEnd(const FakeExcel& excel, const std::string& what) {
    EXPECT_EQ(excel.quits, excel.started) << what;
    EXPECT_EQ(excel.live, 0) << what;
    ASSERT_EQ(excel.messages.size(), 1u) << what;
    EXPECT_EQ(excel.quitsAtMessage[0], excel.started) << what;
    if (!excel.showFirst) {
        EXPECT_EQ(excel.liveAtMessage[0], 0) << what;
    }
}

namespace {

// Every fake object counts itself alive until it is released.
class Counted {
public:
    explicit Counted(FakeExcel& excel) : excel_(excel) { ++excel_.live; }
    ~Counted() { --excel_.live; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

protected:
    FakeExcel& excel_;
};

std::string Label(const SheetData& sheet) { return U8(sheet.book->name) + "!" + U8(sheet.name); }

std::u16string UniqueName(const BookData& book, const std::u16string& name) {
    const auto taken = [&](const std::u16string& candidate) {
        return std::any_of(book.sheets.begin(), book.sheets.end(),
                           [&](const auto& s) { return s->name == candidate; });
    };
    if (!taken(name)) return name;
    for (int n = 2;; ++n) {
        std::u16string candidate = name + u" (" + Decimal(n) + u")";
        if (!taken(candidate)) return candidate;
    }
}

class FakeSheet : public Sheet, Counted {
public:
    FakeSheet(FakeExcel& excel, std::shared_ptr<SheetData> data)
        : Counted(excel), data_(std::move(data)) {}

    void CopyBefore(Sheet& anchor) override { CopyNextTo(anchor, "CopyBefore", 0); }
    void CopyAfter(Sheet& anchor) override { CopyNextTo(anchor, "CopyAfter", 1); }
    std::u16string Name() override {
        excel_.Call(Label(*data_) + ".Name");
        return data_->name;
    }

    const std::shared_ptr<SheetData>& data() const { return data_; }

private:
    void CopyNextTo(Sheet& anchor, const char* call, std::ptrdiff_t offset) {
        const auto& where = static_cast<FakeSheet&>(anchor).data();
        excel_.Call(Label(*data_) + "." + call + "(" + Label(*where) + ")");
        BookData& book = *where->book;
        auto copy = std::make_shared<SheetData>(
            SheetData{UniqueName(book, data_->name), data_->chart, &book});
        const auto at = std::find(book.sheets.begin(), book.sheets.end(), where);
        book.sheets.insert(at + offset, copy);
    }

    std::shared_ptr<SheetData> data_;
};

class FakeEnumerator : public SheetEnumerator, Counted {
public:
    FakeEnumerator(FakeExcel& excel, std::shared_ptr<BookData> book)
        : Counted(excel), book_(std::move(book)) {}

    std::unique_ptr<Sheet> Next() override {
        const std::string call = U8(book_->name) + ".Sheets.Next";
        if (next_ >= book_->sheets.size()) {
            excel_.Call(call, "end");
            return nullptr;
        }
        const auto& sheet = book_->sheets[next_];
        excel_.Call(call, U8(sheet->name));
        ++next_;
        return std::make_unique<FakeSheet>(excel_, sheet);
    }

private:
    std::shared_ptr<BookData> book_;
    std::size_t next_ = 0;
};

class FakeSheets : public SheetCollection, Counted {
public:
    FakeSheets(FakeExcel& excel, std::shared_ptr<BookData> book)
        : Counted(excel), book_(std::move(book)) {}

    int32_t Count() override {
        const auto count =
            excel_.countOverride.value_or(static_cast<int32_t>(book_->sheets.size()));
        excel_.Call(U8(book_->name) + ".Sheets.Count", std::to_string(count));
        return count;
    }
    std::unique_ptr<Sheet> Item(int32_t index, IndexWidth width) override {
        const std::string call = U8(book_->name) + ".Sheets.Item(" + std::to_string(index) +
                                 (width == IndexWidth::k16 ? ":I2)" : ":I4)");
        if (index < 1 || static_cast<std::size_t>(index) > book_->sheets.size()) {
            excel_.Call(call + " out of range");
            throw ExcelError(static_cast<int32_t>(0x8002000Bu), u"",
                             u"インデックスが有効範囲にありません。");
        }
        const auto& sheet = book_->sheets[static_cast<std::size_t>(index) - 1];
        excel_.Call(call, U8(sheet->name));
        return std::make_unique<FakeSheet>(excel_, sheet);
    }
    std::unique_ptr<SheetEnumerator> Enumerate() override {
        excel_.Call(U8(book_->name) + ".Sheets.Enum");
        return std::make_unique<FakeEnumerator>(excel_, book_);
    }

private:
    std::shared_ptr<BookData> book_;
};

}  // namespace

class FakeWorkbook : public Workbook, Counted {
public:
    FakeWorkbook(FakeExcel& excel, std::shared_ptr<BookData> book)
        : Counted(excel), book_(std::move(book)) {}

    std::unique_ptr<SheetCollection> Sheets() override {
        excel_.Call(U8(book_->name) + ".Sheets");
        return std::make_unique<FakeSheets>(excel_, book_);
    }
    void SaveAs(const std::u16string& path) override {
        excel_.Call(U8(book_->name) + ".SaveAs " + U8(path));
        std::vector<std::string> names;
        for (const auto& sheet : book_->sheets) names.push_back(U8(sheet->name));
        excel_.saved_[path] = names;
        excel_.savedOrder.push_back(U8(path));
    }

private:
    std::shared_ptr<BookData> book_;
};

namespace {

class FakeApplication : public ExcelApplication, Counted {
public:
    explicit FakeApplication(FakeExcel& excel) : Counted(excel) {}

    std::unique_ptr<Workbook> OpenWorkbook(const std::u16string& path) override {
        const std::string call = "Open " + U8(path);
        const auto file = excel_.files.find(path);
        if (file == excel_.files.end()) {
            excel_.Call(call + " missing");
            throw ExcelError(test::kExcelErrorCode, u"Microsoft Excel",
                             u"'" + path + u"' が見つかりません。");
        }
        excel_.Call(call);
        const std::size_t slash = path.rfind(u'\\');
        auto book = excel_.NewBook(slash == std::u16string::npos ? path : path.substr(slash + 1));
        for (const auto& def : file->second) {
            book->sheets.push_back(
                std::make_shared<SheetData>(SheetData{def.name, def.chart, book.get()}));
        }
        return std::make_unique<FakeWorkbook>(excel_, book);
    }
    std::unique_ptr<Workbook> AddWorkbook() override {
        const std::u16string name = u"Book" + Decimal(excel_.nextBookNumber);
        excel_.Call("Add", U8(name));
        ++excel_.nextBookNumber;
        auto book = excel_.NewBook(name);
        book->sheets.push_back(
            std::make_shared<SheetData>(SheetData{u"Sheet1", false, book.get()}));
        return std::make_unique<FakeWorkbook>(excel_, book);
    }
    void Quit() override {
        ++excel_.quits;
        excel_.Call("Quit");
    }
};

}  // namespace

std::unique_ptr<ExcelApplication> FakeExcel::CreateExcel() {
    Call("CreateExcel");
    ++started;
    return std::make_unique<FakeApplication>(*this);
}

void FakeExcel::Show(const std::u16string& text) {
    messages.push_back(text);
    liveAtMessage.push_back(live);
    quitsAtMessage.push_back(quits);
}

void FakeExcel::ShowWhile(const std::u16string& text, const std::function<bool()>& step) {
    if (!showFirst) {
        MessageSink::ShowWhile(text, step);
        return;
    }
    Show(text);
    while (step()) {
    }
}

std::optional<std::vector<std::string>> FakeExcel::Saved(const std::u16string& path) const {
    const auto it = saved_.find(path);
    if (it == saved_.end()) return std::nullopt;
    return it->second;
}

void FakeExcel::Call(const std::string& text, const std::string& result) {
    const bool fail = (failAt && *failAt == log.size()) ||
                      std::find(failCalls.begin(), failCalls.end(), text) != failCalls.end();
    if (fail) {
        log.push_back(text + " !");
        throw ExcelError(failCode.value_or(test::kExcelErrorCode), u"Microsoft Excel", kFakeReason, u"test");
    }
    log.push_back(result.empty() ? text : text + " = " + result);
}

std::shared_ptr<BookData> FakeExcel::NewBook(std::u16string name) {
    auto book = std::make_shared<BookData>();
    book->name = std::move(name);
    books_.push_back(book);
    return book;
}

}  // namespace zelmo::ops::fake
