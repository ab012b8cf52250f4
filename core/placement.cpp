#include "core/placement.h"

#include <algorithm>

#include "core/parallel.h"

namespace varlen {

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
    auto placed = CreateIcon(source.Width(), source.Height(), 32);
    if (!placed) {
        return nullptr;
    }
    RenderWith(workers, *placed, picture, nullptr, &source, mirror, rotation / 1000.0, true);
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
