#include "server_journal.h"

#include <algorithm>
#include <fstream>

namespace zelmo::test {

std::vector<std::string> ReadJournal(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> CallsOf(const std::vector<std::string>& journal, const std::string& member) {
    std::vector<std::string> found;
    for (const auto& line : journal) {
        if (line.find("." + member + " ") != std::string::npos) found.push_back(line);
    }
    return found;
}

bool AnyLineHas(const std::vector<std::string>& journal, const std::string& text) {
    return std::any_of(journal.begin(), journal.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace zelmo::test
