// A small store of freed large memory blocks, kept for the next request of a similar size.
//
// The Windows heap hands every block from about 512 KB up straight to the system and takes it
// back on free, so a buffer that is made, filled and dropped again and again (a part inflated,
// parsed, rewritten and deflated, workbook after workbook) comes back as fresh pages each time,
// and the first touch of every page is a fault. The engine's large buffers come and go in a
// steady rhythm, so a few blocks kept aside serve most of the next requests.
//
// Portable and self-contained so that its rules can be tested anywhere; the Windows programs that
// run the engine route their global operator new and delete through one of these.
#pragma once

#include <cstddef>
#include <mutex>

namespace zelmo::heap {

class LargeBlockCache {
public:
    // Requests from this size up are served from, and returned to, the store.
    static constexpr std::size_t kLargeFrom = 256 * 1024;
    // Large blocks are allocated in whole multiples of this, so that sizes that differ a little
    // share blocks.
    static constexpr std::size_t kGranule = 64 * 1024;

    // At most `maxBlocks` (up to kSlots) blocks and `maxBytes` bytes are kept.
    static constexpr std::size_t kSlots = 16;
    LargeBlockCache(std::size_t maxBlocks, std::size_t maxBytes) noexcept
        : maxBlocks_(maxBlocks < kSlots ? maxBlocks : kSlots), maxBytes_(maxBytes) {}
    LargeBlockCache(const LargeBlockCache&) = delete;
    LargeBlockCache& operator=(const LargeBlockCache&) = delete;

    // The size to allocate for a large request of `size` bytes.
    static constexpr std::size_t Rounded(std::size_t size) noexcept {
        const std::size_t rounded = (size + kGranule - 1) / kGranule * kGranule;
        return rounded < size ? size : rounded;  // no wrap-around near the top of size_t
    }

    // A kept block of at least `size` bytes and at most twice that (the smallest such), taken
    // out of the store; nullptr when none fits. `capacity` receives its size.
    void* Take(std::size_t size, std::size_t* capacity = nullptr) noexcept;

    // Offers a freed block of `capacity` bytes. True when it is kept; false when the caller must
    // free it. `evicted` receives a block that made room for it (the oldest kept one), which the
    // caller frees, or nullptr.
    bool Keep(void* block, std::size_t capacity, void** evicted) noexcept;

    std::size_t keptBlocks() const noexcept;
    std::size_t keptBytes() const noexcept;

private:
    struct Slot {
        void* block;
        std::size_t capacity;
    };
    void RemoveAt(std::size_t index) noexcept;

    mutable std::mutex lock_;
    Slot slots_[kSlots] = {};  // oldest first
    std::size_t count_ = 0;
    std::size_t bytes_ = 0;
    std::size_t maxBlocks_;
    std::size_t maxBytes_;
};

}  // namespace zelmo::heap
