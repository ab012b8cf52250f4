// Pictures of their own for chosen sizes. Traps: the picture may be indexed (a 16-colour
// BMP drawn by hand); its pixels are 32-bit like every CIcon's, so the depth it arrives with
// is never looked at. FittedSource works in 64 bits: a 16384-pixel side times a 512 format
// side does not fit in int.
#include "core/size_pictures.h"

#include <algorithm>

namespace varlen {

void SizePictures::Set(int width, int height, std::unique_ptr<CIcon> picture, std::string label) {
    if (!picture) {
        Remove(width, height);
        return;
    }
    for (Entry& e : m_entries) {
        if (e.width == width && e.height == height) {
            e.picture = std::move(picture);
            e.label = std::move(label);
            return;
        }
    }
    m_entries.push_back(Entry{width, height, std::move(picture), std::move(label)});
}

bool SizePictures::Remove(int width, int height) {
    const auto gone = std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.width == width && e.height == height;
    });
    const bool removed = gone != m_entries.end();
    m_entries.erase(gone, m_entries.end());
    return removed;
}

const CIcon* SizePictures::Find(int width, int height) const {
    for (const Entry& e : m_entries) {
        if (e.width == width && e.height == height) {
            return e.picture.get();
        }
    }
    return nullptr;
}

std::string SizePictures::Label(int width, int height) const {
    for (const Entry& e : m_entries) {
        if (e.width == width && e.height == height) {
            return e.label;
        }
    }
    return {};
}

std::vector<std::pair<int, int>> SizePictures::Sizes() const {
    std::vector<std::pair<int, int>> sizes;
    for (const Entry& e : m_entries) {
        sizes.emplace_back(e.width, e.height);
    }
    return sizes;
}

Rect FittedSource(int pictureWidth, int pictureHeight, int width, int height) {
    const long long pw = pictureWidth, ph = pictureHeight, w = width, h = height;
    long long sw = pw, sh = ph;
    if (pw * h >= ph * w) {
        sh = (pw * h + w / 2) / w;  // the picture is wider than the format: margins above and below
    } else {
        sw = (ph * w + h / 2) / h;
    }
    const int left = static_cast<int>((pw - sw) / 2);
    const int top = static_cast<int>((ph - sh) / 2);
    return Rect{left, top, left + static_cast<int>(sw), top + static_cast<int>(sh)};
}

std::unique_ptr<CIcon> FitPicture(const CIcon& picture, int width, int height, bool smoothing) {
    auto fitted = CreateIcon(width, height, 32);
    if (!fitted) {
        return nullptr;
    }
    if (picture.Width() == width && picture.Height() == height) {
        std::copy(picture.Pixels().begin(), picture.Pixels().end(), fitted->Pixels().begin());
        return fitted;
    }
    const Rect source = FittedSource(picture.Width(), picture.Height(), width, height);
    fitted->Render(picture, nullptr, &source, false, 0.0, smoothing);
    return fitted;
}

std::unique_ptr<CIcon> BuildSizePictureIcon(const CIcon& picture, int width, int height, int bpp,
                                            bool smoothing) {
    auto image = CreateIcon(width, height, bpp);
    if (!image) {
        return nullptr;
    }
    std::unique_ptr<CIcon> fitted;
    if (bpp != 32 && !(picture.Width() == width && picture.Height() == height)) {
        // As for the working image: on-or-off transparency before the resize.
        auto thresholded = CloneIcon(&picture);
        thresholded->ThresholdAlpha();
        fitted = FitPicture(*thresholded, width, height, smoothing);
    } else {
        fitted = FitPicture(picture, width, height, smoothing);
        if (bpp != 32) {
            fitted->ThresholdAlpha();
        }
    }
    std::copy(fitted->Pixels().begin(), fitted->Pixels().end(), image->Pixels().begin());
    if (bpp <= 8) {
        image->MakePalette();
    }
    return image;
}

}  // namespace varlen
