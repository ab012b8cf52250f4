// The fast PNG reading against libpng: files from libpng's encoder with each filter forced,
// files filtered and deflated here (zlib) so that every row carries the filter asked for,
// and corrupt or unusual files, on which the fast reading must decline and DecodePng must
// give libpng's answer. Pixels are also checked against the rows the files were made from.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/picture_decoders.h"
#include "io/png_fast.h"
#include "tests/io/picture_fixtures.h"

namespace varlen {
namespace {

using testdata::Bytes;
using testdata::PutBe32;

// Rows of a picture with smooth runs, edges and noise, so that every filter predicts
// differently; RGBA rows get a soft, varying alpha.
std::vector<Bytes> SourceRows(int width, int height, int channels, unsigned seed) {
    std::vector<Bytes> rows;
    unsigned state = seed * 2654435761u + 7u;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 31u);
            row.push_back(static_cast<std::uint8_t>(x * 7 + y * 3 + noise));
            row.push_back(static_cast<std::uint8_t>((x / 4) * 40 + noise / 4));
            row.push_back(static_cast<std::uint8_t>(255 - y * 11 - (x & 1) * 90));
            if (channels == 4) {
                row.push_back(static_cast<std::uint8_t>((x * 255) / (width + 1) + noise));
            }
        }
        rows.push_back(row);
    }
    return rows;
}

// What the rows must arrive as: each pixel blue first.
Bytes Delivered(const std::vector<Bytes>& rows, int channels) {
    Bytes out;
    for (const Bytes& row : rows) {
        for (std::size_t i = 0; i < row.size(); i += static_cast<std::size_t>(channels)) {
            out.insert(out.end(), {row[i + 2], row[i + 1], row[i]});
            if (channels == 4) {
                out.push_back(row[i + 3]);
            }
        }
    }
    return out;
}

void ExpectSameBitmap(const DecodedBitmap& a, const DecodedBitmap& b) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.stride, b.stride);
    EXPECT_EQ(a.orientation, b.orientation);
    EXPECT_EQ(a.palette.size(), b.palette.size());
    EXPECT_EQ(a.borrowedRows, b.borrowedRows);
    EXPECT_TRUE(std::equal(a.bits.begin(), a.bits.end(), b.bits.begin(), b.bits.end()));
}

// DecodePng's answer equals libpng's alone: both nothing, or the same bitmap.
void ExpectLibpngsAnswer(const Bytes& png) {
    const auto decoded = DecodePng(png);
    const auto libpng = DecodePngWithLibpng(png);
    ASSERT_EQ(decoded.has_value(), libpng.has_value());
    if (decoded) {
        ExpectSameBitmap(*decoded, *libpng);
    }
}

// --- Files put together here ---

struct Chunk {
    std::string type;
    Bytes data;
};

Bytes ChunkBytes(const Chunk& c) {
    Bytes b;
    PutBe32(b, static_cast<std::uint32_t>(c.data.size()));
    b.insert(b.end(), c.type.begin(), c.type.end());
    b.insert(b.end(), c.data.begin(), c.data.end());
    PutBe32(b, testdata::PngCrc(b.data() + 4, c.data.size() + 4));  // over type and data
    return b;
}

Bytes Assemble(const std::vector<Chunk>& chunks) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Chunk& c : chunks) {
        const Bytes cb = ChunkBytes(c);
        b.insert(b.end(), cb.begin(), cb.end());
    }
    return b;
}

// The chunks of a well-formed file (from libpng's encoder).
std::vector<Chunk> Chunks(const Bytes& png) {
    std::vector<Chunk> out;
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const std::size_t n = (std::size_t{png[pos]} << 24) | (std::size_t{png[pos + 1]} << 16) |
                              (std::size_t{png[pos + 2]} << 8) | png[pos + 3];
        Chunk c{std::string(png.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                            png.begin() + static_cast<std::ptrdiff_t>(pos + 8)),
                Bytes(png.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                      png.begin() + static_cast<std::ptrdiff_t>(pos + 8 + n))};
        out.push_back(std::move(c));
        pos += n + 12;
    }
    return out;
}

Bytes Ihdr(std::uint32_t width, std::uint32_t height, int depth, int colorType, int interlace = 0) {
    Bytes b;
    PutBe32(b, width);
    PutBe32(b, height);
    b.insert(b.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colorType), 0, 0,
                       static_cast<std::uint8_t>(interlace)});
    return b;
}

Bytes Deflate(const Bytes& raw, int windowBits = 15) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&z, raw.size()));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The rows filtered with filter (0 to 4) on every row, each row led by its filter byte: the
// encoder's side of PNG filtering, written from the definition.
Bytes Filtered(const std::vector<Bytes>& rows, int channels, int filter) {
    Bytes out;
    Bytes above(rows.front().size(), 0);
    for (const Bytes& row : rows) {
        out.push_back(static_cast<std::uint8_t>(filter));
        for (std::size_t i = 0; i < row.size(); ++i) {
            const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0;
            const int b = above[i];
            const int c = i >= static_cast<std::size_t>(channels) ? above[i - channels] : 0;
            int predicted = 0;
            if (filter == 1) {
                predicted = a;
            } else if (filter == 2) {
                predicted = b;
            } else if (filter == 3) {
                predicted = (a + b) / 2;
            } else if (filter == 4) {
                const int p = a + b - c;
                const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            out.push_back(static_cast<std::uint8_t>(row[i] - predicted));
        }
        above = row;
    }
    return out;
}

Bytes HandMade(const std::vector<Bytes>& rows, int channels, int filter) {
    const auto width = static_cast<std::uint32_t>(rows.front().size() / channels);
    return Assemble(
        {{"IHDR", Ihdr(width, static_cast<std::uint32_t>(rows.size()), 8, channels == 4 ? 6 : 2)},
         {"IDAT", Deflate(Filtered(rows, channels, filter))},
         {"IEND", {}}});
}

const std::vector<int> kWidths = {1, 3, 17, 255};
const std::vector<int> kHeights = {1, 2, 7};

void ExpectFastEqualsLibpng(const Bytes& png, const std::vector<Bytes>& rows, int channels) {
    const auto libpng = DecodePngWithLibpng(png);
    ASSERT_TRUE(libpng.has_value());
    for (const PngUnfilter how : {PngUnfilter::Best, PngUnfilter::Plain}) {
        SCOPED_TRACE(how == PngUnfilter::Best ? "best" : "plain");
        const auto fast = DecodePngFast(png, how);
        ASSERT_TRUE(fast.has_value());
        ExpectSameBitmap(*fast, *libpng);
        EXPECT_EQ(Bytes(fast->bits.begin(), fast->bits.end()), Delivered(rows, channels));
    }
}

TEST(PngFast, EqualsLibpngOnLibpngsOwnFilesWithEachFilterForcedAndMixed) {
    const int filterSets[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                              PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    for (const int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        const int channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
        for (const int width : kWidths) {
            for (const int height : kHeights) {
                for (const int filters : filterSets) {
                    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", " +
                                 std::to_string(channels) + " channels, filter set " +
                                 std::to_string(filters));
                    testdata::PngLayout s;
                    s.width = width;
                    s.height = height;
                    s.colorType = colorType;
                    s.filters = filters;
                    s.rows = SourceRows(width, height, channels,
                                        static_cast<unsigned>(width * 31 + height));
                    ExpectFastEqualsLibpng(testdata::EncodePng(s), s.rows, channels);
                }
            }
        }
    }
}

TEST(PngFast, EqualsLibpngWhenEveryRowCarriesTheSameFilter) {
    // libpng's encoder drops the filters that need a left or upper neighbour from a picture 1
    // pixel wide or high; these files keep them, so the first row and column meet each one.
    for (const int channels : {3, 4}) {
        for (const int width : kWidths) {
            for (const int height : kHeights) {
                for (int filter = 0; filter <= 4; ++filter) {
                    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", " +
                                 std::to_string(channels) + " channels, filter " +
                                 std::to_string(filter));
                    const auto rows = SourceRows(width, height, channels,
                                                 static_cast<unsigned>(filter * 5 + width));
                    ExpectFastEqualsLibpng(HandMade(rows, channels, filter), rows, channels);
                }
            }
        }
    }
}

TEST(PngFast, EqualsLibpngWithManyIdatChunksAndAncillaryChunksAround) {
    testdata::PngLayout s;
    s.width = 40;
    s.height = 30;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.idatBytes = 64;
    s.rows = SourceRows(s.width, s.height, 4, 3);
    const auto chunks = Chunks(testdata::EncodePng(s));
    ASSERT_GT(chunks.size(), 5u);  // IHDR, several IDATs, IEND
    std::vector<Chunk> withText;
    for (const Chunk& c : chunks) {
        if (c.type == "IEND") {
            withText.push_back({"tIME", {7, 230, 1, 2, 3, 4, 5}});
        }
        withText.push_back(c);
        if (c.type == "IHDR") {
            withText.push_back({"tEXt", {'K', 'e', 'y', 0, 'v', 'a', 'l'}});
            withText.push_back({"gAMA", {0, 0, 0xB1, 0x8F}});
        }
    }
    ExpectFastEqualsLibpng(Assemble(withText), s.rows, 4);
}

TEST(PngFast, TakesASmallWindowThatHoldsTheWholeImage) {
    const auto rows = SourceRows(5, 4, 4, 9);  // 84 inflated bytes, window 512
    const Bytes png = Assemble(
        {{"IHDR", Ihdr(5, 4, 8, 6)}, {"IDAT", Deflate(Filtered(rows, 4, 4), 9)}, {"IEND", {}}});
    ASSERT_EQ(png[8 + 25 + 8] >> 4, 1);  // the stream declares 2^9 bytes
    ExpectFastEqualsLibpng(png, rows, 4);
}

TEST(PngFast, DeclinesOtherKindsAndLibpngReadsThem) {
    const auto rgbRows = SourceRows(6, 3, 3, 1);
    std::vector<Bytes> files;
    testdata::PngLayout interlaced;
    interlaced.width = 6;
    interlaced.height = 3;
    interlaced.interlace = true;
    interlaced.rows = rgbRows;
    files.push_back(testdata::EncodePng(interlaced));
    testdata::PngLayout deep = interlaced;
    deep.interlace = false;
    deep.bitDepth = 16;
    deep.rows = SourceRows(12, 3, 3, 2);  // 6 pixels of 6 bytes
    files.push_back(testdata::EncodePng(deep));
    testdata::PngLayout grey = interlaced;
    grey.interlace = false;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {13, 14, 15, 16, 17, 18}};
    files.push_back(testdata::EncodePng(grey));
    // RGB with a colour key (delivered with alpha) and RGB with a suggested palette.
    const Bytes idat = Deflate(Filtered(rgbRows, 3, 0));
    files.push_back(Assemble({{"IHDR", Ihdr(6, 3, 8, 2)},
                              {"tRNS", {0, rgbRows[0][0], 0, rgbRows[0][1], 0, rgbRows[0][2]}},
                              {"IDAT", idat},
                              {"IEND", {}}}));
    files.push_back(Assemble(
        {{"IHDR", Ihdr(6, 3, 8, 2)}, {"PLTE", {1, 2, 3, 4, 5, 6}}, {"IDAT", idat}, {"IEND", {}}}));
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        EXPECT_FALSE(DecodePngFast(files[i]).has_value());
        EXPECT_TRUE(DecodePng(files[i]).has_value());
        ExpectLibpngsAnswer(files[i]);
    }
}

// --- Damaged files ---

struct Damaged {
    std::string name;
    Bytes png;
    bool mustBeRefused;  // PNG leaves no choice; otherwise whatever libpng makes of it
};

std::vector<Damaged> DamagedFiles() {
    const int channels = 4;
    const auto rows = SourceRows(17, 5, channels, 4);
    const Bytes raw = Filtered(rows, channels, 4);
    const Bytes ihdr = Ihdr(17, 5, 8, 6);
    const Bytes idat = Deflate(raw);
    const Bytes good = Assemble({{"IHDR", ihdr}, {"IDAT", idat}, {"IEND", {}}});
    const std::size_t idatAt = 8 + 25;  // signature, IHDR chunk
    std::vector<Damaged> out;

    Bytes badIdatCrc = good;
    badIdatCrc[idatAt + 8 + idat.size()] ^= 1;
    out.push_back({"IDAT CRC wrong", badIdatCrc, true});

    const Bytes withText =
        Assemble({{"IHDR", ihdr}, {"tEXt", {'a', 0, 'b'}}, {"IDAT", idat}, {"IEND", {}}});
    Bytes badTextCrc = withText;
    badTextCrc[idatAt + 12 + 3 - 1] ^= 0x80;  // last CRC byte of the tEXt chunk
    out.push_back({"ancillary CRC wrong", badTextCrc, false});

    Bytes badIhdrCrc = good;
    badIhdrCrc[8 + 21] ^= 4;
    out.push_back({"IHDR CRC wrong", badIhdrCrc, true});

    out.push_back({"file cut inside IDAT",
                   Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(idatAt + 20)),
                   true});
    const Bytes half(idat.begin(), idat.begin() + static_cast<std::ptrdiff_t>(idat.size() / 2));
    out.push_back({"IDAT holds half the stream",
                   Assemble({{"IHDR", ihdr}, {"IDAT", half}, {"IEND", {}}}), true});
    out.push_back({"no IEND", Assemble({{"IHDR", ihdr}, {"IDAT", idat}}), true});
    out.push_back({"no IDAT", Assemble({{"IHDR", ihdr}, {"IEND", {}}}), true});

    Bytes extra = idat;
    extra.insert(extra.end(), {1, 2, 3, 4});
    out.push_back({"bytes after the zlib stream",
                   Assemble({{"IHDR", ihdr}, {"IDAT", extra}, {"IEND", {}}}), false});
    const Bytes shortRaw(raw.begin(), raw.end() - static_cast<std::ptrdiff_t>(17 * 4 + 1));
    out.push_back({"stream one row short",
                   Assemble({{"IHDR", ihdr}, {"IDAT", Deflate(shortRaw)}, {"IEND", {}}}), true});
    Bytes longRaw = raw;
    longRaw.insert(longRaw.end(), raw.begin(), raw.begin() + 17 * 4 + 1);
    out.push_back({"stream one row long",
                   Assemble({{"IHDR", ihdr}, {"IDAT", Deflate(longRaw)}, {"IEND", {}}}), false});
    Bytes badAdler = idat;
    badAdler.back() ^= 1;
    out.push_back(
        {"Adler-32 wrong", Assemble({{"IHDR", ihdr}, {"IDAT", badAdler}, {"IEND", {}}}), true});

    Bytes filter5 = raw;
    filter5[3 * (17 * 4 + 1)] = 5;
    out.push_back({"filter byte 5",
                   Assemble({{"IHDR", ihdr}, {"IDAT", Deflate(filter5)}, {"IEND", {}}}), true});

    // The stream declares a 256-byte window for 5 * 69 inflated bytes: the fast reading
    // cannot tell whether a distance reaches past it, so it declines.
    Bytes smallWindow = idat;
    smallWindow[0] = 0x08;
    smallWindow[1] = static_cast<std::uint8_t>(31 - (0x08 * 256) % 31);
    out.push_back({"256-byte window for 345 bytes",
                   Assemble({{"IHDR", ihdr}, {"IDAT", smallWindow}, {"IEND", {}}}), false});

    const Bytes split1(idat.begin(), idat.begin() + 10);
    const Bytes split2(idat.begin() + 10, idat.end());
    out.push_back({"IDATs with a chunk between",
                   Assemble({{"IHDR", ihdr},
                             {"IDAT", split1},
                             {"tEXt", {'a', 0}},
                             {"IDAT", split2},
                             {"IEND", {}}}),
                   false});
    out.push_back({"unknown critical chunk",
                   Assemble({{"IHDR", ihdr}, {"CRIT", {1}}, {"IDAT", idat}, {"IEND", {}}}), true});
    out.push_back({"chunk type not letters",
                   Assemble({{"IHDR", ihdr}, {"a1b2", {1}}, {"IDAT", idat}, {"IEND", {}}}), true});
    out.push_back(
        {"IDAT before IHDR", Assemble({{"IDAT", idat}, {"IHDR", ihdr}, {"IEND", {}}}), true});
    out.push_back(
        {"IEND not empty", Assemble({{"IHDR", ihdr}, {"IDAT", idat}, {"IEND", {0}}}), false});

    for (const auto& [name, header] : std::vector<std::pair<std::string, Bytes>>{
             {"width 0", Ihdr(0, 5, 8, 6)},
             {"height 0", Ihdr(17, 0, 8, 6)},
             {"width past the limit", Ihdr(kMaxPictureSide + 1, 5, 8, 6)},
             {"height 2^31", Ihdr(17, 0x80000000u, 8, 6)},
             {"huge both ways", Ihdr(0xFFFFFFFFu, 0xFFFFFFFFu, 8, 6)},
             {"interlace method 2", Ihdr(17, 5, 8, 6, 2)},
             {"bit depth 7", Ihdr(17, 5, 7, 6)}}) {
        out.push_back({name, Assemble({{"IHDR", header}, {"IDAT", idat}, {"IEND", {}}}), true});
    }
    Bytes ihdr12 = ihdr;
    ihdr12.pop_back();
    out.push_back(
        {"IHDR 12 bytes", Assemble({{"IHDR", ihdr12}, {"IDAT", idat}, {"IEND", {}}}), true});
    Bytes compression1 = ihdr;
    compression1[10] = 1;
    out.push_back({"compression method 1",
                   Assemble({{"IHDR", compression1}, {"IDAT", idat}, {"IEND", {}}}), true});

    // Lengths that reach past the data or past 31 bits; the bytes after them are the good
    // file's chunks, so only the length can be wrong. (An unknown ancillary chunk: libpng
    // skips it without allocating, where a lying tEXt length would have it clear 2 GiB.)
    for (const char* type : {"zzZz", "IDAT"}) {
        for (const std::uint32_t length : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 1000u}) {
            Bytes lying = Assemble({{"IHDR", ihdr}});
            PutBe32(lying, length);
            lying.insert(lying.end(), type, type + 4);
            lying.insert(lying.end(), good.begin() + static_cast<std::ptrdiff_t>(idatAt),
                         good.end());
            out.push_back({std::string(type) + " length " + std::to_string(length), lying, true});
        }
    }
    return out;
}

TEST(PngFast, DamagedFilesGetLibpngsAnswer) {
    for (const Damaged& d : DamagedFiles()) {
        SCOPED_TRACE(d.name);
        EXPECT_FALSE(DecodePngFast(d.png).has_value());
        ExpectLibpngsAnswer(d.png);
        if (d.mustBeRefused) {
            EXPECT_FALSE(DecodePng(d.png).has_value());
        }
    }
}

}  // namespace
}  // namespace varlen
