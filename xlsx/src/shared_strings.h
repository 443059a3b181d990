// The shared-string table: each item kept as its raw <si> XML (plain, rich and phonetic runs alike),
// so copying a string between workbooks carries every run unchanged. Items live in one buffer and
// the look-up for equal items is an open-addressing table of indices: big tables stay compact.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo::xlsx {

class SharedStrings {
public:
    // Reads a sharedStrings part; items keep the default namespace whatever prefix the part used.
    static SharedStrings Parse(std::string_view xml, const std::string& partName);
    std::string Write() const;

    std::size_t Size() const { return ends_.size(); }
    std::string_view Item(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(blob_).substr(begin, ends_[i] - begin);
    }
    // The index of an item equal to `si` (raw <si> XML), added when new.
    std::uint32_t Add(std::string_view si);
    // Counts one more cell referring to the table (the part's `count` attribute).
    void CountReference(std::uint64_t n = 1) { references_ += n; }
    bool Changed() const { return changed_; }
    // The table equals a part stored elsewhere that is copied instead of written.
    void MarkSaved() { changed_ = false; }
    std::uint64_t References() const { return references_; }
    std::size_t Bytes() const { return blob_.size(); }
    void Reserve(std::size_t items, std::size_t bytes) {
        ends_.reserve(items);
        blob_.reserve(bytes);
    }
    // Undoes the additions after a failed copy: keeps the first `size` items.
    void Truncate(std::size_t size, std::uint64_t references);

private:
    void Append(std::string_view si);
    void Rehash(std::size_t buckets);
    std::string blob_;
    std::vector<std::uint64_t> ends_;  // end offset of each item in blob_
    std::vector<std::uint32_t> table_;  // item index + 1, 0 for an empty slot; built on first Add
    bool changed_ = false;
    std::uint64_t references_ = 0;
};

}  // namespace zelmo::xlsx
