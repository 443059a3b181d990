// Move-only owners of libzip's archives (zip_t) and sources (zip_source_t), and the zip written into
// memory that saving and the tests' package builder share. Each owner frees its handle exactly once;
// an archive is written only by an explicit Close, which reports whether libzip could write it.
#pragma once

#include <string>
#include <string_view>
#include <utility>

typedef struct zip zip_t;
typedef struct zip_source zip_source_t;

namespace zelmo::xlsx {

// One owner template for both kinds of handle; Traits names the type and how it is freed.
template <class Traits>
class ZipOwner {
public:
    using type = typename Traits::type;

    ZipOwner() noexcept = default;
    explicit ZipOwner(type* value) noexcept : value_(value) {}
    ZipOwner(ZipOwner&& other) noexcept : value_(other.release()) {}
    ZipOwner& operator=(ZipOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ZipOwner(const ZipOwner&) = delete;
    ZipOwner& operator=(const ZipOwner&) = delete;
    ~ZipOwner() { reset(); }

    type* get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != nullptr; }
    // Gives up ownership without freeing (to libzip, when a call takes the handle over).
    type* release() noexcept { return std::exchange(value_, nullptr); }
    void reset(type* value = nullptr) noexcept {
        if (type* old = std::exchange(value_, value)) Traits::destroy(old);
    }

private:
    type* value_ = nullptr;
};

// An archive that is not closed is discarded: nothing is written.
struct ZipArchiveTraits {
    using type = zip_t;
    static void destroy(zip_t* archive) noexcept;
};
// Sources count references (zip_source_keep); freeing drops ours.
struct ZipSourceTraits {
    using type = zip_source_t;
    static void destroy(zip_source_t* source) noexcept;
};
using ZipArchive = ZipOwner<ZipArchiveTraits>;
using ZipSource = ZipOwner<ZipSourceTraits>;

// Writes the archive (zip_close) and lets it go. False when libzip could not write it: the archive
// is then discarded, so the owner is empty either way.
[[nodiscard]] bool Close(ZipArchive& archive);

// An archive over zip bytes in memory (which must outlive it), opened with libzip's `flags`
// (ZIP_RDONLY...); empty when libzip cannot read them as a zip.
ZipArchive OpenZipBytes(std::string_view bytes, int flags);

// A new archive writing into a buffer in memory. The buffer is referenced by the archive and by
// this owner, so the bytes can be read once the archive is closed. `archive` is empty when libzip
// cannot make the archive, and both are when it cannot even make the buffer.
struct MemoryZip {
    ZipSource buffer;  // declared first: it outlives the archive writing into it
    ZipArchive archive;
};
MemoryZip CreateMemoryZip();
// What was written into a memory zip's buffer after its archive was closed; "" when nothing can be read.
std::string WrittenBytes(const MemoryZip& zip);

}  // namespace zelmo::xlsx
