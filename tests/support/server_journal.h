// The stand-in server's journal as the tests read it: a UTF-8 text file with one line per
// automation call ("<ms> <object>.<member> <kind>(<arguments>) lcid=<LCID> -> <result>") and lines
// of the server's own events ("<ms> server start", "<ms> server exit", ...).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zelmo::test {

// The journal's lines, without their line ends; none when there is no journal.
std::vector<std::string> ReadJournal(const std::filesystem::path& file);

// The lines of calls of `member` ("Open", "SaveAs", "Copy", ...).
std::vector<std::string> CallsOf(const std::vector<std::string>& journal, const std::string& member);

// Whether any line holds `text`.
bool AnyLineHas(const std::vector<std::string>& journal, const std::string& text);

}  // namespace zelmo::test
