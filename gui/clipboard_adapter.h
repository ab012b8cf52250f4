// The Qt side of the clipboard and of drag and drop: QMimeData seen as the named byte
// payloads of the io layer, and back.
//
//   name            Linux (X11/Wayland)                       Windows
//   CF_DIB          image/bmp minus its 14-byte file header   the native DIB
//   PNG             image/png                                 registered "PNG"
//   PBPIXEL32       PBPIXEL32                                 registered "PBPIXEL32"
//   Pixia_Transp    Pixia_Transp                              registered "Pixia_Transp"
//   file list       text/uri-list                             file drop list
#pragma once

#include <QMimeData>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "io/bmp_file_header.h"  // BmpFileHeaderFor, for the image/bmp payload
#include "io/data_source.h"

namespace varlen {

// The mime type that carries the payload called name (a name of io/clipboard_formats.h).
QString MimeTypeOf(std::string_view name);

// Reads a QMimeData it does not own (it must outlive the source). CF_DIB comes from
// image/bmp; without image/bmp, a picture that Qt itself offers (QMimeData::imageData,
// for example a JPEG copied by another program) is handed over as a 32-bit DIB.
class MimeDataSource final : public DataSource {
  public:
    explicit MimeDataSource(const QMimeData& data) : m_data(data) {}
    std::optional<std::vector<std::uint8_t>> GetData(std::string_view format) const override;

  private:
    const QMimeData& m_data;
};

// The local files of a text/uri-list, in order; other URLs are left out.
QStringList FilePathsOf(const QMimeData& data);

// Adds one payload: CF_DIB gets its 14-byte file header and goes out as image/bmp; the
// others under their mime types. An unknown name goes out under the name itself.
void AddPayload(QMimeData& data, std::string_view format, std::span<const std::uint8_t> bytes);

// A QMimeData from payloads given as a range of items with .format and .bytes.
template <class Payloads>
std::unique_ptr<QMimeData> MimeDataFromPayloads(const Payloads& payloads) {
    auto data = std::make_unique<QMimeData>();
    for (const auto& payload : payloads) {
        AddPayload(*data, payload.format, payload.bytes);
    }
    return data;
}

// A picture as a packed 32-bit BI_RGB DIB (40-byte info header, bottom row first, each
// pixel blue, green, red, alpha). Empty for a null image.
std::vector<std::uint8_t> DibFromImage(const QImage& image);

}  // namespace varlen
