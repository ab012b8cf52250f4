// Fuzz target: any bytes as an icon or cursor file, through the checker, under each of
// the three expectations a file name gives, and the model of what Windows draws from the
// entries it reports.
#include <cstddef>
#include <cstdint>

#include "core/icon_choice.h"
#include "io/icon_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const varlen::ExpectedKind kind :
         {varlen::ExpectedKind::kAny, varlen::ExpectedKind::kIcon, varlen::ExpectedKind::kCursor}) {
        const varlen::IconCheckResult r = varlen::CheckIconFile(bytes, kind);
        std::vector<varlen::IconEntryShape> shapes;
        for (const varlen::CheckedEntry& e : r.entries) {
            shapes.push_back(e.shape);
        }
        volatile std::size_t cells = varlen::WindowsIconView(shapes).size();
        (void)cells;
    }
    return 0;
}
