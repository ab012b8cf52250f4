// The preview window. Contract: the client area is image size x zoom, capped to the
// screen's available area with the content scrolling inside it; the image is
// drawn by CIcon::Draw at its own depth (palette at 4 and 8 bits, on-or-off transparency
// at 24 bits), stretched over the whole client area, not mirrored, unrotated, over the
// checkerboard. Zooming keeps the centre of the window frame: new left = old left + old
// outer width / 2 - new outer width / 2 (integer halves), top likewise.
// Traps:
// - Window modality is what keeps the wizard from taking input; it must be set before the
//   window is shown, and the wizard (the owner's top-level window) must be the parent.
// - Esc and Ctrl+C act through queued calls, as posted messages would, so the key event
//   finishes before the window may be deleted.
// - The drawn buffer is cached per zoom: a 512 x 512 image at zoom 5 is 6.5 million pixels.
// - The scrolling area takes no focus and hands its wheel events to the window, so Page Up
//   and Page Down and the wheel keep zooming instead of scrolling.
// - QWindow::startSystemMove fails where the window system offers no such move (X11
//   without a window manager, offscreen); the window then moves itself under its own
//   mouse grab until the next click.
#include "pages/icon_preview_wnd.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>

#include "gui/clipboard_copy.h"

namespace varlen {

// The image itself, inside the scrolling area.
class PreviewCanvas : public QWidget {
  public:
    PreviewCanvas(CIconPreviewWnd* window, QWidget* parent) : QWidget(parent), m_window(window) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_window->PaintImage(painter);
    }

  private:
    CIconPreviewWnd* m_window;
};

CIconPreviewWnd::CIconPreviewWnd(std::unique_ptr<CIcon> image, QWidget* owner)
    : QWidget(owner != nullptr ? owner->window() : nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowCloseButtonHint),
      m_pImage(std::move(image)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFocusPolicy(Qt::StrongFocus);

    m_pMenu = new QMenu(this);
    m_pCopyAction = m_pMenu->addAction(tr("コピー(C)\tCtrl+C"));
    m_pMenu->addSeparator();
    m_pMoveAction = m_pMenu->addAction(tr("移動(&M)"));
    QAction* close = m_pMenu->addAction(tr("閉じる\tAlt+F4"));
    connect(m_pCopyAction, &QAction::triggered, this, &CIconPreviewWnd::PostCopy);
    connect(m_pMoveAction, &QAction::triggered, this, &CIconPreviewWnd::StartMove);
    connect(close, &QAction::triggered, this, &CIconPreviewWnd::PostClose);

    m_pScroll = new QScrollArea(this);
    m_pScroll->setFrameShape(QFrame::NoFrame);
    m_pScroll->setFocusPolicy(Qt::NoFocus);
    m_pScroll->setAlignment(Qt::AlignCenter);
    m_pScroll->viewport()->installEventFilter(this);
    m_pCanvas = new PreviewCanvas(this, m_pScroll);
    m_pScroll->setWidget(m_pCanvas);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pScroll);

    ApplySize();
    if (parentWidget() != nullptr) {
        const QRect over = parentWidget()->frameGeometry();
        move(over.left() + over.width() / 2 - width() / 2,
             over.top() + over.height() / 2 - height() / 2);
    }
    UpdateTitle();
}

CIconPreviewWnd::~CIconPreviewWnd() = default;

void CIconPreviewWnd::UpdateTitle() {
    setWindowTitle(tr("プレビュー x%1").arg(m_nZoom));
}

void CIconPreviewWnd::Zoom(bool in) {
    const int zoom = in ? std::min(m_nZoom + 1, kMaxZoom) : std::max(m_nZoom - 1, kMinZoom);
    if (zoom == m_nZoom) {
        return;
    }
    const QRect outer = frameGeometry();
    const QSize frame = outer.size() - size();
    m_nZoom = zoom;
    ApplySize();
    const QSize newOuter = size() + frame;
    move(outer.left() + outer.width() / 2 - newOuter.width() / 2,
         outer.top() + outer.height() / 2 - newOuter.height() / 2);
    update();
    m_pCanvas->update();
    UpdateTitle();
}

void CIconPreviewWnd::ApplySize() {
    const QSize content(m_pImage->Width() * m_nZoom, m_pImage->Height() * m_nZoom);
    m_pCanvas->setFixedSize(content);
    const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (where == nullptr) {
        setFixedSize(content);
        return;
    }
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize room = where->availableGeometry().size() - frame;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pScroll);
    QSize client = content;
    // A scroll bar along one side takes room from the other.
    const bool wide = content.width() > room.width();
    const bool tall = content.height() > room.height();
    if (wide) {
        client.rheight() += bar;
    }
    if (tall) {
        client.rwidth() += bar;
    }
    client = client.boundedTo(room).expandedTo(QSize(1, 1));
    setFixedSize(client);
}

void CIconPreviewWnd::Copy() {
    CopyToClipboard(*m_pImage);
}

void CIconPreviewWnd::PostCopy() {
    QMetaObject::invokeMethod(this, &CIconPreviewWnd::Copy, Qt::QueuedConnection);
}

void CIconPreviewWnd::PostClose() {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CIconPreviewWnd::paintEvent(QPaintEvent*) {}

void CIconPreviewWnd::PaintImage(QPainter& painter) {
    const int w = m_pImage->Width() * m_nZoom;
    const int h = m_pImage->Height() * m_nZoom;
    if (m_nBufferZoom != m_nZoom) {
        const Rect dst{0, 0, w, h};
        m_buffer = m_pImage->Draw(&dst, nullptr, false, false, 0.0, false, 0);
        m_nBufferZoom = m_nZoom;
    }
    const QImage image(reinterpret_cast<const uchar*>(m_buffer.data()), w, h,
                       static_cast<qsizetype>(w) * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

void CIconPreviewWnd::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            if (m_bMoving) {
                EndMove();
                return;
            }
            PostClose();
            break;
        case Qt::Key_PageUp:
            Zoom(true);
            break;
        case Qt::Key_PageDown:
            Zoom(false);
            break;
        case Qt::Key_C:
            if ((event->modifiers() & Qt::ControlModifier) != 0) {
                PostCopy();
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void CIconPreviewWnd::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        Zoom(delta > 0);
    }
    event->accept();
}

void CIconPreviewWnd::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(0, 0))
                                                                     : event->globalPos();
    m_pMenu->popup(at);
    event->accept();
}

bool CIconPreviewWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pScroll->viewport() && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CIconPreviewWnd::StartMove() {
    if (QWindow* handle = windowHandle(); handle != nullptr && handle->startSystemMove()) {
        return;
    }
    // The window follows the mouse, keeping the point under it, until the next click.
    m_bMoving = true;
    m_bMoveAnchored = false;
    // Moves without a button reach only a widget that tracks the mouse.
    setMouseTracking(true);
    grabMouse(Qt::SizeAllCursor);
    grabKeyboard();
}

void CIconPreviewWnd::EndMove() {
    m_bMoving = false;
    setMouseTracking(false);
    releaseMouse();
    releaseKeyboard();
}

void CIconPreviewWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_bMoving) {
        const QPoint global = event->globalPosition().toPoint();
        if (!m_bMoveAnchored) {
            m_ptMoveOffset = global - pos();
            m_bMoveAnchored = true;
        } else {
            move(global - m_ptMoveOffset);
        }
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CIconPreviewWnd::mousePressEvent(QMouseEvent* event) {
    if (m_bMoving) {
        EndMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CIconPreviewWnd::closeEvent(QCloseEvent* event) {
    if (m_bMoving) {
        EndMove();
    }
    QWidget::closeEvent(event);
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
    }
}

}  // namespace varlen
