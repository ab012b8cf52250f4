// The clipboard adapter: QMimeData formats seen as named payloads, file lists, and the
// reverse mapping for a copy.
#include "gui/clipboard_adapter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QUrl>
#include <algorithm>
#include <string_view>

#include "io/clipboard_formats.h"
#include "io/loaders.h"

namespace varlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

QByteArray ToQt(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// A packed DIB: 40-byte info header of width x 1 at bits, clrUsed colours, then tail.
Bytes Dib(int width, int bits, std::uint32_t compression, std::uint32_t clrUsed,
          const Bytes& tail) {
    Bytes b(40 + tail.size(), 0);
    std::copy(tail.begin(), tail.end(), b.begin() + 40);
    Put32(b, 0, 40);
    Put32(b, 4, static_cast<std::uint32_t>(width));
    Put32(b, 8, 1);
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(bits);
    Put32(b, 16, compression);
    Put32(b, 32, clrUsed);
    return b;
}

// Two 24-bit pixels, (R,G,B) = (0x30,0x20,0x10) and (0x60,0x50,0x40), row padded to 8.
const Bytes kTwoPixels = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0};

TEST(ClipboardAdapter, MimeTypesOfTheFormatNames) {
    EXPECT_EQ(MimeTypeOf(kCfDib), QStringLiteral("image/bmp"));
#ifndef Q_OS_WIN
    EXPECT_EQ(MimeTypeOf(kCfPng), QStringLiteral("image/png"));
    EXPECT_EQ(MimeTypeOf(kCfPbPixel32), QStringLiteral("PBPIXEL32"));
    EXPECT_EQ(MimeTypeOf(kCfTransp), QStringLiteral("Pixia_Transp"));
#endif
}

TEST(ClipboardAdapter, DibIsTheBmpFileWithoutItsFileHeader) {
    const Bytes dib = Dib(2, 24, 0, 0, kTwoPixels);
    Bytes file = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    file.insert(file.end(), dib.begin(), dib.end());
    QMimeData mime;
    mime.setData(QStringLiteral("image/bmp"), ToQt(file));
    const MimeDataSource source(mime);
    EXPECT_EQ(source.GetData(kCfDib), dib);
    EXPECT_FALSE(source.GetData(kCfPng).has_value());
    EXPECT_FALSE(source.GetData(kCfPbPixel32).has_value());

    // And the picture loader reads it through the adapter.
    const auto icon = FromDataObject(source);
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->Width(), 2);
    ASSERT_EQ(icon->Height(), 1);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFF302010u);
    EXPECT_EQ(icon->GetPixel(1, 0), 0xFF605040u);
}

TEST(ClipboardAdapter, ShortBmpGivesAnEmptyDib) {
    QMimeData mime;
    mime.setData(QStringLiteral("image/bmp"), QByteArray("BM12", 4));
    EXPECT_EQ(MimeDataSource(mime).GetData(kCfDib), Bytes{});
}

TEST(ClipboardAdapter, QtImageBecomesA32BitBottomUpDib) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(1, 2, 3, 255));
    image.setPixel(1, 0, qRgba(4, 5, 6, 128));
    image.setPixel(0, 1, qRgba(7, 8, 9, 0));
    image.setPixel(1, 1, qRgba(10, 11, 12, 200));
    QMimeData mime;
    mime.setImageData(image);
    const auto dib = MimeDataSource(mime).GetData(kCfDib);
    ASSERT_TRUE(dib.has_value());
    ASSERT_EQ(dib->size(), 40u + 16u);
    const Bytes header(dib->begin(), dib->begin() + 40);
    const Bytes expectedHeader = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0,
                                  16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
    EXPECT_EQ(header, expectedHeader);
    const Bytes pixels(dib->begin() + 40, dib->end());
    // Bottom row first; each pixel blue, green, red, alpha.
    const Bytes expectedPixels = {9, 8, 7, 0, 12, 11, 10, 200, 3, 2, 1, 255, 6, 5, 4, 128};
    EXPECT_EQ(pixels, expectedPixels);
}

TEST(ClipboardAdapter, NamedFormatsAndEmptyPayloads) {
    QMimeData mime;
    mime.setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    mime.setData(QStringLiteral("PBPIXEL32"), QByteArray("\1\0\0\0", 4));
    mime.setData(QStringLiteral("Pixia_Transp"), QByteArray());
    const MimeDataSource source(mime);
    EXPECT_EQ(source.GetData(kCfPng), (Bytes{0x89, 'P', 'N', 'G'}));
    EXPECT_EQ(source.GetData(kCfPbPixel32), (Bytes{1, 0, 0, 0}));
    // Offered with no bytes: present but empty.
    ASSERT_TRUE(source.GetData(kCfTransp).has_value());
    EXPECT_TRUE(source.GetData(kCfTransp)->empty());
    EXPECT_FALSE(source.GetData(kCfDib).has_value());
}

TEST(ClipboardAdapter, UriListGivesTheLocalFilesInOrder) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.png")),
                  QUrl(QStringLiteral("https://example.org/c.png")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/写真.jpg"))});
    EXPECT_EQ(FilePathsOf(mime),
              (QStringList{QStringLiteral("/tmp/a b.png"), QStringLiteral("/tmp/写真.jpg")}));

    QMimeData raw;
    raw.setData(QStringLiteral("text/uri-list"), "file:///tmp/x%20y.gif\r\n");
    EXPECT_EQ(FilePathsOf(raw), QStringList{QStringLiteral("/tmp/x y.gif")});
    EXPECT_TRUE(FilePathsOf(QMimeData()).isEmpty());
}

TEST(ClipboardAdapter, FileHeaderCountsMasksAndColourTable) {
    auto offset = [](const Bytes& dib) {
        const Bytes h = BmpFileHeaderFor(dib);
        EXPECT_EQ(h.size(), 14u);
        EXPECT_EQ(h[0], 'B');
        EXPECT_EQ(h[1], 'M');
        const std::uint32_t size = h[2] | (h[3] << 8) | (h[4] << 16) | (h[5] << 24);
        EXPECT_EQ(size, 14 + dib.size());
        return static_cast<std::uint32_t>(h[10] | (h[11] << 8) | (h[12] << 16) | (h[13] << 24));
    };
    EXPECT_EQ(offset(Dib(2, 24, 0, 0, kTwoPixels)), 54u);
    EXPECT_EQ(offset(Dib(1, 8, 0, 0, Bytes(1024 + 4, 0))), 14u + 40 + 1024);
    EXPECT_EQ(offset(Dib(1, 8, 0, 2, Bytes(8 + 4, 0))), 14u + 40 + 8);
    EXPECT_EQ(offset(Dib(1, 4, 0, 0, Bytes(64 + 4, 0))), 14u + 40 + 64);
    EXPECT_EQ(offset(Dib(1, 32, 3, 0, Bytes(12 + 4, 0))), 14u + 40 + 12);
    // A lying colour count cannot push the offset past the file.
    EXPECT_EQ(offset(Dib(1, 8, 0, 0xFFFFFFFFu, Bytes(4, 0))), 14u + 44);
    EXPECT_TRUE(BmpFileHeaderFor(Bytes(20, 0)).empty());
}

struct Payload {
    std::string_view format;
    Bytes bytes;
};

TEST(ClipboardAdapter, PayloadsBecomeMimeDataAndReadBackUnchanged) {
    const Bytes dib = Dib(2, 24, 0, 0, kTwoPixels);
    const std::vector<Payload> payloads = {{kCfDib, dib},
                                           {kCfPng, {0x89, 'P', 'N', 'G'}},
                                           {kCfPbPixel32, {2, 0, 0, 0, 1, 0, 0, 0}},
                                           {kCfTransp, {7}}};
    const std::unique_ptr<QMimeData> mime = MimeDataFromPayloads(payloads);
    const QByteArray bmp = mime->data(QStringLiteral("image/bmp"));
    ASSERT_EQ(bmp.size(), 62);
    EXPECT_EQ(bmp.left(14), QByteArray("BM\x3e\0\0\0\0\0\0\0\x36\0\0\0", 14));
    EXPECT_EQ(mime->data(QStringLiteral("image/png")), QByteArray("\x89PNG", 4));
    EXPECT_EQ(mime->data(QStringLiteral("PBPIXEL32")), QByteArray("\2\0\0\0\1\0\0\0", 8));
    EXPECT_EQ(mime->data(QStringLiteral("Pixia_Transp")), QByteArray("\7", 1));

    const MimeDataSource source(*mime);
    for (const Payload& p : payloads) {
        EXPECT_EQ(source.GetData(p.format), p.bytes) << p.format;
    }
}

}  // namespace
}  // namespace varlen
