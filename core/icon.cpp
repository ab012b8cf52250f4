// CIcon's factories, constructors and the grey palette of new images.
#include "core/icon.h"

namespace varlen {

namespace {
bool ValidDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}
}  // namespace

CIcon::CIcon(FactoryKey, int width, int height, int bpp)
    : m_nWidth(width),
      m_nHeight(height),
      m_nBpp(bpp),
      m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u) {
    MakeGreyPalette();
}

CIcon::CIcon(FactoryKey, const CIcon& source)
    : m_nWidth(source.m_nWidth),
      m_nHeight(source.m_nHeight),
      m_nBpp(source.m_nBpp),
      m_pixels(source.m_pixels) {
    MakeGreyPalette();
}

void CIcon::MakeGreyPalette() {
    const int bpp = m_nBpp;
    if (bpp <= 8) {
        const int n = 1 << bpp;
        m_palette.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const auto grey = static_cast<std::uint8_t>(i * 256 / n);
            m_palette[static_cast<std::size_t>(i)] = RGBQUAD{grey, grey, grey, 0};
        }
    }
}

CIcon::~CIcon() = default;

std::unique_ptr<CIcon> CreateIcon(int width, int height, int bpp, const CIcon* source,
                                  bool smoothing) {
    if (width < 1 || height < 1 || width > CIcon::kMaxSide || height > CIcon::kMaxSide ||
        !ValidDepth(bpp)) {
        return nullptr;
    }
    auto icon = std::make_unique<CIcon>(CIcon::FactoryKey{}, width, height, bpp);
    if (source != nullptr) {
        icon->Render(*source, nullptr, nullptr, false, 0.0, smoothing);
    }
    return icon;
}

std::unique_ptr<CIcon> CloneIcon(const CIcon* source, bool smoothing) {
    if (source == nullptr) {
        return nullptr;
    }
    if (smoothing) {
        return CreateIcon(source->Width(), source->Height(), source->Bpp(), source, true);
    }
    // A nearest-pixel render between equal sizes with no mirror and no rotation selects
    // every pixel exactly (all coordinates involved are small multiples of 0.5), so the
    // clone is a copy of the pixels.
    return std::make_unique<CIcon>(CIcon::FactoryKey{}, *source);
}

}  // namespace varlen
