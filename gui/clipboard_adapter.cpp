// Clipboard and drop data as named byte payloads. Contract: CF_DIB is a packed DIB (info
// header, masks, colour table, pixels) with no file header; on Linux it travels as
// image/bmp, which is the same DIB behind a 14-byte BMP file header (io/bmp_file_header.h),
// so reading drops the header and writing builds one. Trap:
// - A picture that only Qt's own image conversion offers (no image/bmp) becomes a 32-bit
//   bottom-up DIB from non-premultiplied ARGB, so alpha survives.
#include "gui/clipboard_adapter.h"

#include <QImage>
#include <QUrl>
#include <algorithm>

#include "io/bmp_file_header.h"
#include "io/clipboard_formats.h"

namespace varlen {

namespace {

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
                                                           bytes.size(), kBmpFileHeaderBytes)));
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
    std::vector<std::uint8_t> dib = Dib32InfoHeader(static_cast<std::uint32_t>(argb.width()),
                                                    static_cast<std::uint32_t>(argb.height()));
    dib.resize(kBmpInfoHeaderBytes + rowBytes * height, 0);
    std::uint8_t* pixels = dib.data() + kBmpInfoHeaderBytes;
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
