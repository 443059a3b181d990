#include "formula_scan.h"

#include "defined_names.h"

namespace zelmo::xlsx {

bool ReadQuotedSheet(const std::string& f, std::size_t i, std::string& name, std::size_t& end) {
    std::size_t j = i + 1;
    while (j < f.size()) {
        if (f[j] == '\'' && j + 1 < f.size() && f[j + 1] == '\'') {
            name += '\'';
            j += 2;
        } else if (f[j] == '\'') {
            break;
        } else {
            name += f[j++];
        }
    }
    const bool sheet = j + 1 < f.size() && f[j + 1] == '!';
    end = sheet ? j + 2 : j + 1;
    return sheet;
}

std::string ThreeDPrefix(const std::string& book, const std::string& first, const std::string& last) {
    const bool quote = QuoteSheetName(first)[0] == '\'' || QuoteSheetName(last)[0] == '\'';
    auto inner = [](const std::string& name) {  // the name as it stands inside apostrophes
        const std::string q = QuoteSheetName(name);
        return q[0] == '\'' ? q.substr(1, q.size() - 2) : q;
    };
    const std::string sheets = inner(first) + ":" + inner(last);
    return quote ? "'" + book + sheets + "'!" : book + sheets + "!";
}

}  // namespace zelmo::xlsx
