// CIconWnd: the square picture view of the wizard pages.
//
// The view shows a square part of a picture (the source square, in picture pixels, right
// and bottom exclusive, possibly reaching outside the picture) scaled to the widget,
// optionally mirrored, rotated and laid over a background colour. Depending on the mode
// flags set by its page it moves the square (left drag), rotates the picture (Ctrl + left
// drag), zooms (right drag, wheel) or reports the picture point under a click. Every
// change made by the user is reported with one of the signals pick, moved, zoomed,
// rotated, emitted synchronously after the view has repainted. With the keyboard focus the
// arrows move the square by a picture pixel (Shift: ten) and + and - zoom; in pick mode
// the arrows move a small cross (the keyboard mark) instead, and Enter or Space picks
// under it.
//
// Every mapping between widget coordinates and picture coordinates lives in this class.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include "core/icon.h"

namespace varlen {

class CIconWnd : public QWidget {
    Q_OBJECT

  public:
    // Interaction flags (the mode).
    static constexpr int ICONWND_PICK = 1;    // a left click reports the picture point
    static constexpr int ICONWND_MOVE = 2;    // left drag moves the source square
    static constexpr int ICONWND_ZOOM = 4;    // right drag and the wheel resize it
    static constexpr int ICONWND_ROTATE = 8;  // Ctrl + left drag rotates

    // Kinds of drag (GetDrag).
    static constexpr int kDragMove = 2;
    static constexpr int kDragZoom = 4;
    static constexpr int kDragRotate = 8;

    // Largest magnitude of a source square coordinate; zooming out stops growing the
    // square there, so no coordinate arithmetic can overflow.
    static constexpr int kMaxCoordinate = 1 << 28;

    explicit CIconWnd(QWidget* parent = nullptr);

    // The picture shown (not owned; the caller keeps it alive while it is set, and sets
    // null or another picture before deleting it). A picture gets a new source square
    // centred on it.
    void SetImage(const CIcon* icon);
    const CIcon* GetImage() const { return m_pIcon; }

    // Sets the source square, clamped: never empty, and inside the picture when the
    // no-margin flag is set. Without a picture the square becomes empty.
    void SetSourceRect(const Rect& rect);
    const Rect& GetSourceRect() const { return m_rcSource; }

    void SetMirror(bool mirror);
    bool GetMirror() const { return m_bMirror; }
    // Thousandths of a degree; stored normalised into 0 ... 359999.
    void SetRotation(int rotation);
    int GetRotation() const { return m_nRotation; }
    void SetNoMargin(bool noMargin);
    bool GetNoMargin() const { return m_bNoMargin; }
    // While the background is off the colour passed is ignored.
    void SetBackground(bool on, ColorRef colour);
    bool GetBackground() const { return m_bBackground; }
    ColorRef GetBackgroundColor() const { return m_crBackground; }

    // Interaction flags (ICONWND_*); also updates the cursor.
    void SetMode(int mode);
    int GetMode() const { return m_nMode; }
    // The kind of the current or last drag (0 before any).
    int GetDrag() const { return m_nDrag; }

    // While held the view goes on showing what it showed when the hold began and reads
    // nothing of its picture (another thread is changing it); releasing the hold repaints
    // from the picture again.
    void HoldPicture(bool hold);
    bool IsHoldingPicture() const { return !m_held.isNull(); }

    // Makes the widget square, keeping its position: side = the smaller dimension rounded
    // down to a multiple of 8. The size is fixed so that layouts keep it.
    void FitToSquare();
    // Cross-hair with a picture in pick mode, open hand with a picture when moving or
    // zooming, else the arrow.
    void UpdateCursor();
    // Maps a widget point to picture coordinates through the source square, mirror and
    // rotation.
    Point ClientToSource(Point client) const;
    // The keyboard mark of pick mode, in widget pixels (the centre until moved).
    QPoint KeyboardMark() const;

    // The square's side after a zoom of delta wheel units (a notch is 120, forward
    // shrinks) from side: 10 % a notch, rounded, and at least one pixel on every side.
    static long long WheelZoomInflation(long long side, int delta);
    // The inflation on every side after a zoom drag of distance widget pixels from a
    // square of side start: 1 % of it per pixel, growing or shrinking alike.
    static long long DragZoomInflation(long long start, long long distance);

  signals:
    // A click in pick mode: the picture's pixel at the point (0 outside the picture) and
    // the picture point (may lie outside the picture).
    void pick(quint32 pixel, QPoint point);
    void moved();
    void zoomed();
    void rotated();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void LeftButtonDown(Point pt, bool ctrl);
    void RightButtonDown(Point pt);
    void DragMove(Point pt);
    void DragZoom(Point pt);
    void DragRotate(Point pt);
    // Sets the rectangle given as 64-bit edges, each limited to +-kMaxCoordinate.
    void SetSourceRectWide(long long left, long long top, long long right, long long bottom);
    // Ends a drag whose release will not come (the grab was lost).
    void DropCapture();
    // Moves the square by (sx, sy) picture pixels in screen directions.
    void StepSquare(int sx, int sy);
    void ZoomBy(int delta);

    const CIcon* m_pIcon = nullptr;
    QPixmap m_held;  // what the view shows while held; null when not held
    Rect m_rcSource{};
    bool m_bNoMargin = false;
    bool m_bMirror = false;
    int m_nRotation = 0;
    int m_nMode = 0;
    int m_nDrag = 0;
    Point m_ptStart{};
    Rect m_rcStart{};
    int m_nStartRotation = 0;
    bool m_bBackground = false;
    ColorRef m_crBackground = 0x00FFFFFF;
    // This view holds the mouse (a move, rotate or zoom drag is running), with this button.
    bool m_bCapture = false;
    Qt::MouseButton m_nCaptureButton = Qt::NoButton;
    // Where the zoom drag started and the square then.
    Point m_ptZoomStart{};
    Rect m_rcZoomStart{};
    // The keyboard mark of pick mode; negative until first moved (the centre then). It
    // is drawn while the focus came from the keyboard or a key has been used.
    QPoint m_ptMark{-1, -1};
    bool m_bShowMark = false;
    // The last right press started a zoom drag: its context menu is swallowed.
    bool m_bZoomPress = false;
};

}  // namespace varlen
