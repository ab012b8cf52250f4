// The interactive picture view.
//
// Contract: the view paints the source square of its picture through the image core's
// view drawing (one buffer, shown 1:1), and turns mouse input into changes of the source
// square or the rotation, reported by signals after the view has repainted itself.
//
// Traps:
// - The arithmetic is integer arithmetic truncating toward zero, also where the values are
//   negative: a move of -3 widget pixels becomes trunc(-2.5) = -2, and ClientToSource
//   maps the top-left widget pixel of a square starting at -50 to -49. These off-by-one
//   results toward zero are the documented behaviour; do not "fix" them to floor.
// - A drag runs only while this view holds the mouse: the press that starts it takes it
//   and the matching release gives it back. Presses while any widget holds the mouse are
//   ignored, so a right press during a left drag does not start a zoom.
// - Zooming grows the square without bound in principle; coordinates are limited to
//   +-kMaxCoordinate so that no sum or product below can overflow.
// - The rotation is always kept in 0 ... 359999 thousandths of a degree.
#include "gui/icon_wnd.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/placement.h"
#include "gui/controls.h"

namespace varlen {

namespace {


// Truncation toward zero, limited to the int range.
int Trunc(double v) {
    if (!(v > -2147483648.0)) {
        return std::numeric_limits<int>::min();
    }
    if (!(v < 2147483647.0)) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(v);
}

long long ClampCoordinate(long long v) {
    return std::clamp<long long>(v, -CIconWnd::kMaxCoordinate, CIconWnd::kMaxCoordinate);
}

// The backdrop of an empty view: a 16 x 16 tile of four 8 x 8 cells, silver (192) and
// white in a checkerboard, silver at the top left like the backdrop of transparent pixels.
QBrush EmptyPatternBrush() {
    QImage tile(16, 16, QImage::Format_RGB32);
    const QColor silver(192, 192, 192);
    const QColor white(255, 255, 255);
    QPainter p(&tile);
    p.fillRect(0, 0, 8, 8, silver);
    p.fillRect(8, 0, 8, 8, white);
    p.fillRect(0, 8, 8, 8, white);
    p.fillRect(8, 8, 8, 8, silver);
    p.end();
    return QBrush(tile);
}

Point PointOf(const QPointF& pos) {
    const QPoint p = pos.toPoint();
    return Point{p.x(), p.y()};
}

}  // namespace

CIconWnd::CIconWnd(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateCursor();
}

void CIconWnd::SetImage(const CIcon* icon) {
    m_pIcon = icon;
    if (icon != nullptr) {
        const int w = icon->Width();
        const int h = icon->Height();
        const int s = m_bNoMargin ? std::min(w, h) : std::max(w, h);
        const int left = (w - s) / 2;
        const int top = (h - s) / 2;
        m_rcSource = Rect{left, top, left + s, top + s};
    }
    UpdateCursor();
    update();
}

void CIconWnd::SetSourceRect(const Rect& rect) {
    SetSourceRectWide(rect.left, rect.top, rect.right, rect.bottom);
}

void CIconWnd::SetSourceRectWide(long long left, long long top, long long right, long long bottom) {
    if (m_pIcon == nullptr) {
        m_rcSource = Rect{};
        return;
    }
    left = ClampCoordinate(left);
    top = ClampCoordinate(top);
    right = ClampCoordinate(right);
    bottom = ClampCoordinate(bottom);

    // Inflating by 1 until both sides are positive is inflating once by the larger need.
    const long long width = right - left;
    const long long height = bottom - top;
    const long long needW = width > 0 ? 0 : -width / 2 + 1;
    const long long needH = height > 0 ? 0 : -height / 2 + 1;
    const long long grow = std::max(needW, needH);
    left -= grow;
    top -= grow;
    right += grow;
    bottom += grow;

    if (m_bNoMargin) {
        const long long W = m_pIcon->Width();
        const long long H = m_pIcon->Height();
        const long long sw = right - left;
        const long long sh = bottom - top;
        if (W < sw || H < sh) {
            if (static_cast<double>(sw) / static_cast<double>(W) >
                static_cast<double>(sh) / static_cast<double>(H)) {
                top += -left;
                bottom += W - right;
                left = 0;
                right = W;
            } else {
                left += -top;
                right += H - bottom;
                top = 0;
                bottom = H;
            }
        }
        if (left < 0) {
            right += -left;
            left = 0;
        } else if (right > W) {
            left -= right - W;
            right = W;
        }
        if (top < 0) {
            bottom += -top;
            top = 0;
        } else if (bottom > H) {
            top -= bottom - H;
            bottom = H;
        }
    }
    m_rcSource = Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                      static_cast<int>(bottom)};
    update();
}

void CIconWnd::SetMirror(bool mirror) {
    if (mirror != m_bMirror) {
        m_bMirror = mirror;
        update();
    }
}

void CIconWnd::SetRotation(int rotation) {
    if (rotation != m_nRotation) {
        m_nRotation = NormalizeRotation(rotation);
        update();
    }
}

void CIconWnd::SetNoMargin(bool noMargin) {
    if (noMargin != m_bNoMargin) {
        m_bNoMargin = noMargin;
        SetSourceRect(m_rcSource);
    }
}

void CIconWnd::SetBackground(bool on, ColorRef colour) {
    if (on != m_bBackground) {
        m_bBackground = on;
        update();
    }
    if (m_bBackground && colour != m_crBackground) {
        m_crBackground = colour;
        update();
    }
}

void CIconWnd::SetMode(int mode) {
    m_nMode = mode;
    UpdateCursor();
}

void CIconWnd::FitToSquare() {
    const int side = std::min(width(), height()) / 8 * 8;
    setFixedSize(side, side);
}

void CIconWnd::UpdateCursor() {
    if (m_pIcon != nullptr && (m_nMode & ICONWND_PICK) != 0) {
        setCursor(Qt::CrossCursor);
    } else if (m_pIcon != nullptr && (m_nMode & (ICONWND_MOVE | ICONWND_ZOOM)) != 0) {
        setCursor(Qt::OpenHandCursor);
    } else {
        unsetCursor();
    }
}

Point CIconWnd::ClientToSource(Point client) const {
    const int w = width();
    const int h = height();
    const double theta = m_nRotation * std::numbers::pi / 180.0 / 1000.0;
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    const double cx = (w - 1) * 0.5;
    const double cy = (h - 1) * 0.5;
    const double fx = (m_bMirror ? w - 1 - client.x : client.x) - cx;
    const double fy = client.y - cy;
    const double sw = m_rcSource.Width();
    const double sh = m_rcSource.Height();
    const double x = (fx * cosT + fy * sinT + cx) * sw / w + m_rcSource.left + 0.5;
    const double y = (fy * cosT - fx * sinT + cy) * sh / h + m_rcSource.top + 0.5;
    return Point{Trunc(x), Trunc(y)};
}

void CIconWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    if (m_pIcon == nullptr) {
        painter.fillRect(rect(),
                         m_bBackground ? QBrush(ColorOf(m_crBackground)) : EmptyPatternBrush());
        return;
    }
    if (w <= 0 || h <= 0) {
        return;
    }
    const Rect dst{0, 0, w, h};
    const std::vector<Pixel> pixels = m_pIcon->Draw(
        &dst, &m_rcSource, true, m_bMirror, m_nRotation / 1000.0, m_bBackground, m_crBackground);
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), w, h,
                       static_cast<qsizetype>(w) * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

void CIconWnd::mousePressEvent(QMouseEvent* event) {
    const Point pt = PointOf(event->position());
    const bool free = m_pIcon != nullptr && !m_bCapture && QWidget::mouseGrabber() == nullptr;
    if (event->button() == Qt::RightButton) {
        m_bZoomPress = false;
        if (free && (m_nMode & ICONWND_ZOOM) != 0) {
            RightButtonDown(pt);
            event->accept();
            return;
        }
    } else if (event->button() == Qt::LeftButton && free) {
        LeftButtonDown(pt, (event->modifiers() & Qt::ControlModifier) != 0);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CIconWnd::LeftButtonDown(Point pt, bool ctrl) {
    if (ctrl) {
        if ((m_nMode & ICONWND_ROTATE) == 0) {
            return;
        }
        m_nStartRotation = m_nRotation;
        m_nDrag = kDragRotate;
    } else if ((m_nMode & ICONWND_PICK) != 0) {
        const Point p = ClientToSource(pt);
        emit pick(m_pIcon->GetPixel(p.x, p.y), QPoint(p.x, p.y));
        return;
    } else if ((m_nMode & ICONWND_MOVE) != 0) {
        m_rcStart = m_rcSource;
        m_nDrag = kDragMove;
    } else {
        return;
    }
    m_ptStart = pt;
    m_bCapture = true;
}

void CIconWnd::RightButtonDown(Point pt) {
    m_nDrag = kDragZoom;
    m_ptStart = pt;
    m_bCapture = true;
    m_bZoomPress = true;
}

void CIconWnd::mouseReleaseEvent(QMouseEvent* event) {
    const bool held = m_bCapture && m_pIcon != nullptr;
    if (event->button() == Qt::LeftButton && held &&
        (m_nDrag == kDragMove || m_nDrag == kDragRotate)) {
        m_bCapture = false;
    } else if (event->button() == Qt::RightButton && held && m_nDrag == kDragZoom) {
        m_bCapture = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CIconWnd::contextMenuEvent(QContextMenuEvent* event) {
    // A right press that started a zoom drag never opens a context menu; any other right
    // click passes the request on to the page.
    if (m_bZoomPress && event->reason() == QContextMenuEvent::Mouse) {
        event->accept();
        return;
    }
    event->ignore();
}

void CIconWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bCapture || m_pIcon == nullptr) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const Point pt = PointOf(event->position());
    switch (m_nDrag) {
        case kDragMove:
            DragMove(pt);
            break;
        case kDragZoom:
            DragZoom(pt);
            break;
        case kDragRotate:
            DragRotate(pt);
            break;
        default:
            QWidget::mouseMoveEvent(event);
            break;
    }
}

void CIconWnd::DragMove(Point pt) {
    const double theta = m_nRotation * std::numbers::pi / 180.0 / 1000.0;
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    const int dx = m_bMirror ? pt.x - m_ptStart.x : m_ptStart.x - pt.x;
    const int dy = m_ptStart.y - pt.y;
    const long long u = Trunc(dx * cosT + dy * sinT + 0.5);
    const long long v = Trunc(dy * cosT - dx * sinT + 0.5);
    const long long w = std::max(width(), 1);
    const long long h = std::max(height(), 1);
    const long long ox = u * m_rcSource.Width() / w;
    const long long oy = v * m_rcSource.Height() / h;
    SetSourceRectWide(m_rcStart.left + ox, m_rcStart.top + oy, m_rcStart.right + ox,
                      m_rcStart.bottom + oy);
    repaint();
    emit moved();
}

void CIconWnd::DragZoom(Point pt) {
    const long long d = static_cast<long long>(m_ptStart.x - pt.x) + (pt.y - m_ptStart.y);
    m_ptStart = pt;
    SetSourceRectWide(m_rcSource.left - d, m_rcSource.top - d, m_rcSource.right + d,
                      m_rcSource.bottom + d);
    repaint();
    emit zoomed();
}

void CIconWnd::DragRotate(Point pt) {
    const double cx = (width() - 1) * 0.5;
    const double cy = (height() - 1) * 0.5;
    const double ex = m_bMirror ? pt.x - cx : cx - pt.x;
    const double e0 = m_bMirror ? m_ptStart.x - cx : cx - m_ptStart.x;
    const double a = std::atan2(cy - pt.y, ex) - std::atan2(cy - m_ptStart.y, e0);
    const int delta = Trunc(a * 180.0 * 1000.0 / std::numbers::pi + 0.5);
    m_nRotation = NormalizeRotation(NormalizeRotation(delta) + m_nStartRotation);
    repaint();
    emit rotated();
}

void CIconWnd::wheelEvent(QWheelEvent* event) {
    const int z = event->angleDelta().y();
    if ((m_nMode & ICONWND_ZOOM) == 0 || z == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    int s = z / 4;
    if (s == 0) {
        s = z > 0 ? 1 : -1;
    }
    SetSourceRectWide(static_cast<long long>(m_rcSource.left) + s,
                      static_cast<long long>(m_rcSource.top) + s,
                      static_cast<long long>(m_rcSource.right) - s,
                      static_cast<long long>(m_rcSource.bottom) - s);
    repaint();
    event->accept();
    emit zoomed();
}

}  // namespace varlen
