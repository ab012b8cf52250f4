// SVG decoding: documents rendered at 1024 on their longer side with straight alpha, sized
// from width and height or the viewBox, drawing embedded pictures but reading no file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "io/picture_decoders.h"
#include "io/png_encode.h"
#include "io/writer_support.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(SvgDecode, RenderedWithItsLongerSideAt1024AndStraightAlpha) {
    const auto icon = LoadText("<?xml version=\"1.0\"?>\n<!-- two halves -->\n" + kSvgOpen +
                               R"(width="20" height="10">
        <rect x="0" y="0" width="10" height="10" fill="#ff0000"/>
        <rect x="10" y="0" width="10" height="10" fill="#0000ff" fill-opacity="0.5"/></svg>)");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 1024);
    EXPECT_EQ(icon->Height(), 512);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(icon->GetPixel(511, 511), 0xFFFF0000u);
    const Pixel half = icon->GetPixel(1023, 0);
    EXPECT_NEAR(Alpha(half), 128, 1);
    EXPECT_EQ(half & 0x00FFFFFFu, 0x000000FFu);  // blue at full strength, not premultiplied
}

TEST(SvgDecode, SizeFromTheViewBoxWhenWidthAndHeightDoNotResolve) {
    const auto tall = LoadText(
        kSvgOpen + R"(viewBox="0 0 10 40"><rect width="10" height="40" fill="#00ff00"/></svg>)");
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->Width(), 256);
    EXPECT_EQ(tall->Height(), 1024);
    EXPECT_EQ(tall->GetPixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(tall->GetPixel(255, 1023), 0xFF00FF00u);

    const auto wide = LoadText(kSvgOpen + R"(width="100%" height="100%" viewBox="0 0 30 10"/>)");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->Width(), 1024);
    EXPECT_EQ(wide->Height(), 341);
    EXPECT_EQ(wide->GetPixel(500, 100), 0u);  // nothing drawn: transparent

    EXPECT_EQ(LoadText(kSvgOpen + R"(><rect width="10" height="10"/></svg>)"), nullptr);
    EXPECT_EQ(LoadText(kSvgOpen + R"(width="0" height="10" viewBox="0 0 0 10"/>)"), nullptr);
}

TEST(SvgDecode, EmbeddedPicturesAreDrawnButNoFileIsRead) {
    Bytes png;
    auto green = CreateIcon(4, 4, 32);
    for (Pixel& p : green->Pixels()) {
        p = 0xFF00FF00u;
    }
    ASSERT_TRUE(EncodePng(*green, png));
    const std::string path = testdata::WriteTempFile("svg_neighbour.png", png);
    const auto withImage = [&](const std::string& href) {
        return LoadText(kSvgOpen +
                        R"(xmlns:xlink="http://www.w3.org/1999/xlink" width="4" height="4">)" +
                        R"(<image width="4" height="4" xlink:href=")" + href + R"("/></svg>)");
    };
    const auto embedded = withImage("data:image/png;base64," + testdata::Base64(png));
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->GetPixel(512, 512), 0xFF00FF00u);
    for (const std::string& href : {"file://" + path, path, std::string("svg_neighbour.png")}) {
        const auto outside = withImage(href);
        ASSERT_NE(outside, nullptr) << href;
        EXPECT_EQ(outside->GetPixel(512, 512), 0u) << href;
    }
    std::remove(path.c_str());
}

TEST(SvgDecode, TextLargerThanTheLimitIsRefused) {
    const std::string head = kSvgOpen + R"(width="2" height="2">)";
    const std::string tail = "</svg>";
    const std::string comment = "<!--" + std::string(1016, 'x') + "-->\n";
    std::string text = head;
    while (text.size() + comment.size() + tail.size() <= kMaxSvgBytes) {
        text += comment;
    }
    text += std::string(kMaxSvgBytes - text.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(text.size(), kMaxSvgBytes);
    EXPECT_NE(LoadText(text), nullptr);
    text.insert(head.size(), "x");
    EXPECT_EQ(LoadText(text), nullptr);
}

}  // namespace
}  // namespace varlen
