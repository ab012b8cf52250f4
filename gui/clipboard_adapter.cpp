// Clipboard and drop data as named byte payloads. Contract: CF_DIB is a packed DIB (info
// header, masks, colour table, pixels) with no file header; on Linux it travels as
// image/bmp, which is the same DIB behind a 14-byte BMP file header, so reading drops the
// header and writing builds one. Traps:
// - The pixel offset in a built file header must count the bit masks (BI_BITFIELDS with a
//   40-byte header) and the colour table (biClrUsed, or 2^bits at 8 bits or less), or
//   readers that trust the offset show garbage; it is computed in 64 bits and capped at
//   the file's size so a hostile biClrUsed cannot overflow it.
// - A picture that only Qt's own image conversion offers (no image/bmp) becomes a 32-bit
//   bottom-up DIB from non-premultiplied ARGB, so alpha survives.
#include "gui/clipboard_adapter.h"

#include <QImage>
#include <QUrl>
#include <algorithm>

#include "io/clipboard_formats.h"

namespace varlen {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;

std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::vector<std::uint8_t> ToBytes(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return std::vector<std::uint8_t>(p, p + bytes.size());
}

}  // namespace

QString MimeTypeOf(std::string_view name) {
    if (name == kCfDib) {
        return QStringLiteral("image/bmp");
    }
#ifdef Q_OS_WIN
    // Registered clipboard formats appear in Qt under this form.
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
        .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
#else
    if (name == kCfPng) {
        return QStringLiteral("image/png");
    }
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
#endif
}

std::optional<std::vector<std::uint8_t>> MimeDataSource::GetData(std::string_view format) const {
    const QString type = MimeTypeOf(format);
    if (m_data.hasFormat(type)) {
        std::vector<std::uint8_t> bytes = ToBytes(m_data.data(type));
        if (format == kCfDib) {
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                           bytes.size(), kFileHeaderBytes)));
        }
        return bytes;
    }
    if (format == kCfDib && m_data.hasImage()) {
        const QImage image = qvariant_cast<QImage>(m_data.imageData());
        if (!image.isNull()) {
            return DibFromImage(image);
        }
    }
    return std::nullopt;
}

QStringList FilePathsOf(const QMimeData& data) {
    QStringList paths;
    if (!data.hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

std::vector<std::uint8_t> BmpFileHeaderFor(std::span<const std::uint8_t> dib) {
    if (dib.size() < 4) {
        return {};
    }
    const std::uint32_t headerSize = GetU32(dib, 0);
    std::uint64_t tableBytes = 0;
    if (headerSize == 12) {  // BITMAPCOREHEADER: 3-byte colour entries
        if (dib.size() < 12) {
            return {};
        }
        const unsigned bits = GetU16(dib, 10);
        tableBytes = bits <= 8 ? (std::uint64_t{1} << bits) * 3 : 0;
    } else {
        if (headerSize < kInfoHeaderBytes || dib.size() < kInfoHeaderBytes) {
            return {};
        }
        const unsigned bits = GetU16(dib, 14);
        const std::uint32_t compression = GetU32(dib, 16);
        const std::uint32_t used = GetU32(dib, 32);
        std::uint64_t colors = used;
        if (colors == 0 && bits <= 8) {
            colors = std::uint64_t{1} << bits;
        }
        tableBytes = colors * 4;
        if (headerSize == kInfoHeaderBytes) {
            if (compression == 3) {  // BI_BITFIELDS: red, green, blue masks
                tableBytes += 12;
            } else if (compression == 6) {  // BI_ALPHABITFIELDS
                tableBytes += 16;
            }
        }
    }
    const std::uint64_t fileSize = kFileHeaderBytes + static_cast<std::uint64_t>(dib.size());
    const std::uint64_t offset = std::min<std::uint64_t>(
        kFileHeaderBytes + std::uint64_t{headerSize} + tableBytes, fileSize);
    std::vector<std::uint8_t> header(kFileHeaderBytes, 0);
    header[0] = 'B';
    header[1] = 'M';
    PutU32(&header[2], static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize, 0xFFFFFFFFu)));
    PutU32(&header[10], static_cast<std::uint32_t>(offset));
    return header;
}

void AddPayload(QMimeData& data, std::string_view format, std::span<const std::uint8_t> bytes) {
    QByteArray out;
    if (format == kCfDib) {
        const std::vector<std::uint8_t> header = BmpFileHeaderFor(bytes);
        if (header.empty()) {
            return;
        }
        out.append(reinterpret_cast<const char*>(header.data()),
                   static_cast<qsizetype>(header.size()));
    }
    out.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    data.setData(MimeTypeOf(format), out);
}

std::vector<std::uint8_t> DibFromImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const auto width = static_cast<std::size_t>(argb.width());
    const auto height = static_cast<std::size_t>(argb.height());
    const std::size_t rowBytes = width * 4;
    std::vector<std::uint8_t> dib(kInfoHeaderBytes + rowBytes * height, 0);
    std::uint8_t* h = dib.data();
    PutU32(h, kInfoHeaderBytes);
    PutU32(h + 4, static_cast<std::uint32_t>(argb.width()));
    PutU32(h + 8, static_cast<std::uint32_t>(argb.height()));  // positive: bottom row first
    PutU16(h + 12, 1);
    PutU16(h + 14, 32);
    PutU32(h + 20, static_cast<std::uint32_t>(rowBytes * height));
    std::uint8_t* pixels = h + kInfoHeaderBytes;
    for (std::size_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(static_cast<int>(y)));
        std::uint8_t* out = pixels + (height - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < width; ++x) {
            const QRgb p = row[x];
            out[4 * x + 0] = static_cast<std::uint8_t>(qBlue(p));
            out[4 * x + 1] = static_cast<std::uint8_t>(qGreen(p));
            out[4 * x + 2] = static_cast<std::uint8_t>(qRed(p));
            out[4 * x + 3] = static_cast<std::uint8_t>(qAlpha(p));
        }
    }
    return dib;
}

}  // namespace varlen
