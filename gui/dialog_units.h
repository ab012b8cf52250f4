// Dialog units of a font, so page layouts keep their proportions with any font: a quarter
// of the average character width across, an eighth of the character height down.
#pragma once

#include <QFontMetrics>
#include <QString>
#include <algorithm>

namespace varlen {

struct DialogUnits {
    explicit DialogUnits(const QFontMetrics& fm)
        : baseX(std::max(1, (fm.horizontalAdvance(QStringLiteral(
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) +
                             26) /
                                52)),
          baseY(std::max(1, fm.height())) {}
    int X(int units) const { return (units * baseX + 2) / 4; }
    int Y(int units) const { return (units * baseY + 4) / 8; }
    int baseX;
    int baseY;
};

}  // namespace varlen
