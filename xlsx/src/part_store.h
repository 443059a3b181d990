// The zip container of a package: its entries by name, read lazily from the original bytes, with
// replaced or added entries held in memory. libzip does all the zip and deflate work.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parallel_deflate.h"
#include "zip_handle.h"

namespace zelmo::xlsx {

// Bounds on what a package may hold, against zip bombs and absurd inputs.
struct PackageLimits {
    std::uint64_t maxEntries = 20000;
    std::uint64_t maxEntrySize = 1536ull << 20;     // one part, uncompressed
    std::uint64_t maxTotalSize = 3072ull << 20;     // all parts, uncompressed
    std::uint64_t ratioCheckFrom = 1ull << 20;      // parts smaller than this are not ratio-checked
    std::uint64_t maxRatio = 600;                    // uncompressed / compressed
};

class PartStore {
public:
    // Opens the zip in `bytes`; throws Error for anything that is not a sound zip within `limits`.
    static std::unique_ptr<PartStore> Open(std::string bytes, const PackageLimits& limits = {});
    static std::unique_ptr<PartStore> Empty();
    PartStore(const PartStore&) = delete;
    PartStore& operator=(const PartStore&) = delete;

    bool Has(const std::string& name) const;
    // The uncompressed content of a part (throws Error Corrupt when it cannot be inflated).
    std::string Read(const std::string& name) const;
    void Write(const std::string& name, std::string data);
    // Stores a big part deflated right away (on every core), so that a workbook collecting many
    // copied sheets holds them compressed.
    void WriteDeflated(const std::string& name, std::string_view data);
    // Makes `name` hold a part deflated beforehand: saving writes its bytes as they are.
    void WriteDeflated(const std::string& name, const Deflated& deflated);
    // Makes `name` hold part `fromName` of `from` as it is stored there: saving copies its
    // compressed bytes without inflating them (`from` is kept alive as long as needed).
    void CopyFrom(const std::string& name, const std::shared_ptr<const PartStore>& from, const std::string& fromName);
    void Remove(const std::string& name);
    std::vector<std::string> Names() const;
    // Finds an entry name ignoring ASCII case (zip names in packages are case-insensitive).
    std::string FindName(const std::string& name) const;

    // The whole package as zip bytes. Unchanged entries are copied without inflating them again.
    std::string Save() const;

private:
    PartStore() = default;
    struct Entry {
        std::int64_t sourceIndex = -1;  // index in the original zip, or -1 when held in `data`
        std::string data;
        std::uint64_t size = 0;
        std::shared_ptr<const PartStore> origin;  // the store whose zip `sourceIndex` refers to, if not this
        bool deflated = false;                    // `data` is a raw deflate stream of `size` bytes with `crc`
        std::uint32_t crc = 0;
    };
    static std::string Inflate(zip_t* zip, std::int64_t index, std::uint64_t size, const std::string& name);
    std::string bytes_;
    std::map<std::string, Entry> entries_;
    std::map<std::string, std::string> lowerNames_;  // ASCII-lowered name -> entry name, for FindName
    std::vector<std::string> order_;  // entry order as read, new entries appended
    ZipArchive zip_;  // the zip read from bytes_: declared last, so that it goes before them
};

// Reads the first bytes of a non-zip file and throws the Error that explains it (encrypted, .xls, ...).
[[noreturn]] void ThrowNotAZip(std::string_view bytes);

}  // namespace zelmo::xlsx
