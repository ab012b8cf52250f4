// CIconPreviewWnd: a small tool window showing one finished format image at 1 to 5 times
// its size, over a checkerboard where it is transparent. It is window-modal over the
// wizard: the wizard takes no input until the preview is closed (close box, menu, Esc).
// Page Up / Page Down and the wheel zoom keeping the window's centre; Ctrl+C and the
// context menu's "コピー(C)\tCtrl+C" copy the image to the clipboard. A zoomed image larger
// than the screen is shown in a window of the screen's size whose content scrolls.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "core/icon.h"

class QMenu;
class QAction;
class QPainter;
class QScrollArea;

namespace varlen {

class CIconPreviewWnd : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMinZoom = 1;
    static constexpr int kMaxZoom = 5;

    // Takes the image over (not null) and shows it at zoom 1, centred over owner's window;
    // owner's window becomes the blocked parent. Deletes itself when closed.
    CIconPreviewWnd(std::unique_ptr<CIcon> image, QWidget* owner);
    ~CIconPreviewWnd() override;

    // One step out (false) or in (true), 1 ... 5; nothing changes at the limits.
    void Zoom(bool in);
    int GetZoom() const { return m_nZoom; }
    const CIcon& GetImage() const { return *m_pImage; }

    // Copies the image shown.
    void Copy();

    // The window menu: "コピー(C)\tCtrl+C", a separator, move, close.
    QMenu* WindowMenu() const { return m_pMenu; }
    QAction* CopyAction() const { return m_pCopyAction; }
    QAction* MoveAction() const { return m_pMoveAction; }
    // Lets the window follow the mouse: by the window system where it can, else until the
    // next click (or Esc) through the window's own mouse grab.
    void StartMove();
    bool IsMoving() const { return m_bMoving; }
    // The scrolling area that holds the image.
    QScrollArea* ScrollArea() const { return m_pScroll; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class PreviewCanvas;
    // Draws the image at the current zoom (the canvas inside the scrolling area).
    void PaintImage(QPainter& painter);
    // The client size: image size x zoom, at most the screen's available area (the frame
    // taken off); the content scrolls where it is larger.
    void ApplySize();
    void EndMove();
    void UpdateTitle();
    // Queued, as a posted command would be.
    void PostCopy();
    void PostClose();

    std::unique_ptr<CIcon> m_pImage;
    int m_nZoom = 1;
    QMenu* m_pMenu = nullptr;
    QAction* m_pCopyAction = nullptr;
    QAction* m_pMoveAction = nullptr;
    QScrollArea* m_pScroll = nullptr;
    QWidget* m_pCanvas = nullptr;
    // The window's own move (StartMove without the window system's help).
    bool m_bMoving = false;
    bool m_bMoveAnchored = false;  // the first move of the mouse sets the offset
    QPoint m_ptMoveOffset;
    // The drawn image at m_nBufferZoom, kept between repaints.
    std::vector<Pixel> m_buffer;
    int m_nBufferZoom = 0;
};

}  // namespace varlen
