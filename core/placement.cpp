// Placement: the square cut out of the picture. Contract: PlacePicture either refuses
// (null, nothing allocated) or returns an image of exactly the rectangle's size.
// Traps: the rectangle comes from the view, whose coordinates may be far outside the
// picture; its sides are worked out in 64 bits so an extreme rectangle cannot overflow
// into a small, "acceptable" side.
#include "core/placement.h"

#include <algorithm>

#include "core/workers.h"

namespace varlen {

int MaxPlacedSide(int pictureWidth, int pictureHeight) {
    const long long larger = std::max<long long>(std::max(pictureWidth, pictureHeight), 1);
    return static_cast<int>(
        std::clamp<long long>(larger * kPlacedSideFactor, kMinPlacedLimit, kMaxPlacedSide));
}

bool PlacementFits(int pictureWidth, int pictureHeight, const Rect& source) {
    const long long w = static_cast<long long>(source.right) - source.left;
    const long long h = static_cast<long long>(source.bottom) - source.top;
    const long long limit = MaxPlacedSide(pictureWidth, pictureHeight);
    return w >= 1 && h >= 1 && w <= limit && h <= limit;
}

Rect CenteredSquare(int width, int height, bool noMargin) {
    const int side = noMargin ? std::min(width, height) : std::max(width, height);
    const int left = (width - side) / 2;
    const int top = (height - side) / 2;
    return Rect{left, top, left + side, top + side};
}

std::unique_ptr<CIcon> PlacePicture(const CIcon& picture, const Rect& source, bool mirror,
                                    int rotation, std::optional<ColorRef> background) {
    Workers serial(1);
    return PlacePicture(picture, source, mirror, rotation, background, serial);
}

std::unique_ptr<CIcon> PlacePicture(const CIcon& picture, const Rect& source, bool mirror,
                                    int rotation, std::optional<ColorRef> background,
                                    Workers& workers) {
    if (!PlacementFits(picture.Width(), picture.Height(), source)) {
        return nullptr;
    }
    auto placed = CreateIcon(source.Width(), source.Height(), 32);
    if (!placed) {
        return nullptr;
    }
    placed->Render(picture, nullptr, &source, mirror, rotation / 1000.0, true, &workers);
    if (background) {
        placed->FillBackground(*background);
    }
    return placed;
}

std::unique_ptr<CIcon> PlacePicture(std::unique_ptr<CIcon>&& picture, const Rect& source,
                                    bool mirror, int rotation, std::optional<ColorRef> background,
                                    Workers& workers) {
    const Rect whole{0, 0, picture->Width(), picture->Height()};
    if (source != whole || mirror || rotation != 0 || picture->Bpp() != 32 ||
        !PlacementFits(picture->Width(), picture->Height(), source)) {
        return PlacePicture(*picture, source, mirror, rotation, background, workers);
    }
    std::unique_ptr<CIcon> placed = std::move(picture);
    // A render of the image into itself: done in place where every pixel reads only itself.
    placed->Render(*placed, nullptr, &source, false, 0.0, true, &workers);
    if (background) {
        placed->FillBackground(*background);
    }
    return placed;
}

int NormalizeRotation(long long rotation) {
    const long long full = 360000;
    return static_cast<int>(((rotation % full) + full) % full);
}

}  // namespace varlen
