// Workbook files for the tests, written and read by the package engine, and files' bytes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zelmo::test {

// Writes a workbook that holds exactly these worksheets, in this order. A new workbook starts with
// its own "Sheet1": where the list names "Sheet1", that sheet stands in its place; otherwise it is
// removed. Every other sheet is an empty worksheet. Throws xlsx::Error when it cannot be written.
void MakeBook(const std::filesystem::path& path, const std::vector<std::string>& sheets);

// The sheet names of a workbook file, in order; empty when the file cannot be read as a workbook.
std::vector<std::string> SheetsOf(const std::filesystem::path& path);

// The whole content of a file ("" when it cannot be read), and a file written with these bytes.
std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace zelmo::test
