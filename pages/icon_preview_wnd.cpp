// The preview window. Contract: the client area is always image size x zoom; the image is
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
#include "pages/icon_preview_wnd.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QWheelEvent>

#include "gui/clipboard_copy.h"

namespace varlen {

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
    QAction* close = m_pMenu->addAction(tr("閉じる\tAlt+F4"));
    connect(m_pCopyAction, &QAction::triggered, this, &CIconPreviewWnd::PostCopy);
    connect(close, &QAction::triggered, this, &CIconPreviewWnd::PostClose);

    setFixedSize(m_pImage->Width() * m_nZoom, m_pImage->Height() * m_nZoom);
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
    const QSize client(m_pImage->Width() * m_nZoom, m_pImage->Height() * m_nZoom);
    const QSize newOuter = client + frame;
    setFixedSize(client);
    move(outer.left() + outer.width() / 2 - newOuter.width() / 2,
         outer.top() + outer.height() / 2 - newOuter.height() / 2);
    update();
    UpdateTitle();
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

void CIconPreviewWnd::paintEvent(QPaintEvent*) {
    const int w = m_pImage->Width() * m_nZoom;
    const int h = m_pImage->Height() * m_nZoom;
    if (m_nBufferZoom != m_nZoom) {
        const Rect dst{0, 0, w, h};
        m_buffer = m_pImage->Draw(&dst, nullptr, false, false, 0.0, false, 0);
        m_nBufferZoom = m_nZoom;
    }
    const QImage image(reinterpret_cast<const uchar*>(m_buffer.data()), w, h,
                       static_cast<qsizetype>(w) * 4, QImage::Format_RGB32);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

void CIconPreviewWnd::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
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

void CIconPreviewWnd::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
    }
}

}  // namespace varlen
