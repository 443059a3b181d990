// Reading the stand-in server's call journal: one line per automation call,
//   <ms> <object label>.<member> <GET|PUT|METHOD>(<arguments>) lcid=<LCID> -> <result>
// and lines of the server's own events starting with "server".
#pragma once

#include <string>
#include <vector>

namespace zelmo::e2e {

struct JournalCall {
    std::string member;  // "Open", "Count", "_Default", ...
    std::string kind;    // how it was invoked: "GET", "PUT", "METHOD|GET", ...
    std::string args;    // between the parentheses
    std::string lcid;    // "1033"
    std::string result;  // after "-> "
    std::string line;
};

// The call lines of a journal, in order; server event lines are left out.
std::vector<JournalCall> ParseCalls(const std::vector<std::string>& lines);

}  // namespace zelmo::e2e
