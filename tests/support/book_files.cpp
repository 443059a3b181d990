#include "book_files.h"

#include <fstream>
#include <iterator>

#include "xlsx/workbook.h"

namespace zelmo::test {

void MakeBook(const std::filesystem::path& path, const std::vector<std::string>& sheets) {
    xlsx::Workbook book = xlsx::Workbook::CreateNew();
    const xlsx::Workbook blank = xlsx::Workbook::CreateNew();
    bool keepOwnSheet = false;
    std::size_t position = 0;
    for (const std::string& name : sheets) {
        if (name == "Sheet1") {
            keepOwnSheet = true;
        } else {
            book.CopySheet(blank, 0, position, name);
        }
        ++position;
    }
    // The copies went in front of the own sheet, which now stands at `position`.
    if (!keepOwnSheet) book.RemoveSheet(position);
    book.SaveFile(path);
}

std::vector<std::string> SheetsOf(const std::filesystem::path& path) {
    std::vector<std::string> names;
    try {
        for (const auto& sheet : xlsx::Workbook::OpenFile(path).Sheets()) names.push_back(sheet.name);
    } catch (const xlsx::Error&) {
        names.clear();
    }
    return names;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace zelmo::test
