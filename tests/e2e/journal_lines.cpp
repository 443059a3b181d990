#include "journal_lines.h"

#include <regex>

namespace zelmo::e2e {

std::vector<JournalCall> ParseCalls(const std::vector<std::string>& lines) {
    // "<ms> <label>.<member> <kind>(<args>) lcid=<LCID> -> <result>"; the label may hold dots and
    // blanks inside quotes (a workbook's name), but never a member name followed by a kind.
    static const std::regex call(R"(\.([A-Za-z_]+) ([A-Z|]+)\((.*)\) lcid=([0-9]+) -> (.*)$)");
    std::vector<JournalCall> calls;
    for (const auto& line : lines) {
        if (line.find(" server ") == line.find(' ')) continue;  // the server's own events
        std::smatch m;
        if (!std::regex_search(line, m, call)) continue;
        calls.push_back({m[1], m[2], m[3], m[4], m[5], line});
    }
    return calls;
}

}  // namespace zelmo::e2e
