// The preview window: zoom steps and their limits, the title, the client size, the centre
// kept while zooming, the wheel, copying by Ctrl+C and by the menu, Esc, the drawing at
// the image's own depth, and the wizard blocked while the window is open.
#include "pages/icon_preview_wnd.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "gui/clipboard_adapter.h"
#include "io/loaders.h"
#include "pages/page4.h"
#include "pages/page5.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> Image(int width, int height, int bpp) {
    auto icon = CreateIcon(width, height, bpp);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            icon->Row(y)[x] =
                MakePixel((x + y) % 2 == 0 ? 255 : 100, 20 * x % 256, 7 * y % 256, 90);
        }
    }
    return icon;
}

bool ClipboardOffers(const char* format) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasFormat(QLatin1String(format));
}

void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(PreviewWindow, ZoomStepsTitleAndClientSize) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(16, 16, 32), &owner);
    QPointer<CIconPreviewWnd> guard(wnd);
    EXPECT_EQ(wnd->GetZoom(), 1);
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("プレビュー x1"));
    EXPECT_EQ(wnd->size(), QSize(16, 16));
    QSignalSpy titles(wnd, &QWidget::windowTitleChanged);

    QTest::keyClick(wnd, Qt::Key_PageDown);  // already at 1
    EXPECT_EQ(wnd->GetZoom(), 1);
    EXPECT_EQ(titles.count(), 0);
    QTest::keyClick(wnd, Qt::Key_PageUp);
    QTest::keyClick(wnd, Qt::Key_PageUp);
    EXPECT_EQ(wnd->GetZoom(), 3);
    EXPECT_EQ(wnd->size(), QSize(48, 48));
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("プレビュー x3"));
    QTest::keyClick(wnd, Qt::Key_PageUp);
    QTest::keyClick(wnd, Qt::Key_PageUp);
    EXPECT_EQ(wnd->GetZoom(), 5);
    const int before = titles.count();
    QTest::keyClick(wnd, Qt::Key_PageUp);  // fifth press: nothing, not even the title
    EXPECT_EQ(wnd->GetZoom(), 5);
    EXPECT_EQ(titles.count(), before);
    EXPECT_EQ(wnd->size(), QSize(80, 80));
    wnd->close();
    Settle();
    EXPECT_TRUE(guard.isNull());
}

TEST(PreviewWindow, NonSquareImageAndCentreKept) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(48, 32, 24), &owner);
    wnd->show();
    wnd->move(300, 200);
    const QRect before = wnd->frameGeometry();
    wnd->Zoom(true);
    const QRect after = wnd->frameGeometry();
    EXPECT_EQ(wnd->size(), QSize(96, 64));
    EXPECT_EQ(after.left(), before.left() + before.width() / 2 - after.width() / 2);
    EXPECT_EQ(after.top(), before.top() + before.height() / 2 - after.height() / 2);
    wnd->close();
    Settle();
}

TEST(PreviewWindow, WheelZoomsOutTowardsTheUser) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(8, 8, 32), &owner);
    const auto wheel = [wnd](int delta) {
        QWheelEvent event(QPointF(4, 4), QPointF(4, 4), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd, &event);
    };
    wheel(120);
    wheel(120);
    EXPECT_EQ(wnd->GetZoom(), 3);
    wheel(-120);
    EXPECT_EQ(wnd->GetZoom(), 2);
    EXPECT_EQ(wnd->size(), QSize(16, 16));
    wnd->close();
    Settle();
}

TEST(PreviewWindow, CtrlCAndTheMenuCopyTheCKeyAloneDoesNot) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(3, 2, 32), &owner);
    QClipboard* clipboard = QGuiApplication::clipboard();

    clipboard->clear();
    QTest::keyClick(wnd, Qt::Key_C);
    Settle();
    EXPECT_FALSE(ClipboardOffers("PBPIXEL32"));

    QTest::keyClick(wnd, Qt::Key_C, Qt::ControlModifier);
    Settle();
    ASSERT_TRUE(ClipboardOffers("PBPIXEL32"));
    const QMimeData* data = clipboard->mimeData();
    EXPECT_EQ(data->data(QStringLiteral("PBPIXEL32")).size(), 32);
    EXPECT_EQ(data->data(QStringLiteral("Pixia_Transp")).size(), 1072);

    const QList<QAction*> entries = wnd->WindowMenu()->actions();
    ASSERT_GE(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("コピー(C)\tCtrl+C"));
    EXPECT_EQ(entries[0], wnd->CopyAction());
    EXPECT_TRUE(entries[1]->isSeparator());
    clipboard->clear();
    wnd->CopyAction()->trigger();
    Settle();
    ASSERT_TRUE(ClipboardOffers("PBPIXEL32"));
    const auto pasted = FromDataObject(MimeDataSource(*clipboard->mimeData()));
    ASSERT_NE(pasted, nullptr);
    EXPECT_TRUE(std::equal(pasted->Pixels().begin(), pasted->Pixels().end(),
                           wnd->GetImage().Pixels().begin(), wnd->GetImage().Pixels().end()));
    wnd->close();
    Settle();
}

TEST(PreviewWindow, MenuKeyOpensTheMenuAtTheClientCorner) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(8, 8, 32), &owner);
    wnd->show();
    wnd->move(120, 90);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                            wnd->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(wnd, &event);
    ASSERT_TRUE(wnd->WindowMenu()->isVisible());
    EXPECT_EQ(wnd->WindowMenu()->pos(), wnd->mapToGlobal(QPoint(0, 0)));
    wnd->WindowMenu()->close();
    wnd->close();
    Settle();
}

TEST(PreviewWindow, EscCloses) {
    QWidget owner;
    QPointer<CIconPreviewWnd> wnd = new CIconPreviewWnd(Image(4, 4, 32), &owner);
    wnd->show();
    QTest::keyClick(wnd.data(), Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(wnd.isNull());
}

TEST(PreviewWindow, DrawsAtTheImagesOwnDepth) {
    // A 24-bit image with half-transparent pixels: at its own depth they are either shown
    // or not (on-or-off); blending them would give other colours.
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(5, 4, 24), &owner);
    wnd->Zoom(true);
    wnd->show();
    const QImage shown = wnd->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(10, 8));
    const Rect dst{0, 0, 10, 8};
    const std::vector<Pixel> own = wnd->GetImage().Draw(&dst, nullptr, false, false, 0.0, false, 0);
    const std::vector<Pixel> blended =
        wnd->GetImage().Draw(&dst, nullptr, true, false, 0.0, false, 0);
    ASSERT_NE(own, blended);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(shown.pixel(x, y) | 0xFF000000u, own[static_cast<std::size_t>(y) * 10 + x])
                << x << "," << y;
        }
    }
    wnd->close();
    Settle();
}

TEST(PreviewWindow, WizardTakesNoInputWhileItIsOpen) {
    CVarlen sheet;
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    sheet.next();
    sheet.next();
    sheet.next();
    ASSERT_EQ(sheet.currentPage(), static_cast<QWizardPage*>(sheet.m_pPage4));
    auto* page = sheet.m_pPage4;
    page->Tree()->setCurrentItem(page->Tree()->topLevelItem(0)->child(0));
    QPointer<CIconPreviewWnd> wnd = page->Preview();
    ASSERT_FALSE(wnd.isNull());
    EXPECT_EQ(wnd->windowModality(), Qt::WindowModal);
    EXPECT_EQ(wnd->parentWidget(), &sheet);
    EXPECT_TRUE(wnd->windowFlags() & Qt::Tool);

    QAbstractButton* next = sheet.button(QWizard::NextButton);
    const QPoint at = next->mapTo(&sheet, next->rect().center());
    QTest::mouseClick(sheet.windowHandle(), Qt::LeftButton, {}, at);
    Settle();
    EXPECT_EQ(sheet.currentPage(), static_cast<QWizardPage*>(page));  // blocked

    wnd->close();
    Settle();
    EXPECT_TRUE(wnd.isNull());
    QTest::mouseClick(sheet.windowHandle(), Qt::LeftButton, {}, at);
    Settle();
    EXPECT_EQ(sheet.currentPage(), static_cast<QWizardPage*>(sheet.m_pPage5));
}

// The window menu offers move among the standard entries; where the window system cannot
// move the window (as here), the window follows the mouse until the next click.
TEST(PreviewWindow, MenuMoveLetsTheWindowFollowTheMouse) {
    QWidget owner;
    owner.resize(300, 300);
    owner.show();
    auto* wnd = new CIconPreviewWnd(Image(40, 40, 32), &owner);
    wnd->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd));
    const QList<QAction*> entries = wnd->WindowMenu()->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[2], wnd->MoveAction());
    EXPECT_EQ(entries[2]->text(), QStringLiteral("移動(&M)"));
    EXPECT_EQ(entries[3]->text(), QStringLiteral("閉じる\tAlt+F4"));

    QTest::mousePress(wnd->windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(wnd->windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    ASSERT_TRUE(wnd->WindowMenu()->isVisible());
    QTest::keyClick(wnd->WindowMenu(), Qt::Key_M);
    EXPECT_FALSE(wnd->WindowMenu()->isVisible());
    ASSERT_TRUE(wnd->IsMoving());
    const QPoint before = wnd->pos();
    QTest::mouseMove(wnd->windowHandle(), QPoint(20, 20));
    QTest::mouseMove(wnd->windowHandle(), QPoint(35, 28));
    EXPECT_EQ(wnd->pos(), before + QPoint(15, 8));
    QTest::mouseClick(wnd->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(wnd->IsMoving());
    const QPoint placed = wnd->pos();
    QTest::mouseMove(wnd->windowHandle(), QPoint(30, 30));
    EXPECT_EQ(wnd->pos(), placed);
    wnd->close();
    Settle();
}

// At x5 a 512-pixel format is 2560 pixels wide: the window keeps to the screen and its
// content scrolls; the keys and the wheel still zoom.
TEST(PreviewWindow, LargeZoomKeepsToTheScreenAndScrolls) {
    QWidget owner;
    auto* wnd = new CIconPreviewWnd(Image(512, 512, 32), &owner);
    wnd->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd));
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(wnd, Qt::Key_PageUp);
    }
    ASSERT_EQ(wnd->GetZoom(), 5);
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("プレビュー x5"));
    const QRect room = wnd->screen()->availableGeometry();
    EXPECT_LE(wnd->frameGeometry().width(), room.width());
    EXPECT_LE(wnd->frameGeometry().height(), room.height());
    EXPECT_EQ(wnd->ScrollArea()->widget()->size(), QSize(2560, 2560));
    QScrollBar* bar = wnd->ScrollArea()->horizontalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    // A click into the bar's track beyond the handle scrolls by a page.
    const int value = bar->value();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                      QPoint(bar->width() - 20, bar->height() / 2));
    EXPECT_GT(bar->value(), value);
    // The wheel over the picture zooms out instead of scrolling.
    const QPoint inside(20, 20);
    QWheelEvent wheel(QPointF(inside), QPointF(wnd->ScrollArea()->viewport()->mapToGlobal(inside)),
                      QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(wnd->ScrollArea()->viewport(), &wheel);
    EXPECT_EQ(wnd->GetZoom(), 4);
    wnd->close();
    Settle();
}

}  // namespace
}  // namespace varlen
