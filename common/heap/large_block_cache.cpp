#include "heap/large_block_cache.h"

namespace zelmo::heap {

void* LargeBlockCache::Take(std::size_t size, std::size_t* capacity) noexcept {
    const std::lock_guard<std::mutex> hold(lock_);
    std::size_t best = count_;
    for (std::size_t i = 0; i < count_; ++i) {
        const std::size_t c = slots_[i].capacity;
        if (c < size || c / 2 > size) continue;  // too small, or would waste more than half
        if (best == count_ || c < slots_[best].capacity) best = i;
    }
    if (best == count_) return nullptr;
    void* block = slots_[best].block;
    if (capacity) *capacity = slots_[best].capacity;
    RemoveAt(best);
    return block;
}

bool LargeBlockCache::Keep(void* block, std::size_t capacity, void** evicted) noexcept {
    *evicted = nullptr;
    if (block == nullptr || capacity < kLargeFrom || capacity > maxBytes_ / 2 || maxBlocks_ == 0) return false;
    const std::lock_guard<std::mutex> hold(lock_);
    // Room is made by dropping the oldest block; one block at most, so that a free never turns
    // into many.
    if (count_ == maxBlocks_ || bytes_ + capacity > maxBytes_) {
        if (count_ == 0) return false;
        const Slot oldest = slots_[0];
        RemoveAt(0);
        if (count_ == maxBlocks_ || bytes_ + capacity > maxBytes_) {
            // Still no room: keep what was there and let the caller free the new block.
            for (std::size_t i = count_; i > 0; --i) slots_[i] = slots_[i - 1];
            slots_[0] = oldest;
            ++count_;
            bytes_ += oldest.capacity;
            return false;
        }
        *evicted = oldest.block;
    }
    slots_[count_++] = Slot{block, capacity};
    bytes_ += capacity;
    return true;
}

void LargeBlockCache::RemoveAt(std::size_t index) noexcept {
    bytes_ -= slots_[index].capacity;
    for (std::size_t i = index + 1; i < count_; ++i) slots_[i - 1] = slots_[i];
    --count_;
    slots_[count_] = Slot{};
}

std::size_t LargeBlockCache::keptBlocks() const noexcept {
    const std::lock_guard<std::mutex> hold(lock_);
    return count_;
}

std::size_t LargeBlockCache::keptBytes() const noexcept {
    const std::lock_guard<std::mutex> hold(lock_);
    return bytes_;
}

}  // namespace zelmo::heap
