// Tests of the picture view: centring, clamping, the mouse interactions and their signals,
// the coordinate mapping, the cursor and what the view paints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "gui/icon_wnd.h"

namespace varlen {
namespace {

// A 200 x 100 picture whose pixel (x, y) is opaque with red x and green y.
std::unique_ptr<CIcon> Picture200x100() {
    auto icon = CreateIcon(200, 100, 32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            icon->Row(y)[x] = MakePixel(255, x, y, 0);
        }
    }
    return icon;
}

// A shown view of side x side widget pixels.
struct ShownView {
    explicit ShownView(int side = 200) {
        view.setFixedSize(side, side);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    CIconWnd view;
};

void SendMove(QWidget* w, QPoint pos, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                  buttons, mods);
    QApplication::sendEvent(w, &e);
}

void SendWheel(QWidget* w, int delta) {
    const QPoint pos(10, 10);
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST(IconWndCentring, WideAndTallPicturesWithAndWithoutMargin) {
    auto icon = Picture200x100();
    CIconWnd view;
    view.SetImage(icon.get());
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    view.SetNoMargin(true);
    view.SetImage(icon.get());
    EXPECT_EQ(view.GetSourceRect(), (Rect{50, 0, 150, 100}));

    // Odd differences are halved toward zero: (100 - 201) / 2 = -50, not -51.
    auto odd = CreateIcon(201, 100, 32);
    view.SetNoMargin(false);
    view.SetImage(odd.get());
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -50, 201, 151}));
    auto tall = CreateIcon(100, 200, 32);
    view.SetImage(tall.get());
    EXPECT_EQ(view.GetSourceRect(), (Rect{-50, 0, 150, 200}));
}

TEST(IconWndClamp, EmptyWithoutPictureAndNeverEmptyWithOne) {
    CIconWnd view;
    view.SetSourceRect(Rect{1, 2, 30, 40});
    EXPECT_EQ(view.GetSourceRect(), Rect{});

    auto icon = Picture200x100();
    view.SetImage(icon.get());
    view.SetSourceRect(Rect{5, 5, 5, 5});
    EXPECT_EQ(view.GetSourceRect(), (Rect{4, 4, 6, 6}));
    // Width -3, height -2: two inflations make them 1 and 2.
    view.SetSourceRect(Rect{10, 10, 7, 8});
    EXPECT_EQ(view.GetSourceRect(), (Rect{8, 8, 9, 10}));
    // Without the no-margin flag the square may lie anywhere.
    view.SetSourceRect(Rect{-500, -500, -400, -400});
    EXPECT_EQ(view.GetSourceRect(), (Rect{-500, -500, -400, -400}));
}

TEST(IconWndClamp, NoMarginKeepsTheSquareInsideThePicture) {
    auto icon = Picture200x100();
    CIconWnd view;
    view.SetImage(icon.get());
    // Switching the flag on clamps the current square (0, -50)-(200, 150) at once: it is
    // too tall, so its left edge moves right by 50 and its right edge left by 50.
    view.SetNoMargin(true);
    EXPECT_EQ(view.GetSourceRect(), (Rect{50, 0, 150, 100}));
    view.SetSourceRect(Rect{-50, -50, 250, 250});
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, 0, 100, 100}));
    view.SetSourceRect(Rect{150, 20, 230, 100});
    EXPECT_EQ(view.GetSourceRect(), (Rect{120, 20, 200, 100}));
    view.SetSourceRect(Rect{-10, -30, 50, 30});
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, 0, 60, 60}));
    // A tall picture takes the other branch: its width becomes the side.
    auto tall = CreateIcon(100, 200, 32);
    view.SetImage(tall.get());
    view.SetSourceRect(Rect{-50, -50, 250, 250});
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, 0, 100, 100}));
    // Switching the flag off keeps the square.
    view.SetNoMargin(false);
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, 0, 100, 100}));
}

TEST(IconWndMove, LeftDragMovesTheSquareAgainstTheMouse) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ZOOM | CIconWnd::ICONWND_ROTATE);
    s.view.SetImage(icon.get());
    QSignalSpy moved(&s.view, &CIconWnd::moved);
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(s.view.GetDrag(), CIconWnd::kDragMove);
    // Mouse 3 pixels left: the square moves 3 picture pixels right (200 / 200 per pixel).
    SendMove(&s.view, QPoint(97, 100), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{3, -50, 203, 150}));
    // Offsets are from the start of the drag; trunc(-3 + 0.5) = -2 toward zero.
    SendMove(&s.view, QPoint(103, 100), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-2, -50, 198, 150}));
    SendMove(&s.view, QPoint(100, 90), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -40, 200, 160}));
    EXPECT_EQ(moved.count(), 3);
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 90));
    // Without the mouse held, moves change nothing.
    SendMove(&s.view, QPoint(50, 50), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -40, 200, 160}));
    EXPECT_EQ(moved.count(), 3);
}

TEST(IconWndMove, MirroredRotatedAndScaled) {
    auto icon = Picture200x100();
    ShownView s(100);
    s.view.SetMode(CIconWnd::ICONWND_MOVE);
    s.view.SetImage(icon.get());
    s.view.SetMirror(true);
    // Mirrored: dx = x - x0 = 4, two picture pixels per widget pixel.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    SendMove(&s.view, QPoint(54, 50), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{8, -50, 208, 150}));
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(54, 50));

    // Rotated by 90 degrees, unmirrored: dy = 10 gives u = trunc(10.5) = 10 and v = 0.
    s.view.SetMirror(false);
    s.view.SetRotation(90000);
    s.view.SetSourceRect(Rect{0, -50, 200, 150});
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    SendMove(&s.view, QPoint(50, 40), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{20, -50, 220, 150}));
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 40));
}

TEST(IconWndMove, NoMarginSlidesOnlyAlongTheLongSide) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ZOOM);
    s.view.SetNoMargin(true);
    s.view.SetImage(icon.get());
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(60, 100), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{70, 0, 170, 100}));
    SendMove(&s.view, QPoint(100, 60), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{50, 0, 150, 100}));
    SendMove(&s.view, QPoint(-200, 100), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{100, 0, 200, 100}));
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(-200, 100));
}

TEST(IconWndZoom, RightDragInflatesByTheMouseSteps) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_ZOOM);
    s.view.SetImage(icon.get());
    QSignalSpy zoomed(&s.view, &CIconWnd::zoomed);
    QTest::mousePress(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(s.view.GetDrag(), CIconWnd::kDragZoom);
    SendMove(&s.view, QPoint(101, 100), Qt::RightButton);  // right: shrink by 1
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{1, -49, 199, 149}));
    SendMove(&s.view, QPoint(101, 110), Qt::RightButton);  // down 10 from the last point
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-9, -59, 209, 159}));
    EXPECT_EQ(zoomed.count(), 2);
    // A left press during the zoom drag starts nothing.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(101, 110));
    EXPECT_EQ(s.view.GetDrag(), CIconWnd::kDragZoom);
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(101, 110));
    QTest::mouseRelease(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(101, 110));
    SendMove(&s.view, QPoint(150, 110), Qt::RightButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-9, -59, 209, 159}));
    EXPECT_EQ(zoomed.count(), 2);
}

TEST(IconWndZoom, WheelStepsAndLimits) {
    auto icon = Picture200x100();
    CIconWnd view;
    view.SetImage(icon.get());
    QSignalSpy zoomed(&view, &CIconWnd::zoomed);
    SendWheel(&view, 120);  // without ICONWND_ZOOM the wheel does nothing
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    view.SetMode(CIconWnd::ICONWND_ZOOM);
    SendWheel(&view, 120);  // one notch forward: a tenth of the square, 9 on every side
    EXPECT_EQ(view.GetSourceRect(), (Rect{9, -41, 191, 141}));
    SendWheel(&view, -120);
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    SendWheel(&view, 2);  // 2 / 4 = 0: one pixel in the direction of the wheel
    EXPECT_EQ(view.GetSourceRect(), (Rect{1, -49, 199, 149}));
    SendWheel(&view, -3);
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    EXPECT_EQ(zoomed.count(), 4);

    // A 1-pixel square stays a 1-pixel square.
    view.SetSourceRect(Rect{10, 10, 11, 11});
    SendWheel(&view, 120);
    EXPECT_EQ(view.GetSourceRect(), (Rect{10, 10, 11, 11}));

    // With no margin, zooming out stops at the 100-pixel square inside the picture.
    view.SetNoMargin(true);
    view.SetImage(icon.get());
    SendWheel(&view, -120);
    EXPECT_EQ(view.GetSourceRect(), (Rect{50, 0, 150, 100}));
}

// The wheel and the zoom drag are relative to the square: a 32-pixel icon is not
// jumped to 2 x 2 by one notch, and a 4000-pixel photo moves by more than 1.5 %.
TEST(IconWndZoom, WheelNotchIsATenthOfTheSquare) {
    auto icon = CreateIcon(32, 32, 32);
    CIconWnd view;
    view.SetMode(CIconWnd::ICONWND_ZOOM);
    view.SetImage(icon.get());
    SendWheel(&view, 120);  // 32 / 1.1 = 29.1: one pixel on every side
    EXPECT_EQ(view.GetSourceRect(), (Rect{1, 1, 31, 31}));
    SendWheel(&view, -120);  // 30 x 1.1 = 33: 1.5 rounds to two on every side
    EXPECT_EQ(view.GetSourceRect(), (Rect{-1, -1, 33, 33}));

    auto photo = CreateIcon(4000, 3000, 32);
    view.SetImage(photo.get());
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -500, 4000, 3500}));
    SendWheel(&view, 120);  // 4000 / 1.1 = 3636.4
    EXPECT_EQ(view.GetSourceRect(), (Rect{182, -318, 3818, 3318}));
    SendWheel(&view, -120);  // 3636 x 1.1 = 3999.6
    EXPECT_EQ(view.GetSourceRect(), (Rect{0, -500, 4000, 3500}));
    SendWheel(&view, -240);  // two notches out: x 1.21
    EXPECT_EQ(view.GetSourceRect(), (Rect{-420, -920, 4420, 3920}));
}

TEST(IconWndZoom, ZoomDragIsAHundredthOfTheSquareAPixel) {
    auto photo = CreateIcon(4000, 4000, 32);
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_ZOOM);
    s.view.SetImage(photo.get());
    QTest::mousePress(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(110, 100), Qt::RightButton);  // 4000 / 1.1 = 3636.4
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{182, 182, 3818, 3818}));
    SendMove(&s.view, QPoint(100, 120), Qt::RightButton);  // 20 down from the start: x 1.2
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-400, -400, 4400, 4400}));
    SendMove(&s.view, QPoint(100, 100), Qt::RightButton);  // back at the start
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, 0, 4000, 4000}));
    QTest::mouseRelease(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
}

TEST(IconWndZoom, ZoomingOutEndsAtTheCoordinateLimit) {
    auto icon = Picture200x100();
    CIconWnd view;
    view.SetMode(CIconWnd::ICONWND_ZOOM);
    view.SetImage(icon.get());
    const int m = CIconWnd::kMaxCoordinate;
    view.SetSourceRect(Rect{-m + 10, -m + 10, m - 10, m - 10});
    SendWheel(&view, -120);
    EXPECT_EQ(view.GetSourceRect(), (Rect{-m, -m, m, m}));
}

TEST(IconWndZoom, ZoomDragSwallowsTheContextMenu) {
    struct Page : QWidget {
        int menus = 0;
        void contextMenuEvent(QContextMenuEvent*) override { ++menus; }
    };
    auto icon = Picture200x100();
    Page page;
    page.resize(300, 300);
    auto* view = new CIconWnd(&page);
    view->setFixedSize(200, 200);
    view->SetImage(icon.get());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));

    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), view->mapToGlobal(QPoint(5, 5)));
    view->SetMode(CIconWnd::ICONWND_ZOOM);
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QApplication::sendEvent(view, &menu);
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(page.menus, 0);

    view->SetMode(0);
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QApplication::sendEvent(view, &menu);
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_GE(page.menus, 1);
}

TEST(IconWndRotate, CtrlDragTurnsAboutTheCentre) {
    auto icon = Picture200x100();
    ShownView s(201);  // centre (100, 100)
    s.view.SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ROTATE);
    s.view.SetImage(icon.get());
    QSignalSpy rotated(&s.view, &CIconWnd::rotated);
    // From the left of the centre over the top to its right: half a turn.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 100));
    EXPECT_EQ(s.view.GetDrag(), CIconWnd::kDragRotate);
    SendMove(&s.view, QPoint(100, 50), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetRotation(), 90000);
    SendMove(&s.view, QPoint(150, 100), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetRotation(), 180000);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -50, 200, 150}));  // no move
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(150, 100));
    // Dragging again continues from 180 degrees and wraps to 0.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 100));
    SendMove(&s.view, QPoint(150, 100), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetRotation(), 0);
    // A quarter turn back from the start of this drag: -90000 + 0.5 truncates toward
    // zero to -89999, added to 180000.
    SendMove(&s.view, QPoint(100, 150), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetRotation(), 90001);
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 150));
    EXPECT_EQ(rotated.count(), 4);

    // Mirrored, the same mouse path turns the other way.
    s.view.SetMirror(true);
    s.view.SetRotation(0);
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 50));
    SendMove(&s.view, QPoint(150, 100), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetRotation(), 270001);
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(150, 100));
}

TEST(IconWndRotate, SetRotationWrapsIntoOneTurn) {
    CIconWnd view;
    view.SetRotation(359999);
    EXPECT_EQ(view.GetRotation(), 359999);
    view.SetRotation(360000);
    EXPECT_EQ(view.GetRotation(), 0);
    view.SetRotation(-1);
    EXPECT_EQ(view.GetRotation(), 359999);
    view.SetRotation(720001);
    EXPECT_EQ(view.GetRotation(), 1);
    view.SetRotation(-720000);
    EXPECT_EQ(view.GetRotation(), 0);
}

TEST(IconWndRotate, CtrlWithoutRotateFlagDoesNothing) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE);
    s.view.SetImage(icon.get());
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(50, 100), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 100));
    EXPECT_EQ(s.view.GetDrag(), 0);
    EXPECT_EQ(s.view.GetRotation(), 0);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -50, 200, 150}));
}

TEST(IconWndPick, ClientToSourceMapping) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetImage(icon.get());
    // Top-left widget pixel: -49.5 truncates toward zero to -49.
    EXPECT_EQ(s.view.ClientToSource(Point{0, 0}), (Point{0, -49}));
    EXPECT_EQ(s.view.ClientToSource(Point{150, 120}), (Point{150, 70}));
    s.view.SetMirror(true);
    EXPECT_EQ(s.view.ClientToSource(Point{150, 120}), (Point{49, 70}));
    s.view.SetMirror(false);
    s.view.SetRotation(90000);
    EXPECT_EQ(s.view.ClientToSource(Point{100, 20}), (Point{20, 49}));

    ShownView small(100);  // two picture pixels per widget pixel
    small.view.SetImage(icon.get());
    EXPECT_EQ(small.view.ClientToSource(Point{30, 40}), (Point{60, 30}));
}

TEST(IconWndPick, ClickReportsPixelAndPoint) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_PICK);
    s.view.SetImage(icon.get());
    QSignalSpy pick(&s.view, &CIconWnd::pick);
    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    ASSERT_EQ(pick.count(), 1);
    EXPECT_EQ(pick.at(0).at(0).toUInt(), MakePixel(255, 150, 70, 0));
    EXPECT_EQ(pick.at(0).at(1).toPoint(), QPoint(150, 70));
    // The transparent margin: pixel 0 and a point above the picture.
    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(1, 0));
    ASSERT_EQ(pick.count(), 2);
    EXPECT_EQ(pick.at(1).at(0).toUInt(), 0u);
    EXPECT_EQ(pick.at(1).at(1).toPoint(), QPoint(1, -49));
    // Ctrl + click in pick mode does nothing.
    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::ControlModifier, QPoint(150, 120));
    EXPECT_EQ(pick.count(), 2);
    EXPECT_EQ(s.view.GetDrag(), 0);
    // Neither does a click without the flag.
    s.view.SetMode(0);
    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    EXPECT_EQ(pick.count(), 2);
}

TEST(IconWndCursor, FollowsModeAndPicture) {
    auto icon = Picture200x100();
    CIconWnd view;
    view.SetMode(CIconWnd::ICONWND_PICK);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);  // no picture yet
    view.SetImage(icon.get());
    EXPECT_EQ(view.cursor().shape(), Qt::CrossCursor);
    view.SetMode(CIconWnd::ICONWND_ZOOM);
    EXPECT_EQ(view.cursor().shape(), Qt::OpenHandCursor);
    view.SetMode(CIconWnd::ICONWND_ROTATE);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
}

TEST(IconWndSettings, BackgroundColourOnlyWhileOnAndFitToSquare) {
    CIconWnd view;
    view.SetBackground(false, 0x000000FF);
    EXPECT_FALSE(view.GetBackground());
    EXPECT_EQ(view.GetBackgroundColor(), 0x00FFFFFFu);
    view.SetBackground(true, 0x000000FF);
    EXPECT_TRUE(view.GetBackground());
    EXPECT_EQ(view.GetBackgroundColor(), 0x000000FFu);

    view.resize(130, 150);
    view.FitToSquare();
    EXPECT_EQ(view.size(), QSize(128, 128));
}

// Pixel (x, y) of a grabbed widget as 0xRRGGBB.
unsigned Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

TEST(IconWndPaint, PictureThroughTheSquareOverCheckerboardOrColour) {
    // Opaque red, green and blue, and one transparent pixel, shown 8 x 8 each.
    auto icon = CreateIcon(2, 2, 32);
    icon->Row(0)[0] = 0xFFFF0000u;
    icon->Row(0)[1] = 0xFF00FF00u;
    icon->Row(1)[0] = 0xFF0000FFu;
    ShownView s(16);
    s.view.SetImage(icon.get());
    QImage image = s.view.grab().toImage();
    EXPECT_EQ(Rgb(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 15, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(image, 0, 15), 0x0000FFu);
    EXPECT_EQ(Rgb(image, 15, 15), 0xC0C0C0u);  // checkerboard square (1, 1)

    s.view.SetMirror(true);
    image = s.view.grab().toImage();
    EXPECT_EQ(Rgb(image, 0, 0), 0x00FF00u);

    s.view.SetBackground(true, 0x00FF8000);  // Windows value: blue 255, green 128
    image = s.view.grab().toImage();
    EXPECT_EQ(Rgb(image, 0, 8), 0x0080FFu);  // mirrored: picture pixel (1, 1)
}

TEST(IconWndPaint, EmptyViewPattern) {
    ShownView s(16);
    QImage image = s.view.grab().toImage();
    EXPECT_EQ(Rgb(image, 0, 0), 0xC0C0C0u);
    EXPECT_EQ(Rgb(image, 7, 7), 0xC0C0C0u);
    EXPECT_EQ(Rgb(image, 8, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(image, 0, 8), 0xFFFFFFu);
    EXPECT_EQ(Rgb(image, 8, 8), 0xC0C0C0u);
    s.view.SetBackground(true, 0x000000FF);
    image = s.view.grab().toImage();
    EXPECT_EQ(Rgb(image, 8, 0), 0xFF0000u);
}

// --- lost grabs and double clicks ------------------------------------------------------

// The window hidden in the middle of a drag (minimised, a screen lock) brings no release:
// the next drag starts afresh instead of continuing the old one from its start point.
TEST(IconWndDrag, HidingEndsTheDrag) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE);
    s.view.SetImage(icon.get());
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(110, 100), Qt::LeftButton);  // trunc(-9.5): 9 to the left
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-9, -50, 191, 150}));
    s.view.hide();
    s.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s.view));
    // The continued old drag would put the square at (40, 0) here.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    SendMove(&s.view, QPoint(60, 50), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-18, -50, 182, 150}));
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(60, 50));
}

// A release that went elsewhere (another grab took the mouse) shows in the next event:
// a press, or a move, whose buttons no longer hold the drag's button.
TEST(IconWndDrag, EventsWithoutTheDragsButtonEndTheDrag) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ZOOM);
    s.view.SetImage(icon.get());
    QSignalSpy moved(&s.view, &CIconWnd::moved);
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(106, 100), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-5, -50, 195, 150}));
    // The left release is lost; the right button alone is down now.
    SendMove(&s.view, QPoint(150, 150), Qt::RightButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-5, -50, 195, 150}));
    EXPECT_EQ(moved.count(), 1);
    // And a right press starts a zoom: nothing holds the mouse any more.
    QTest::mousePress(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(s.view.GetDrag(), CIconWnd::kDragZoom);
    QTest::mouseRelease(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));

    // A lost release of the left button, then a new left press: a new drag from there.
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    SendMove(&s.view, QPoint(106, 100), Qt::LeftButton);
    QTest::mousePress(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    SendMove(&s.view, QPoint(20, 26), Qt::LeftButton);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-10, -55, 190, 145}));
    QTest::mouseRelease(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 26));
}

// Qt delivers the second click of a double click as a press and a double-click event;
// both go through the window as a real double click does. Pick mode picks once for it.
TEST(IconWndPick, DoubleClickPicksOnce) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_PICK);
    s.view.SetImage(icon.get());
    QSignalSpy picks(&s.view, &CIconWnd::pick);
    QTest::mouseDClick(s.view.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 80));
    EXPECT_EQ(picks.count(), 1);
    // Two clicks far enough apart in time are two picks.
    QTest::mouseClick(s.view.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 80));
    EXPECT_EQ(picks.count(), 2);
}

// --- the keyboard ---------------------------------------------------------------------

TEST(IconWndKeys, ArrowsMoveTheSquareAndPlusMinusZoom) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ZOOM | CIconWnd::ICONWND_ROTATE);
    s.view.SetImage(icon.get());
    EXPECT_EQ(s.view.focusPolicy(), Qt::StrongFocus);
    s.view.setFocus();
    QSignalSpy moved(&s.view, &CIconWnd::moved);
    QSignalSpy zoomed(&s.view, &CIconWnd::zoomed);
    QTest::keyClick(&s.view, Qt::Key_Right);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{1, -50, 201, 150}));
    QTest::keyClick(&s.view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{1, -40, 201, 160}));
    QTest::keyClick(&s.view, Qt::Key_Left);
    QTest::keyClick(&s.view, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    EXPECT_EQ(moved.count(), 4);
    QTest::keyClick(&s.view, Qt::Key_Plus);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{9, -41, 191, 141}));
    QTest::keyClick(&s.view, Qt::Key_Minus);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -50, 200, 150}));
    EXPECT_EQ(zoomed.count(), 2);

    // Mirrored, the square still moves the way the arrow points on the screen.
    s.view.SetMirror(true);
    QTest::keyClick(&s.view, Qt::Key_Right);
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{-1, -50, 199, 150}));
}

TEST(IconWndKeys, PickModeMovesAMarkAndEnterPicksUnderIt) {
    auto icon = Picture200x100();
    ShownView s;
    s.view.SetMode(CIconWnd::ICONWND_PICK);
    s.view.SetImage(icon.get());
    s.view.setFocus(Qt::TabFocusReason);
    QSignalSpy picks(&s.view, &CIconWnd::pick);
    EXPECT_EQ(s.view.KeyboardMark(), QPoint(99, 99));
    QTest::keyClick(&s.view, Qt::Key_Return);
    ASSERT_EQ(picks.count(), 1);
    EXPECT_EQ(picks[0][1].toPoint(), QPoint(99, 49));
    EXPECT_EQ(picks[0][0].toUInt(), MakePixel(255, 99, 49, 0));
    QTest::keyClick(&s.view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&s.view, Qt::Key_Up);
    EXPECT_EQ(s.view.KeyboardMark(), QPoint(89, 98));
    QTest::keyClick(&s.view, Qt::Key_Space);
    ASSERT_EQ(picks.count(), 2);
    EXPECT_EQ(picks[1][1].toPoint(), QPoint(89, 48));
    // The square itself stays where it was.
    EXPECT_EQ(s.view.GetSourceRect(), (Rect{0, -50, 200, 150}));
}

// --- device pixels -------------------------------------------------------------------

// At a device pixel ratio of 2 the view draws twice as many pixels, each its own sample
// of the picture; at ratio 1 it draws exactly the widget's pixels.
TEST(IconWndPaint, DrawsAtDevicePixels) {
    auto icon = CreateIcon(4, 4, 32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            icon->Row(y)[x] = MakePixel(255, 60 * x, 60 * y, 0);
        }
    }
    CIconWnd view;
    view.setFixedSize(2, 2);
    view.SetImage(icon.get());

    QImage single(2, 2, QImage::Format_RGB32);
    view.render(&single);
    const Rect small{0, 0, 2, 2};
    const Rect source = view.GetSourceRect();
    const std::vector<Pixel> one = icon->Draw(&small, &source, true, false, 0.0, false, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(single.pixel(x, y), one[static_cast<std::size_t>(y) * 2 + x] | 0xFF000000u);
        }
    }

    QImage doubled(4, 4, QImage::Format_RGB32);
    doubled.setDevicePixelRatio(2.0);
    view.render(&doubled);
    // Every picture pixel shows: four different colours per row, not two pairs.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(doubled.pixel(x, y), icon->GetPixel(x, y) | 0xFF000000u) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace varlen
