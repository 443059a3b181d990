// The shared-string table: each item kept as its raw <si> XML (plain, rich and phonetic runs alike),
// so copying a string between workbooks carries every run unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelmo::xlsx {

class SharedStrings {
public:
    // Reads a sharedStrings part; items keep the default namespace whatever prefix the part used.
    static SharedStrings Parse(std::string_view xml, const std::string& partName);
    std::string Write() const;

    std::size_t Size() const { return items_.size(); }
    const std::string& Item(std::size_t i) const { return items_[i]; }
    // The index of an item equal to `si` (raw <si> XML), added when new.
    std::uint32_t Add(const std::string& si);
    // Counts one more cell referring to the table (the part's `count` attribute).
    void CountReference(std::uint64_t n = 1) { references_ += n; }
    bool Changed() const { return changed_; }
    std::uint64_t References() const { return references_; }
    // Undoes the additions after a failed copy: keeps the first `size` items.
    void Truncate(std::size_t size, std::uint64_t references);

private:
    void BuildIndex();
    std::vector<std::string> items_;
    std::unordered_map<std::string_view, std::uint32_t> index_;
    bool indexed_ = false;
    bool changed_ = false;
    std::uint64_t references_ = 0;
};

}  // namespace zelmo::xlsx
