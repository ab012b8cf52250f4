// WriteDib: the DIB form of one image as icon and cursor entries, bitmap files and the
// clipboard store it.
//
// Contract: 40-byte BITMAPINFOHEADER (biHeight doubled in icon form, biSizeImage counting
// the colour bits only, never the mask), then the whole palette for 8 bits or less (every
// one of the 2^bpp entries, used or not), then the colour bits and in icon form the mask,
// both exactly as CIcon::BuildBits lays them out (bottom row first, rows padded to 4 bytes).
//
// Traps: biSizeImage is a 32-bit field; a huge image whose colour bits do not fit is
// refused instead of writing a wrapped size. The bit buffers are checked against the
// strides before they are written, so a short buffer can never be read past its end.
#include "io/dib_writer.h"

#include <limits>

#include "io/le_bytes.h"

namespace varlen {

std::size_t ColorTableBytes(const CIcon& icon) {
    return static_cast<std::size_t>(icon.GetNumColors()) * 4;
}

std::vector<std::uint8_t> DibHeaderAndPalette(const CIcon& icon, bool iconForm) {
    std::vector<std::uint8_t> out;
    const std::size_t xorStride = CIcon::ColorStride(icon.Width(), icon.Bpp());
    const std::size_t height = static_cast<std::size_t>(icon.Height());
    if (icon.Width() < 1 || icon.Height() < 1 ||
        xorStride > std::numeric_limits<std::uint32_t>::max() / height) {
        return out;
    }
    const std::int32_t dibHeight = iconForm ? icon.Height() * 2 : icon.Height();
    out.reserve(kBitmapInfoHeaderSize + ColorTableBytes(icon));
    PutU32(out, kBitmapInfoHeaderSize);                           // biSize
    PutI32(out, icon.Width());                                    // biWidth
    PutI32(out, dibHeight);                                       // biHeight
    PutU16(out, 1);                                               // biPlanes
    PutU16(out, static_cast<std::uint32_t>(icon.Bpp()));          // biBitCount
    PutU32(out, 0);                                               // biCompression = BI_RGB
    PutU32(out, static_cast<std::uint32_t>(xorStride * height));  // biSizeImage
    PutU32(out, 0);                                               // biXPelsPerMeter
    PutU32(out, 0);                                               // biYPelsPerMeter
    PutU32(out, 0);                                               // biClrUsed
    PutU32(out, 0);                                               // biClrImportant
    const auto palette = icon.Palette();
    for (int i = 0; i < icon.GetNumColors(); ++i) {
        const RGBQUAD q = static_cast<std::size_t>(i) < palette.size() ? palette[i] : RGBQUAD{};
        PutU8(out, q.rgbBlue);
        PutU8(out, q.rgbGreen);
        PutU8(out, q.rgbRed);
        PutU8(out, 0);
    }
    return out;
}

bool WriteDib(const CIcon& icon, OutFile& file, bool iconForm) {
    const std::vector<std::uint8_t> head = DibHeaderAndPalette(icon, iconForm);
    if (head.empty()) {
        return false;
    }
    const std::size_t height = static_cast<std::size_t>(icon.Height());
    const DibBits bits = icon.BuildBits();
    if (bits.color.size() != CIcon::ColorStride(icon.Width(), icon.Bpp()) * height ||
        (iconForm && bits.mask.size() != CIcon::MaskStride(icon.Width()) * height)) {
        return false;
    }
    if (!file.Write(head.data(), head.size())) {
        return false;
    }
    if (!file.Write(bits.color.data(), bits.color.size())) {
        return false;
    }
    if (iconForm && !file.Write(bits.mask.data(), bits.mask.size())) {
        return false;
    }
    return true;
}

}  // namespace varlen
