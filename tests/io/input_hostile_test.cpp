// Broken and hostile WebP, TIFF, SVG and icon files: every one is refused (or, for a
// flipped byte, gives a sane picture) with no crash and no allocation beyond the limits.
#include <gtest/gtest.h>

#include <string>

#include "io/codec_fixtures.h"
#include "io/input_fixtures.h"
#include "io/loaders.h"
#include "io/picture_decoders.h"

namespace varlen {
namespace {

using testdata::Bytes;

std::unique_ptr<CIcon> Load(const Bytes& data) {
    return FromFileData(data);
}

Bytes Prefix(const Bytes& b, std::size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return b;
}

Bytes SmallWebp(bool alpha, bool lossless) {
    testdata::WebpLayout s;
    s.width = 7;
    s.height = 5;
    s.alpha = alpha;
    s.lossless = lossless;
    s.pixels = Ramp(static_cast<std::size_t>(7 * 5 * (alpha ? 4 : 3)));
    return testdata::EncodeWebp(s);
}

Bytes SmallAnimation() {
    testdata::WebpFrame a;
    a.picture.width = 3;
    a.picture.height = 3;
    a.picture.alpha = true;
    a.picture.pixels = Ramp(3 * 3 * 4);
    a.x = 2;
    testdata::WebpFrame b = a;
    b.y = 2;
    return testdata::EncodeWebpAnimation(6, 6, {a, b});
}

Bytes SmallTiff(int compression) {
    testdata::TiffLayout s;
    s.width = 5;
    s.height = 4;
    s.samples = 4;
    s.compression = compression;
    s.rowsPerStrip = 2;
    s.data = Ramp(5 * 4 * 4);
    return testdata::EncodeTiff(s);
}

std::string SmallSvgText() {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" width="8" height="6"><circle cx="4" cy="3" r="2" fill="#ff8000"/></svg>)";
}

Bytes SmallIcon() {
    testdata::DibLayout colour;
    colour.width = 5;
    colour.height = 3;
    colour.bpp = 4;
    colour.clrUsed = 2;
    colour.palette = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}};
    colour.pixels = Ramp(12);
    return testdata::BuildIconFile({testdata::IconDib(colour, Bytes(12, 0x50))}, 2);
}

TEST(NewInputsTruncated, EveryPrefixIsRefused) {
    const std::string svg = SmallSvgText();
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"lossless webp", SmallWebp(true, true)},
        {"lossy webp", SmallWebp(false, false)},
        {"animated webp", SmallAnimation()},
        {"tiff", SmallTiff(1)},
        {"lzw tiff", SmallTiff(5)},
        {"svg", Bytes(svg.begin(), svg.end())},
        {"icon", SmallIcon()},
    };
    for (const auto& [name, data] : files) {
        ASSERT_GT(data.size(), 20u) << name;
        ASSERT_NE(Load(data), nullptr) << name;
        for (std::size_t n = 0; n < data.size(); ++n) {
            EXPECT_EQ(Load(Prefix(data, n)), nullptr) << name << " cut at " << n;
        }
    }
}

TEST(NewInputsFlipped, EveryByteFlipGivesASanePictureOrNothing) {
    const std::string svg = SmallSvgText();
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"lossless webp", SmallWebp(true, true)},
        {"animated webp", SmallAnimation()},
        {"lzw tiff", SmallTiff(5)},
        {"svg", Bytes(svg.begin(), svg.end())},
        {"icon", SmallIcon()},
    };
    for (const auto& [name, good] : files) {
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (const std::uint8_t mask :
                 {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x01}}) {
                Bytes bad = good;
                bad[i] ^= mask;
                const auto icon = Load(bad);
                if (icon) {
                    ASSERT_GE(icon->Width(), 1) << name << " " << i;
                    ASSERT_LE(icon->Width(), kMaxPictureSide) << name << " " << i;
                    ASSERT_LE(icon->Height(), kMaxPictureSide) << name << " " << i;
                    ASSERT_EQ(icon->PixelCount(), static_cast<std::size_t>(icon->Width()) *
                                                      static_cast<std::size_t>(icon->Height()));
                }
            }
        }
    }
}

TEST(NewInputsLying, SizesAboveTheLimitAreRefused) {
    testdata::TiffLayout wide;
    wide.width = kMaxPictureSide + 1;
    wide.height = 1;
    wide.data = Bytes(static_cast<std::size_t>(wide.width) * 3, 9);
    EXPECT_EQ(Load(testdata::EncodeTiff(wide)), nullptr);

    testdata::WebpFrame frame;
    frame.picture.width = 2;
    frame.picture.height = 2;
    frame.picture.pixels = Bytes(12, 200);
    EXPECT_NE(Load(testdata::EncodeWebpAnimation(kMaxPictureSide, 2, {frame})), nullptr);
    EXPECT_EQ(Load(testdata::EncodeWebpAnimation(kMaxPictureSide + 2, 2, {frame})), nullptr);

    // An icon image whose header claims more than the limit.
    testdata::DibLayout huge;
    huge.width = kMaxPictureSide + 1;
    huge.height = 1;
    huge.bpp = 1;
    huge.clrUsed = 2;
    huge.palette = {RGBQUAD{}, RGBQUAD{}};
    huge.pixels = Bytes(64, 0);
    EXPECT_EQ(Load(testdata::BuildIconFile({testdata::IconDib(huge, Bytes(64, 0))})), nullptr);
}

TEST(NewInputsLying, IconDirectoriesThatLie) {
    const Bytes good = SmallIcon();
    ASSERT_NE(Load(good), nullptr);
    Bytes bad = good;
    bad[4] = 0xFF;  // more entries than the data holds
    bad[5] = 0xFF;
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    testdata::SetU32(bad, 6 + 12, 0xFFFFFFF0u);  // offset past the end
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    testdata::SetU32(bad, 6 + 8, 0xFFFFFFFFu);  // length past the end
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    bad[6 + 16 + 16] = 2;  // RLE is no icon compression
    EXPECT_EQ(Load(bad), nullptr);
    // Without the AND mask's last row.
    bad = Prefix(good, good.size() - 4);
    testdata::SetU32(bad, 6 + 8, static_cast<std::uint32_t>(bad.size() - 22));
    EXPECT_EQ(Load(bad), nullptr);
}

TEST(NewInputsLying, TextThatOnlyLooksLikeSvg) {
    for (const std::string& text :
         {std::string("<svg"),
          std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"-5\" height=\"3\"/>"),
          std::string("<html><body><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                      "height=\"3\"/></body></html>"),
          std::string("<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d "
                      "\"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f "
                      "\"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h "
                      "\"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                      "height=\"3\"><text>&h;</text></svg>")}) {
        EXPECT_EQ(Load(Bytes(text.begin(), text.end())), nullptr) << text.substr(0, 60);
    }
}

std::uint32_t Crc32(const Bytes& b, std::size_t from, std::size_t to) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < to; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
}

void PutBe32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// A PNG file that is only a header claiming w x h (no pixel data).
Bytes PngHeaderOnly(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutBe32(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    PutBe32(b, w);
    PutBe32(b, h);
    b.insert(b.end(), {8, 0, 0, 0, 0});
    PutBe32(b, Crc32(b, 12, b.size()));
    PutBe32(b, 0);
    b.insert(b.end(), {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return b;
}

std::unique_ptr<CIcon> LoadSvg(const std::string& body) {
    const std::string text =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
        R"(width="4" height="4">)" +
        body + "</svg>";
    return Load(Bytes(text.begin(), text.end()));
}

std::string Image(const std::string& href) {
    return R"(<image width="4" height="4" xlink:href=")" + href + R"("/>)";
}

// Embedded pictures are decoded by a library without a size limit, so the document is
// checked first: a small document must not be able to demand gigabytes.
TEST(NewInputsLying, SvgEmbeddingPicturesBeyondTheLimitsIsRefused) {
    const std::string side =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide, 1));
    const std::string wide =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide + 1, 1));
    EXPECT_NE(LoadSvg(Image(side)), nullptr);
    EXPECT_EQ(LoadSvg(Image(wide)), nullptr);

    // All embedded pictures together: at most kMaxSvgEmbeddedPixels.
    const std::uint32_t rows = static_cast<std::uint32_t>(kMaxSvgEmbeddedPixels / kMaxPictureSide);
    const std::string budget =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide, rows));
    const std::string one = "data:image/png;base64," + testdata::Base64(PngHeaderOnly(1, 1));
    EXPECT_NE(LoadSvg(Image(budget)), nullptr);
    EXPECT_EQ(LoadSvg(Image(budget) + Image(one)), nullptr);

    // Hidden behind a character reference, a CSS escape or in a nested document, and in
    // kinds that cannot be checked.
    EXPECT_EQ(LoadSvg(Image("d&#97;ta" + wide.substr(4))), nullptr);
    const std::string nested =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink">)" +
        Image(wide) + "</svg>";
    const std::string nestedUrl =
        "data:image/svg+xml;base64," + testdata::Base64(Bytes(nested.begin(), nested.end()));
    EXPECT_EQ(LoadSvg(Image(nestedUrl)), nullptr);
    const std::string escaped = R"(style="fill: url(d\61 ta)" + nestedUrl.substr(4) + "#x)\"";
    EXPECT_EQ(LoadSvg("<rect width=\"4\" height=\"4\" " + escaped + "/>"), nullptr);
    EXPECT_EQ(LoadSvg("<style>rect { fill: url('" + nestedUrl + "#x') }</style>"), nullptr);
    EXPECT_EQ(LoadSvg(Image("data:image/gif;base64,R0lGODlhAQABAAAAACw=")), nullptr);
    // Prose that only looks like a data: URL is no reason to refuse.
    EXPECT_NE(
        LoadSvg(R"(<title>data:x,y</title><rect aria-label="data: 1,2" width="1" height="1"/>)"),
        nullptr);
}

}  // namespace
}  // namespace varlen
