// CIconPreviewWnd: a small tool window showing one finished format image at 1 to 5 times
// its size, over a checkerboard where it is transparent. It is window-modal over the
// wizard: the wizard takes no input until the preview is closed (close box, menu, Esc).
// Page Up / Page Down and the wheel zoom keeping the window's centre; Ctrl+C and the
// context menu's "コピー(C)\tCtrl+C" copy the image to the clipboard.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "core/icon.h"

class QMenu;
class QAction;

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

    // The window menu: "コピー(C)\tCtrl+C", a separator, close.
    QMenu* WindowMenu() const { return m_pMenu; }
    QAction* CopyAction() const { return m_pCopyAction; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void UpdateTitle();
    // Queued, as a posted command would be.
    void PostCopy();
    void PostClose();

    std::unique_ptr<CIcon> m_pImage;
    int m_nZoom = 1;
    QMenu* m_pMenu = nullptr;
    QAction* m_pCopyAction = nullptr;
    // The drawn image at m_nBufferZoom, kept between repaints.
    std::vector<Pixel> m_buffer;
    int m_nBufferZoom = 0;
};

}  // namespace varlen
