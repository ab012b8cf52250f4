// The icon and cursor checker: our own files pass, and every rule is tripped by a
// byte-patched copy of one of them (and not by the clean copy).
#include "io/icon_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "core/format.h"
#include "io/export.h"
#include "io/icons.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

Bytes IconBytes(const std::vector<std::tuple<int, int, int>>& formats, bool png) {
    CIcons icons;
    for (const auto& [w, h, bpp] : formats) {
        icons.Add(Solid(w, h, bpp, 0x80));
    }
    MemoryFile file;
    EXPECT_TRUE(icons.Write(file, png));
    return file.Take();
}

Bytes CursorBytes(int side, int bpp, int hx, int hy) {
    MemoryFile file;
    EXPECT_TRUE(WriteCursorFile(*Solid(side, side, bpp), file, hx, hy));
    return file.Take();
}

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
std::size_t Entry(std::size_t i) {
    return 6 + 16 * i;
}
std::size_t Offset(const Bytes& b, std::size_t i) {
    return U32(b, Entry(i) + 12);
}

// CRC-32 of the PNG standard (annex D), bit by bit, independent of zlib.
std::uint32_t Crc(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) {
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
    }
    return ~c;
}
// Sets an IHDR byte of the PNG image at png and mends the chunk's CRC.
void PatchIhdr(Bytes& b, std::size_t png, std::size_t field, std::uint8_t value) {
    b.at(png + 16 + field) = value;
    const std::uint32_t crc = Crc(b.data() + png + 12, 17);
    for (int k = 0; k < 4; ++k) {
        b.at(png + 29 + static_cast<std::size_t>(k)) =
            static_cast<std::uint8_t>(crc >> (24 - 8 * k));
    }
}

std::set<std::string> Codes(const IconCheckResult& r, CheckSeverity s) {
    std::set<std::string> codes;
    for (const CheckFinding& f : r.findings) {
        if (f.severity == s) {
            codes.insert(std::string(f.code));
        }
    }
    return codes;
}

bool Has(const IconCheckResult& r, std::string_view code, int entry) {
    return std::any_of(r.findings.begin(), r.findings.end(),
                       [&](const CheckFinding& f) { return f.code == code && f.entry == entry; });
}

// 16 x 16 at 4 bits, 32 x 32 at 8, 48 x 48 at 32 (all DIB) and 256 x 256 at 32 as PNG.
Bytes Mixed() {
    return IconBytes({{16, 16, 4}, {32, 32, 8}, {48, 48, 32}, {256, 256, 32}}, true);
}

struct Patch {
    const char* code;
    int entry;  // -1: the file
    CheckSeverity severity;
    std::function<void(Bytes&)> apply;
    bool cascades = false;  // a warning whose patch also breaks the layout behind it
};

TEST(IconCheck, MixedIconIsCleanAndReadAsWritten) {
    const Bytes file = Mixed();
    const IconCheckResult r = CheckIconFile(file, ExpectedKind::kIcon);
    EXPECT_TRUE(r.recognised);
    EXPECT_FALSE(r.HasError());
    EXPECT_EQ(Codes(r, CheckSeverity::kWarning), std::set<std::string>{});
    ASSERT_EQ(r.entries.size(), 4u);
    EXPECT_EQ(r.entries[0].kind, PayloadKind::kBmp);
    EXPECT_EQ(r.entries[0].bmp.bitCount, 4);
    EXPECT_EQ(r.entries[0].bmp.paletteEntries, 16u);
    EXPECT_EQ(r.entries[0].colorCount, 16);
    EXPECT_EQ(r.entries[1].bmp.height, 64);
    // 48 mask bits are 6 bytes, padded to 8 per row.
    EXPECT_EQ(r.entries[2].bmp.maskBytes, 8u * 48);
    EXPECT_EQ(r.entries[2].bmp.maskPresent, 8u * 48);
    EXPECT_EQ(r.entries[3].kind, PayloadKind::kPng);
    EXPECT_EQ(r.entries[3].width, 0);
    EXPECT_EQ(r.entries[3].png.width, 256u);
    EXPECT_EQ(r.entries[3].png.colorType, 6);
    EXPECT_TRUE(r.entries[3].png.intact);
    EXPECT_EQ(r.entries[3].shape.width, 256);
}

TEST(IconCheck, EveryRuleIsTrippedByItsPatch) {
    const Bytes mixed = Mixed();
    const std::size_t png = Offset(mixed, 3);
    const std::vector<Patch> patches = {
        {"not-icon", -1, CheckSeverity::kError, [](Bytes& b) { Put16(b, 2, 3); }},
        {"header-reserved", -1, CheckSeverity::kError, [](Bytes& b) { Put16(b, 0, 1); }},
        {"type-mismatch", -1, CheckSeverity::kError, [](Bytes& b) { Put16(b, 2, 2); }},
        {"no-entries", -1, CheckSeverity::kError, [](Bytes& b) { Put16(b, 4, 0); }},
        {"directory-truncated", -1, CheckSeverity::kError, [](Bytes& b) { Put16(b, 4, 60000); }},
        {"size-mismatch", 1, CheckSeverity::kError, [](Bytes& b) { b[Entry(1)] = 33; }},
        {"size-mismatch", 3, CheckSeverity::kError, [](Bytes& b) { b[Entry(3) + 1] = 255; }},
        {"depth-mismatch", 2, CheckSeverity::kError, [](Bytes& b) { Put16(b, Entry(2) + 6, 24); }},
        {"colors-mismatch", 0, CheckSeverity::kWarning, [](Bytes& b) { b[Entry(0) + 2] = 0; }},
        {"entry-reserved", 1, CheckSeverity::kWarning, [](Bytes& b) { b[Entry(1) + 3] = 7; }},
        {"planes", 2, CheckSeverity::kWarning, [](Bytes& b) { Put16(b, Entry(2) + 4, 4); }},
        {"entry-empty", 0, CheckSeverity::kError, [](Bytes& b) { Put32(b, Entry(0) + 8, 0); }},
        {"entry-in-directory", 0, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(0) + 12, 6); }},
        {"entry-outside", 3, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(3) + 8, U32(b, Entry(3) + 8) + 100); }},
        {"entry-outside", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(2) + 12, 0x7FFFFFF0); }},
        {"entries-overlap", 1, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(1) + 12, U32(b, Entry(0) + 12) + 8); }},
        {"payload-unknown", 1, CheckSeverity::kError, [](Bytes& b) { Put32(b, Offset(b, 1), 99); }},
        {"bmp-height-not-doubled", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Offset(b, 2) + 8, 48); }},
        {"bmp-height-odd", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Offset(b, 2) + 8, 97); }},
        {"bmp-size", 1, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Offset(b, 1) + 8, 0xFFFFFFC0); }},
        {"bmp-planes", 0, CheckSeverity::kError, [](Bytes& b) { Put16(b, Offset(b, 0) + 12, 3); }},
        {"bmp-depth", 1, CheckSeverity::kError, [](Bytes& b) { Put16(b, Offset(b, 1) + 14, 7); }},
        {"bmp-compression", 1, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Offset(b, 1) + 16, 1); }},
        {"bmp-palette", 0, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Offset(b, 0) + 32, 17); }},
        {"bmp-size-image", 2, CheckSeverity::kWarning,
         [](Bytes& b) { Put32(b, Offset(b, 2) + 20, 5); }},
        {"bmp-header-size", 2, CheckSeverity::kWarning,
         [](Bytes& b) { Put32(b, Offset(b, 2), 108); }, true},
        {"mask-short", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(2) + 8, U32(b, Entry(2) + 8) - 10); }},
        {"mask-missing", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(2) + 8, U32(b, Entry(2) + 8) - 8 * 48); }},
        {"bmp-truncated", 2, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(2) + 8, U32(b, Entry(2) + 8) - 8 * 48 - 1); }},
        {"png-signature", 3, CheckSeverity::kError, [png](Bytes& b) { b[png + 4] = '\n'; }},
        {"png-crc", 3, CheckSeverity::kError, [png](Bytes& b) { b[png + 41] ^= 0x10; }},
        {"png-ihdr", 3, CheckSeverity::kError, [png](Bytes& b) { PatchIhdr(b, png, 0, 0x80); }},
        {"png-ihdr", 3, CheckSeverity::kError, [png](Bytes& b) { PatchIhdr(b, png, 8, 5); }},
        {"png-not-rgba", 3, CheckSeverity::kError, [png](Bytes& b) { PatchIhdr(b, png, 9, 2); }},
        {"png-idat", 3, CheckSeverity::kError, [png](Bytes& b) { PatchIhdr(b, png, 6, 2); }},
        {"png-truncated", 3, CheckSeverity::kError,
         [](Bytes& b) { Put32(b, Entry(3) + 8, U32(b, Entry(3) + 8) - 12); }},
    };
    const IconCheckResult clean = CheckIconFile(mixed, ExpectedKind::kIcon);
    for (const Patch& p : patches) {
        SCOPED_TRACE(std::string(p.code) + " entry " + std::to_string(p.entry));
        EXPECT_FALSE(Has(clean, p.code, p.entry));
        Bytes patched = mixed;
        p.apply(patched);
        const IconCheckResult r = CheckIconFile(patched, ExpectedKind::kIcon);
        EXPECT_TRUE(Has(r, p.code, p.entry));
        EXPECT_TRUE(Codes(r, p.severity).count(p.code));
        if (!p.cascades) {
            EXPECT_EQ(r.HasError(), p.severity == CheckSeverity::kError);
        }
    }
}

TEST(IconCheck, SameSizeAndDepthTwiceIsAWarning) {
    const IconCheckResult r =
        CheckIconFile(IconBytes({{32, 32, 8}, {16, 16, 8}, {32, 32, 8}, {32, 32, 32}}, false));
    EXPECT_FALSE(r.HasError());
    EXPECT_TRUE(Has(r, "duplicate", 2));
    EXPECT_FALSE(Has(r, "duplicate", 3));
    EXPECT_FALSE(Has(CheckIconFile(Mixed()), "duplicate", 1));
}

TEST(IconCheck, CursorRules) {
    const Bytes cursor = CursorBytes(32, 32, 31, 31);
    const IconCheckResult clean = CheckIconFile(cursor, ExpectedKind::kCursor);
    EXPECT_TRUE(clean.IsCursor());
    EXPECT_FALSE(clean.HasError());
    ASSERT_EQ(clean.entries.size(), 1u);
    EXPECT_EQ(clean.entries[0].planes, 31);  // the hotspot, not checked as planes
    EXPECT_TRUE(Codes(clean, CheckSeverity::kWarning).empty());

    Bytes outside = cursor;
    Put16(outside, Entry(0) + 4, 32);
    EXPECT_TRUE(Has(CheckIconFile(outside, ExpectedKind::kCursor), "hotspot-outside", 0));
    Bytes below = cursor;
    Put16(below, Entry(0) + 6, 40);
    EXPECT_TRUE(Has(CheckIconFile(below, ExpectedKind::kCursor), "hotspot-outside", 0));

    Bytes typeIcon = cursor;
    Put16(typeIcon, 2, 1);
    EXPECT_TRUE(Has(CheckIconFile(typeIcon, ExpectedKind::kCursor), "type-mismatch", -1));
    EXPECT_FALSE(Has(CheckIconFile(typeIcon, ExpectedKind::kAny), "type-mismatch", -1));
}

TEST(IconCheck, SeveralEntriesAbove255AreAWarningOnly) {
    const Bytes file = IconBytes({{256, 256, 32}, {512, 512, 32}, {32, 32, 32}}, true);
    const IconCheckResult r = CheckIconFile(file, ExpectedKind::kIcon);
    EXPECT_FALSE(r.HasError());
    EXPECT_TRUE(Has(r, "several-over-255", -1));
    EXPECT_EQ(r.entries[1].shape.width, 512);
    const IconCheckResult one =
        CheckIconFile(IconBytes({{512, 512, 32}}, false), ExpectedKind::kIcon);
    EXPECT_FALSE(one.HasError());
    EXPECT_FALSE(Has(one, "several-over-255", -1));
}

// Every icon and cursor our writers make, over the depths, sides and PNG choice the
// writer tests use, has no error.
TEST(IconCheck, EverythingWeWriteHasNoError) {
    for (const bool png : {false, true}) {
        for (const int bpp : {4, 8, 24, 32}) {
            for (const int side : {1, 15, 16, 31, 48, 64, 255, 256, 512}) {
                SCOPED_TRACE("bpp " + std::to_string(bpp) + " side " + std::to_string(side) +
                             (png ? " png" : ""));
                const IconCheckResult r = CheckIconFile(
                    IconBytes({{side, side, bpp}, {side, std::max(1, side / 2), bpp}}, png),
                    ExpectedKind::kIcon);
                EXPECT_FALSE(r.HasError());
                for (const CheckFinding& f : r.findings) {
                    EXPECT_NE(f.severity, CheckSeverity::kError) << f.code << ": " << f.message;
                }
            }
            for (const int side : {1, 32, 255}) {
                const IconCheckResult c =
                    CheckIconFile(CursorBytes(side, bpp, side - 1, 0), ExpectedKind::kCursor);
                EXPECT_FALSE(c.HasError()) << "cursor " << bpp << " " << side;
            }
        }
    }
    std::vector<std::tuple<int, int, int>> standard;
    for (const FORMAT& f : {FORMAT{1, 4, 32, 32, 0}, FORMAT{1, 32, 256, 256, 0}}) {
        standard.emplace_back(f.wWidth, f.wHeight, f.wBitCount);
    }
    EXPECT_FALSE(CheckIconFile(IconBytes(standard, true), ExpectedKind::kIcon).HasError());
}

TEST(IconCheck, HostileDirectoriesStayInsideTheFile) {
    // Only a header; a count of 65535 with two entries present; a PNG that asks for the
    // largest IHDR; a bitmap header cut after 20 bytes.
    EXPECT_FALSE(CheckIconFile(Bytes{0, 0, 1}).recognised);
    Bytes many = IconBytes({{16, 16, 32}, {32, 32, 32}}, false);
    Put16(many, 4, 0xFFFF);
    const IconCheckResult r = CheckIconFile(many);
    EXPECT_TRUE(Has(r, "directory-truncated", -1));
    EXPECT_LE(r.entries.size(), many.size() / 16);

    Bytes big = Mixed();
    const std::size_t png = Offset(big, 3);
    PatchIhdr(big, png, 0, 0x7F);
    PatchIhdr(big, png, 4, 0x7F);
    const IconCheckResult huge = CheckIconFile(big);
    EXPECT_TRUE(Has(huge, "png-too-large", 3));
    // The directory's 0 stands for every side from 256 up, so it does not disagree.
    EXPECT_FALSE(Has(huge, "size-mismatch", 3));
    EXPECT_EQ(huge.entries[3].png.width, 0x7F000100u);

    // 2000 entries all on the 256 PNG: the first ones are inspected, the rest passed over.
    Bytes same = Mixed();
    const std::size_t pngAt = Offset(same, 3);
    const std::uint32_t pngBytes = U32(same, Entry(3) + 8);
    Bytes stacked(same.begin(), same.begin() + 6);
    Put16(stacked, 4, 2000);
    for (int i = 0; i < 2000; ++i) {
        stacked.insert(stacked.end(), same.begin() + static_cast<std::ptrdiff_t>(Entry(3)),
                       same.begin() + static_cast<std::ptrdiff_t>(Entry(3)) + 16);
    }
    stacked.insert(stacked.end(), same.begin() + static_cast<std::ptrdiff_t>(pngAt),
                   same.begin() + static_cast<std::ptrdiff_t>(pngAt + pngBytes));
    for (int i = 0; i < 2000; ++i) {
        Put32(stacked, Entry(static_cast<std::size_t>(i)) + 12, 6 + 16 * 2000);
    }
    const IconCheckResult spread = CheckIconFile(stacked);
    EXPECT_TRUE(Has(spread, "entries-overlap", 1));
    EXPECT_FALSE(Has(spread, "not-inspected", 0));
    EXPECT_TRUE(Has(spread, "not-inspected", 1999));

    // An IHDR that cannot be read says nothing about the image's depth or size.
    Bytes badIhdr = Mixed();
    PatchIhdr(badIhdr, Offset(badIhdr, 3), 8, 5);
    const IconCheckResult unread = CheckIconFile(badIhdr);
    EXPECT_TRUE(Has(unread, "png-ihdr", 3));
    EXPECT_FALSE(Has(unread, "depth-mismatch", 3));
    EXPECT_FALSE(unread.entries[3].readable);

    Bytes cut = IconBytes({{16, 16, 32}}, false);
    Put32(cut, Entry(0) + 8, 20);
    EXPECT_TRUE(Has(CheckIconFile(cut), "bmp-truncated", 0));
}

}  // namespace
}  // namespace varlen
