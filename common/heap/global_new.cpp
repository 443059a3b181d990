// The global operator new and delete of a Windows program that runs the workbook engine: large
// blocks go through a LargeBlockCache (see there why), everything else straight to the C runtime.
// Linked into such a program as an object file, so that it replaces the library's operators.
#include <malloc.h>

#include <cstdlib>
#include <new>

#include <pugixml.hpp>

#include "heap/large_block_cache.h"

namespace {

using zelmo::heap::LargeBlockCache;

// Up to 16 blocks and 96 MB: a few parts' worth of buffers of the largest workbooks.
LargeBlockCache& Cache() noexcept {
    alignas(LargeBlockCache) static unsigned char storage[sizeof(LargeBlockCache)];
    // Never destroyed: static destructors that run late may still free blocks.
    static LargeBlockCache* const cache = new (storage) LargeBlockCache(16, 96u * 1024 * 1024);
    return *cache;
}

void* Allocate(std::size_t size) noexcept {
    if (size >= LargeBlockCache::kLargeFrom) {
        if (void* kept = Cache().Take(size)) return kept;
        size = LargeBlockCache::Rounded(size);
    }
    return std::malloc(size == 0 ? 1 : size);
}

// `size` is what was asked for, when known; only large blocks need the runtime's own record.
void Release(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size < LargeBlockCache::kLargeFrom) {
        std::free(block);
        return;
    }
    void* evicted = nullptr;
    if (!Cache().Keep(block, _msize(block), &evicted)) std::free(block);
    std::free(evicted);
}

void* AllocateOrThrow(std::size_t size) {
    for (;;) {
        if (void* block = Allocate(size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

// pugixml's own allocations (document pages and the copies of parsed buffers) take the same road.
void* PugiAllocate(std::size_t size) { return Allocate(size); }
void PugiDeallocate(void* block) { Release(block, block == nullptr ? 0 : _msize(block)); }
const bool kPugiRouted = (pugi::set_memory_management_functions(PugiAllocate, PugiDeallocate), true);

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

// An unsized delete asks the runtime for the block's size, which is its capacity.
void operator delete(void* block) noexcept { Release(block, block == nullptr ? 0 : _msize(block)); }
void operator delete[](void* block) noexcept { Release(block, block == nullptr ? 0 : _msize(block)); }
void operator delete(void* block, std::size_t size) noexcept { Release(block, size); }
void operator delete[](void* block, std::size_t size) noexcept { Release(block, size); }
void operator delete(void* block, const std::nothrow_t&) noexcept { operator delete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { operator delete[](block); }
