// The large-block allocation policy of the programs (huge_page_blocks.cpp replaces the
// global operator new where it is linked in).
#pragma once

#include <cstddef>

namespace varlen {

// Blocks of at least kHugePageBlockMin bytes are aligned to kHugePageSize and advised for
// transparent huge pages.
inline constexpr std::size_t kHugePageSize = std::size_t{2} << 20;
inline constexpr std::size_t kHugePageBlockMin = std::size_t{4} << 20;

// True where the policy is built in (Linux without AddressSanitizer); elsewhere the
// standard operator new is used.
bool HugePageBlocksActive();

}  // namespace varlen
