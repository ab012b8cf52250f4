// What the writers produce, read back by the project's own loaders.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "io/clipboard_formats.h"
#include "io/clipboard_payloads.h"
#include "io/export.h"
#include "io/loaders.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

class PayloadSource final : public DataSource {
  public:
    explicit PayloadSource(const std::vector<ClipboardPayload>& payloads,
                           std::string_view skip = {}) {
        for (const auto& p : payloads) {
            if (p.format != skip) {
                m_data[std::string(p.format)] = p.bytes;
            }
        }
    }
    std::optional<std::vector<std::uint8_t>> GetData(std::string_view format) const override {
        const auto it = m_data.find(std::string(format));
        if (it == m_data.end()) {
            return std::nullopt;
        }
        return it->second;
    }

  private:
    std::map<std::string, std::vector<std::uint8_t>> m_data;
};

std::unique_ptr<CIcon> Varied(int w, int h, int bpp) {
    auto icon = CreateIcon(w, h, bpp);
    int k = 0;
    for (Pixel& p : icon->Pixels()) {
        p = MakePixel((k * 37) & 0xFF, (k * 11) & 0xFF, (k * 53) & 0xFF, (k * 101) & 0xFF);
        ++k;
    }
    return icon;
}

TEST(WriteReadRoundTrip, PastingThirtyTwoBitPayloadsRestoresEveryPixel) {
    auto icon = Varied(7, 5, 32);
    const auto payloads = ClipboardPayloads(*icon);
    auto back = FromDataObject(PayloadSource(payloads));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Bpp(), 32);
    ASSERT_EQ(back->Width(), 7);
    ASSERT_EQ(back->Height(), 5);
    EXPECT_TRUE(std::equal(back->Pixels().begin(), back->Pixels().end(), icon->Pixels().begin()));

    // Without the pixel block the DIB and the alpha mask still give every pixel back.
    auto viaMask = FromDataObject(PayloadSource(payloads, kCfPbPixel32));
    ASSERT_NE(viaMask, nullptr);
    ASSERT_EQ(viaMask->PixelCount(), icon->PixelCount());
    for (std::size_t i = 0; i < icon->PixelCount(); ++i) {
        EXPECT_EQ(viaMask->Pixels()[i], icon->Pixels()[i]) << i;
    }
}

TEST(WriteReadRoundTrip, ThirtyTwoBitPngFileKeepsStraightAlpha) {
    TempFolder dir;
    auto icon = Varied(9, 4, 32);
    ASSERT_TRUE(SavePng(*icon, dir / "a.png"));
    auto back = FromFile(dir / "a.png");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->PixelCount(), icon->PixelCount());
    for (std::size_t i = 0; i < icon->PixelCount(); ++i) {
        EXPECT_EQ(back->Pixels()[i], icon->Pixels()[i]) << i;
    }
}

TEST(WriteReadRoundTrip, PaletteFilesKeepDepthPaletteAndColours) {
    TempFolder dir;
    for (const int bpp : {4, 8}) {
        auto icon = CreateIcon(5, 3, bpp);
        const int step = 256 >> bpp;
        int k = 0;
        for (Pixel& p : icon->Pixels()) {
            const int g = ((k * 3) % (1 << bpp)) * step;  // exact palette colours
            p = MakePixel(255, g, g, g);
            ++k;
        }
        for (const char* ext : {".png", ".bmp", ".gif"}) {
            const auto path = dir / (std::to_string(bpp) + ext);
            const bool saved = std::string(ext) == ".png"   ? SavePng(*icon, path)
                               : std::string(ext) == ".bmp" ? SaveBmp(*icon, path)
                                                            : SaveGif(*icon, path);
            ASSERT_TRUE(saved) << path;
            auto back = FromFile(path);
            ASSERT_NE(back, nullptr) << path;
            if (std::string(ext) != ".gif") {
                EXPECT_EQ(back->Bpp(), bpp) << path;
            }
            ASSERT_EQ(back->PixelCount(), icon->PixelCount()) << path;
            for (std::size_t i = 0; i < icon->PixelCount(); ++i) {
                EXPECT_EQ(back->Pixels()[i], icon->Pixels()[i]) << path << " " << i;
            }
        }
    }
}

TEST(WriteReadRoundTrip, TwentyFourBitBitmapHasBlackWhereTransparent) {
    TempFolder dir;
    auto icon = Varied(6, 3, 24);
    ASSERT_TRUE(SaveBmp(*icon, dir / "a.bmp"));
    auto back = FromFile(dir / "a.bmp");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->PixelCount(), icon->PixelCount());
    for (std::size_t i = 0; i < icon->PixelCount(); ++i) {
        const Pixel p = icon->Pixels()[i];
        const Pixel expected = Alpha(p) >= 128 ? (p | 0xFF000000u) : 0xFF000000u;
        EXPECT_EQ(back->Pixels()[i], expected) << i;
    }
}

}  // namespace
}  // namespace varlen
