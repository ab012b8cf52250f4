// The programs' large-block allocation policy, linked into this test program alone: large
// blocks come aligned for huge pages and advised for them, keep what is written into them,
// go back when freed, and requests that cannot be met end in std::bad_alloc after the new
// handler has had its say.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "programs/huge_page_blocks.h"

namespace varlen {
namespace {

std::uintptr_t Address(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

// v, hidden from the compiler (which refuses impossible sizes it can see).
std::size_t Unseen(std::size_t v) {
    volatile std::size_t hidden = v;
    return hidden;
}

// Bytes the allocator holds for the program: heap chunks in use plus mapped blocks.
std::size_t BytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The VmFlags line of the mapping that holds address in /proc/self/smaps; empty when none.
std::string VmFlagsOf(std::uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> from >> dash >> to && dash == '-' &&
            line.find(':') > line.find(' ')) {
            inside = address >= from && address < to;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

class HugePageBlocks : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HugePageBlocksActive()) {
            GTEST_SKIP() << "the policy is not built in here (sanitizer build)";
        }
    }
};

TEST_F(HugePageBlocks, LargeBlocksStartOnAHugePage) {
    for (const std::size_t size :
         {kHugePageBlockMin, kHugePageBlockMin + 1, std::size_t{5} << 20, std::size_t{33} << 20}) {
        void* p = ::operator new(size);
        EXPECT_EQ(Address(p) % kHugePageSize, 0u) << size;
        ::operator delete(p);
    }
    // What the pixel buffers use: std::vector through std::allocator.
    std::vector<std::uint32_t> pixels(std::size_t{2048} * 2048);
    EXPECT_EQ(Address(pixels.data()) % kHugePageSize, 0u);
    auto array = std::make_unique<std::uint8_t[]>(std::size_t{6} << 20);
    EXPECT_EQ(Address(array.get()) % kHugePageSize, 0u);
}

TEST_F(HugePageBlocks, SmallBlocksStayOrdinaryMallocBlocks) {
    // Just below the threshold a block is malloc's own: it starts after malloc's header,
    // never on a 2 MiB boundary, and holds about what was asked, not a rounded huge page.
    for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, kHugePageBlockMin - 1}) {
        void* p = ::operator new(size);
        EXPECT_GE(malloc_usable_size(p), size);
        EXPECT_LT(malloc_usable_size(p), size + 4096) << size;
        if (size == kHugePageBlockMin - 1) {
            EXPECT_NE(Address(p) % kHugePageSize, 0u);
        }
        ::operator delete(p);
    }
    void* zero = ::operator new(0);
    void* other = ::operator new(0);
    EXPECT_NE(zero, nullptr);
    EXPECT_NE(zero, other);
    ::operator delete(zero);
    ::operator delete(other);
}

TEST_F(HugePageBlocks, LargeBlocksAreAdvisedForHugePages) {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    if (!setting) {
        GTEST_SKIP() << "this kernel has no transparent huge pages";
    }
    const std::size_t size = std::size_t{8} << 20;
    void* p = ::operator new(size);
    const std::string flags = VmFlagsOf(Address(p));
    EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
    ::operator delete(p);
}

TEST_F(HugePageBlocks, ContentsAreKeptAndFreedBlocksGoBack) {
    const std::size_t before = BytesInUse();
    for (int round = 0; round < 8; ++round) {
        const std::size_t size = (std::size_t{5} << 20) + static_cast<std::size_t>(round) * 4099;
        auto* p = static_cast<std::uint8_t*>(::operator new(size));
        for (std::size_t i = 0; i < size; i += 4093) {
            p[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(round));
        }
        p[size - 1] = 0xA5;
        for (std::size_t i = 0; i < size; i += 4093) {
            ASSERT_EQ(p[i], static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(round)));
        }
        ASSERT_EQ(p[size - 1], 0xA5);
        EXPECT_GE(BytesInUse(), before + size);
        ::operator delete(p);
        // The block is an ordinary malloc block to free: nothing of it stays in use.
        EXPECT_LT(BytesInUse(), before + kHugePageSize) << "round " << round;
    }
}

int g_handlerCalls = 0;

void CountAndGiveUp() {
    ++g_handlerCalls;
    std::set_new_handler(nullptr);
}

// Every request here fails: the handler is asked once, then std::bad_alloc is thrown; a
// size near the top of the address space must not wrap around to a small block.
TEST(HugePageBlocksFailure, ImpossibleRequestsCallTheHandlerThenThrow) {
    if (!HugePageBlocksActive()) {
        GTEST_SKIP() << "the policy is not built in here (sanitizer build)";
    }
    for (const std::size_t size : {SIZE_MAX, SIZE_MAX - kHugePageSize + 1,
                                   SIZE_MAX - (std::size_t{1} << 20), SIZE_MAX / 2}) {
        g_handlerCalls = 0;
        std::set_new_handler(CountAndGiveUp);
        void* p = nullptr;
        EXPECT_THROW(p = ::operator new(Unseen(size)), std::bad_alloc) << size;
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(g_handlerCalls, 1) << size;
        EXPECT_EQ(std::get_new_handler(), nullptr);
    }
}

TEST(HugePageBlocksFailure, NoThrowNewGivesNullInsteadOfThrowing) {
    if (!HugePageBlocksActive()) {
        GTEST_SKIP() << "the policy is not built in here (sanitizer build)";
    }
    void* p = ::operator new(Unseen(SIZE_MAX - (std::size_t{1} << 20)), std::nothrow);
    EXPECT_EQ(p, nullptr);
}

}  // namespace
}  // namespace varlen
