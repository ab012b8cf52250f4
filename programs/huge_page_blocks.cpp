// The program's allocation policy for large blocks: linked into the two programs, the
// benchmarks (which measure what the program does) and its own test program, never into a
// library or the other tests.
//
// Large blocks on huge pages. Pictures, decoded files and images are blocks of many
// megabytes that are written once from start to end; taking their memory from the system
// 4 KiB page by page costs a page fault each, and page faults are expensive (on a virtual
// machine more than the work on the pixels). The program therefore asks for transparent
// huge pages (2 MiB) for every block of at least 4 MiB: such a block is aligned to 2 MiB
// and advised with MADV_HUGEPAGE, which systems whose huge page setting is "madvise" (the
// usual default) honour; elsewhere the advice changes nothing. (The last huge page of a
// block may be partly unused: from 4 MiB on, that is at most half as much again.) Blocks
// stay ordinary malloc blocks (the standard operator delete frees them); only where they
// lie changes, never their contents.
// Sanitizer builds keep the standard operator new: AddressSanitizer pairs its own new with
// its own delete.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARLEN_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VARLEN_ASAN 1
#endif

#include "programs/huge_page_blocks.h"

#if defined(__linux__) && !defined(VARLEN_ASAN)
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = varlen::kHugePageSize;
constexpr std::size_t kLargeBlock = varlen::kHugePageBlockMin;

void* AllocateLarge(std::size_t size) {
    if (size > SIZE_MAX - kHugePage) {
        return nullptr;
    }
    const std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p != nullptr) {
        madvise(p, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
    }
    return p;
}

}  // namespace

void* operator new(std::size_t size) {
    for (;;) {
        void* p = size >= kLargeBlock ? AllocateLarge(size) : std::malloc(size == 0 ? 1 : size);
        if (p != nullptr) {
            return p;
        }
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

bool varlen::HugePageBlocksActive() {
    return true;
}
#else
bool varlen::HugePageBlocksActive() {
    return false;
}
#endif
