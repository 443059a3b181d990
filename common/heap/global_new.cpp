// The heap of a Windows program that runs the workbook engine: every operator new and delete, and
// pugixml's own allocations, go to mimalloc instead of the C runtime's heap.
//
// The engine makes a great many small allocations (strings, XML nodes, map entries) and, per part,
// a few large buffers. The system heap takes a lock and searches its free lists for each of them
// and hands every large block back to the system on free, so that it comes back as fresh pages;
// under Wine that was about half of the engine's time, more as a server holds more workbooks.
// mimalloc serves small blocks from per-thread pages and keeps freed memory for reuse.
//
// Linked into such a program as an object file (zelmo_global_new), never into a library.
#include <mimalloc-new-delete.h>

#include <pugixml.hpp>

namespace {

void* PugiAllocate(std::size_t size) { return mi_malloc(size); }
void PugiDeallocate(void* block) { mi_free(block); }

// Before any document is made: pugixml frees with the function it allocated with.
[[maybe_unused]] const bool kPugiOnMimalloc =
    (pugi::set_memory_management_functions(PugiAllocate, PugiDeallocate), true);

}  // namespace
