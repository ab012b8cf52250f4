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
// - The view's own capture flag must not outlive the mouse: a lost grab (window hidden or
//   minimised, another grab, a screen lock) brings no release, so the flag is also dropped
//   on ungrab, hide and focus loss to a popup, and when a move arrives without the drag's
//   button.
// - Qt turns the second click of a double click into a press and a double-click event (the
//   default handler presses again); pick mode picks once per double click.
// - Zooming is relative to the square: 10 % a wheel notch and 1 % a pixel of zoom drag, so
//   a 32-pixel picture and a 4000-pixel photo zoom alike. The drag works from its start,
//   so rounding does not pile up.
// - While the picture is held (HoldPicture) the view paints the copy grabbed at the start of
//   the hold, a view-sized pixmap, so a repaint never reads pixels another thread writes.
// - Drawing is done at device pixels (the buffer is the view's size x the device pixel
//   ratio); every coordinate rule stays in widget (logical) pixels. At ratio 1 the buffer is
//   exactly the widget's.
#include "gui/icon_wnd.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <numbers>
#include <utility>

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

long long CIconWnd::WheelZoomInflation(long long side, int delta) {
    const double factor = std::pow(1.1, std::abs(delta) / 120.0);
    const double target =
        delta > 0 ? static_cast<double>(side) / factor : static_cast<double>(side) * factor;
    long long d = std::llround((target - static_cast<double>(side)) / 2.0);
    if (d == 0) {
        d = delta > 0 ? -1 : 1;
    }
    return d;
}

long long CIconWnd::DragZoomInflation(long long start, long long distance) {
    const double s = static_cast<double>(start);
    const double p = static_cast<double>(distance) / 100.0;
    const double target = distance >= 0 ? s * (1.0 + p) : s / (1.0 - p);
    return std::llround((target - s) / 2.0);
}

QPoint CIconWnd::KeyboardMark() const {
    if (m_ptMark.x() < 0 || m_ptMark.y() < 0) {
        return QPoint((width() - 1) / 2, (height() - 1) / 2);
    }
    return QPoint(std::min(m_ptMark.x(), width() - 1), std::min(m_ptMark.y(), height() - 1));
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

void CIconWnd::HoldPicture(bool hold) {
    if (!hold) {
        m_held = QPixmap();
        update();
        return;
    }
    if (m_held.isNull()) {
        m_held = grab();
    }
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
    setFocusPolicy(mode != 0 ? Qt::StrongFocus : Qt::NoFocus);
    UpdateCursor();
    update();
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
    if (!m_held.isNull()) {
        painter.drawPixmap(rect(), m_held);
        return;
    }
    if (m_pIcon == nullptr) {
        painter.fillRect(rect(),
                         m_bBackground ? QBrush(ColorOf(m_crBackground)) : EmptyPatternBrush());
        return;
    }
    if (w <= 0 || h <= 0) {
        return;
    }
    // The device the pixels land on (the window's backing store, or the image a render
    // goes to) tells the ratio.
    const QPaintDevice* target =
        painter.paintEngine() != nullptr && painter.paintEngine()->paintDevice() != nullptr
            ? painter.paintEngine()->paintDevice()
            : this;
    const qreal ratio = std::max<qreal>(1.0, target->devicePixelRatioF());
    const int bw = ratio == 1.0 ? w : static_cast<int>(std::lround(w * ratio));
    const int bh = ratio == 1.0 ? h : static_cast<int>(std::lround(h * ratio));
    const Rect dst{0, 0, bw, bh};
    const std::vector<Pixel> pixels = m_pIcon->Draw(
        &dst, &m_rcSource, true, m_bMirror, m_nRotation / 1000.0, m_bBackground, m_crBackground);
    QImage image(reinterpret_cast<const uchar*>(pixels.data()), bw, bh,
                 static_cast<qsizetype>(bw) * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(static_cast<qreal>(bw) / w);
    painter.drawImage(QPointF(0, 0), image);
    if ((m_nMode & ICONWND_PICK) != 0 && hasFocus() && m_bShowMark) {
        // The keyboard mark: a small cross, drawn inverting like the pick cursor.
        const QPoint m = KeyboardMark();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 0));
        painter.drawLine(m.x() - 4, m.y(), m.x() - 1, m.y());
        painter.drawLine(m.x() + 1, m.y(), m.x() + 4, m.y());
        painter.drawLine(m.x(), m.y() - 4, m.x(), m.y() - 1);
        painter.drawLine(m.x(), m.y() + 1, m.x(), m.y() + 4);
    }
}

void CIconWnd::mousePressEvent(QMouseEvent* event) {
    const Point pt = PointOf(event->position());
    // A press of the drag's own button, or a press while that button is up, means the
    // drag's release was lost.
    if (m_bCapture &&
        (event->button() == m_nCaptureButton || (event->buttons() & m_nCaptureButton) == 0)) {
        DropCapture();
    }
    if ((event->flags() & Qt::MouseEventCreatedDoubleClick) != 0 &&
        event->button() == Qt::LeftButton && (m_nMode & ICONWND_PICK) != 0 &&
        (event->modifiers() & Qt::ControlModifier) == 0) {
        event->accept();
        return;
    }
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
    m_nCaptureButton = Qt::LeftButton;
}

void CIconWnd::RightButtonDown(Point pt) {
    m_nDrag = kDragZoom;
    m_ptStart = pt;
    m_ptZoomStart = pt;
    m_rcZoomStart = m_rcSource;
    m_bCapture = true;
    m_nCaptureButton = Qt::RightButton;
    m_bZoomPress = true;
}

void CIconWnd::DropCapture() {
    m_bCapture = false;
    m_nCaptureButton = Qt::NoButton;
}

void CIconWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of the double click has already been handled; in pick mode the
    // double click picks no more (a second clearing would widen the region again).
    if (event->button() == Qt::LeftButton && (m_nMode & ICONWND_PICK) != 0) {
        event->accept();
        return;
    }
    // Elsewhere the second click acts as a press, unless its press already came.
    if (m_bCapture) {
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void CIconWnd::hideEvent(QHideEvent* event) {
    DropCapture();
    QWidget::hideEvent(event);
}

void CIconWnd::focusInEvent(QFocusEvent* event) {
    // A click gives the focus too; only keyboard users need the mark.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason) {
        m_bShowMark = true;
        update();
    }
    // QWidget's handler would repaint at every focus change; the view only repaints when
    // the mark comes or goes.
    event->accept();
}

void CIconWnd::focusOutEvent(QFocusEvent* event) {
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
        DropCapture();
    }
    if (std::exchange(m_bShowMark, false)) {
        update();
    }
    event->accept();
}

bool CIconWnd::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::UngrabMouse:
        case QEvent::WindowDeactivate:
        case QEvent::WindowStateChange:
            DropCapture();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void CIconWnd::mouseReleaseEvent(QMouseEvent* event) {
    const bool held = m_bCapture && m_pIcon != nullptr;
    if (event->button() == Qt::LeftButton && held &&
        (m_nDrag == kDragMove || m_nDrag == kDragRotate)) {
        DropCapture();
    } else if (event->button() == Qt::RightButton && held && m_nDrag == kDragZoom) {
        DropCapture();
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
    if (m_bCapture && (event->buttons() & m_nCaptureButton) == 0) {
        DropCapture();  // the button went up where this view could not hear it
    }
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
    const long long distance =
        static_cast<long long>(m_ptZoomStart.x - pt.x) + (pt.y - m_ptZoomStart.y);
    m_ptStart = pt;
    const long long d = DragZoomInflation(m_rcZoomStart.Width(), distance);
    SetSourceRectWide(m_rcZoomStart.left - d, m_rcZoomStart.top - d, m_rcZoomStart.right + d,
                      m_rcZoomStart.bottom + d);
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
    ZoomBy(z);
    event->accept();
}

void CIconWnd::ZoomBy(int delta) {
    const long long d = WheelZoomInflation(m_rcSource.Width(), delta);
    SetSourceRectWide(static_cast<long long>(m_rcSource.left) - d,
                      static_cast<long long>(m_rcSource.top) - d,
                      static_cast<long long>(m_rcSource.right) + d,
                      static_cast<long long>(m_rcSource.bottom) + d);
    repaint();
    emit zoomed();
}

void CIconWnd::StepSquare(int sx, int sy) {
    // The square moves in the arrow's direction on the screen, through mirror and rotation
    // as a drag does (a drag moves it against the mouse).
    const double theta = m_nRotation * std::numbers::pi / 180.0 / 1000.0;
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    const double dx = m_bMirror ? -sx : sx;
    const double dy = sy;
    const long long ox = std::llround(dx * cosT + dy * sinT);
    const long long oy = std::llround(dy * cosT - dx * sinT);
    SetSourceRectWide(m_rcSource.left + ox, m_rcSource.top + oy, m_rcSource.right + ox,
                      m_rcSource.bottom + oy);
    repaint();
    emit moved();
}

void CIconWnd::keyPressEvent(QKeyEvent* event) {
    if (m_pIcon == nullptr || m_bCapture) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = (event->modifiers() & Qt::ShiftModifier) != 0 ? 10 : 1;
    int sx = 0;
    int sy = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            sx = -step;
            break;
        case Qt::Key_Right:
            sx = step;
            break;
        case Qt::Key_Up:
            sy = -step;
            break;
        case Qt::Key_Down:
            sy = step;
            break;
        case Qt::Key_Plus:
        case Qt::Key_Minus:
            if ((m_nMode & ICONWND_ZOOM) != 0) {
                ZoomBy(event->key() == Qt::Key_Plus ? 120 : -120);
                event->accept();
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if ((m_nMode & ICONWND_PICK) != 0) {
                const QPoint m = KeyboardMark();
                const Point p = ClientToSource(Point{m.x(), m.y()});
                emit pick(m_pIcon->GetPixel(p.x, p.y), QPoint(p.x, p.y));
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    if (sx == 0 && sy == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    if ((m_nMode & ICONWND_PICK) != 0) {
        m_bShowMark = true;
        // One picture pixel on the screen, at least one widget pixel.
        const int pixel = std::max(1, static_cast<int>(width() / std::max(1, m_rcSource.Width())));
        const QPoint m = KeyboardMark() + QPoint(sx * pixel, sy * pixel);
        m_ptMark = QPoint(std::clamp(m.x(), 0, width() - 1), std::clamp(m.y(), 0, height() - 1));
        update();
        event->accept();
        return;
    }
    if ((m_nMode & ICONWND_MOVE) != 0) {
        StepSquare(sx, sy);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace varlen
