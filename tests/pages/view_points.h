// Where to click in a picture view to hit one picture pixel, found by the view's own
// mapping, so tests click as a user would whatever the view's scale.
#pragma once

#include <QPoint>
#include <optional>
#include <vector>

#include "gui/icon_wnd.h"

namespace varlen::testing_support {

// The middle of the view's points that show picture pixel (x, y); nothing when no point
// shows it. Never the widget's origin: QTest takes a null point for the centre.
inline std::optional<QPoint> ViewPointOf(const CIconWnd& view, int x, int y) {
    std::vector<QPoint> hits;
    for (int cy = 0; cy < view.height(); ++cy) {
        for (int cx = 0; cx < view.width(); ++cx) {
            if (view.ClientToSource(Point{cx, cy}) == Point{x, y}) {
                hits.emplace_back(cx, cy);
            }
        }
    }
    if (hits.empty()) {
        return std::nullopt;
    }
    const QPoint middle = (hits.front() + hits.back()) / 2;
    if (middle.isNull() || view.ClientToSource(Point{middle.x(), middle.y()}) != Point{x, y}) {
        return std::nullopt;
    }
    return middle;
}

}  // namespace varlen::testing_support
