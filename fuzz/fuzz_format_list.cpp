// Fuzz target: the stored "Format" list as read back from the settings store: a count
// (first 8 bytes, little-endian, any value) and the raw record bytes (the rest), then the
// list as the pages use it.
#include <cstddef>
#include <cstdint>

#include "gui/stored_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    std::uint64_t raw = 0;
    for (int i = 0; i < 8; ++i) {
        raw |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    }
    // Small counts are the interesting ones; the top bit keeps huge and negative values.
    const auto count = static_cast<long long>(raw);
    const std::span<const std::uint8_t> bytes(data + 8, size - 8);
    const auto list = varlen::ParseFormatList(bytes, count);
    if (list) {
        if (list->size() * varlen::kFormatRecordBytes != bytes.size()) {
            __builtin_trap();
        }
        for (const varlen::FORMAT& f : varlen::UsableFormats(*list)) {
            if (f.wWidth < 1 || f.wWidth > 512 || f.wHeight < 1 || f.wHeight > 512) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
