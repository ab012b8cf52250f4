// The whole wizard driven as a user drives it: open a picture, move, zoom and turn it in
// the view, click a colour transparent, move a filter slider, add and untick sizes, name the
// file and press Finish. The icon written must list the chosen formats in order for icotool
// and Pillow, and be byte for byte what the command-line front end writes for the same
// choices.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "pages/effect_dialogs.h"
#include "pages/icon_size_dialog.h"
#include "pages/number_edit.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"
#include "tests/pages/view_points.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

constexpr QRgb kRed = qRgb(220, 30, 30);

// 91 x 61: a blue field, a red block on the left, a yellow disc on the right, and a
// half-transparent strip along the bottom.
QImage Picture() {
    QImage image(91, 61, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = qRgb(30, 60, 200);
            if (x >= 8 && x < 38 && y >= 12 && y < 44) {
                c = kRed;
            } else if ((x - 64) * (x - 64) + (y - 28) * (y - 28) < 15 * 15) {
                c = qRgb(250, 220, 40);
            }
            if (y >= 54) {
                c = qRgba(qRed(c), qGreen(c), qBlue(c), 120);
            }
            image.setPixel(x, y, c);
        }
    }
    return image;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ProcessResult {
    int exitCode = -1;
    QString out;
};
ProcessResult RunProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

void Drag(QWidget* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(view, Qt::LeftButton, modifiers, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(view->mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, modifiers);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, modifiers, to);
}

// Clicks an item of the formats tree, as the mouse would.
void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(item).center());
}

QTreeWidgetItem* SizeItem(QTreeWidget* tree, int depthIndex, const QString& text) {
    QTreeWidgetItem* node = tree->topLevelItem(depthIndex);
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text) {
            return node->child(i);
        }
    }
    return nullptr;
}

// The command line that stands for what the wizard holds after page 4.
QStringList BatchArguments(const CVarlen& sheet, Point clicked, const QString& output,
                           const QString& picture) {
    const Rect& sq = sheet.m_rcSource;
    const EffectSettings e = ToEffectSettings(sheet);
    QStringList formats;
    for (const FORMAT& f : sheet.m_aFormat) {
        if (f.bEnabled != 0) {
            formats << QStringLiteral("%1:%2x%3").arg(f.wBitCount).arg(f.wWidth).arg(f.wHeight);
        }
    }
    QStringList args = {
        QStringLiteral("--create"),
        output,
        QStringLiteral("--square"),
        QStringLiteral("%1,%2,%3").arg(sq.left).arg(sq.top).arg(sq.Width()),
        QStringLiteral("--rotate"),
        QStringLiteral("%1.%2")
            .arg(sheet.m_nRotation / 1000)
            .arg(sheet.m_nRotation % 1000, 3, 10, QLatin1Char('0')),
        QStringLiteral("--clear-color"),
        QStringLiteral("%1,%2").arg(clicked.x).arg(clicked.y),
        QStringLiteral("--tolerance"),
        QString::number(sheet.m_nTransparentRange),
        QStringLiteral("--expand"),
        QString::number(sheet.m_nTransparentSurrounding),
        QStringLiteral("--brightness"),
        QString::number(e.brightness),
        QStringLiteral("--contrast"),
        QString::number(e.contrast),
        QStringLiteral("--sharp"),
        QString::number(e.sharp),
        QStringLiteral("--light"),
        QString::number(e.light),
        QStringLiteral("--light-pos"),
        QStringLiteral("%1,%2").arg(e.lightPos.x).arg(e.lightPos.y),
        QStringLiteral("--transparency"),
        QString::number(e.transparent),
        QStringLiteral("--shadow"),
        QString::number(e.shadow),
        QStringLiteral("--shadow-pos"),
        QStringLiteral("%1,%2").arg(e.shadowPos.x).arg(e.shadowPos.y),
        QStringLiteral("--round"),
        QString::number(e.round),
        QStringLiteral("--fade"),
        QString::number(e.fade),
        QStringLiteral("--formats"),
        formats.join(QLatin1Char(',')),
    };
    if (sheet.m_bMirror) {
        args << QStringLiteral("--mirror");
    }
    if (e.noLight4Bit) {
        args << QStringLiteral("--no-light-4bit");
    }
    if (!sheet.m_bSmoothing) {
        args << QStringLiteral("--no-smoothing");
    }
    if (sheet.m_bPng) {
        args << QStringLiteral("--png");
    }
    args << picture;
    return args;
}

// icotool's listing: one "WxH@BITS" per entry, in file order.
QStringList IcotoolEntries(const QString& ico) {
    const ProcessResult run =
        RunProgram(QStringLiteral(VARLEN_ICOTOOL), {QStringLiteral("-l"), ico});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    QStringList entries;
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        auto field = [&](const char* name) {
            const QString key = QStringLiteral("--%1=").arg(QLatin1String(name));
            const qsizetype at = line.indexOf(key);
            return at < 0 ? QString() : line.mid(at + key.size()).section(QLatin1Char(' '), 0, 0);
        };
        entries
            << QStringLiteral("%1x%2@%3").arg(field("width"), field("height"), field("bit-depth"));
    }
    return entries;
}

// Pillow's view: each entry decoded on its own, "WxH@BITS" in Pillow's own order (largest
// first), so compared as a sorted list.
QStringList PillowEntries(const QString& ico) {
    const QString script = QStringLiteral(
        "import sys\n"
        "from PIL import IcoImagePlugin\n"
        "f = IcoImagePlugin.IcoFile(open(sys.argv[1], 'rb'))\n"
        "for i, e in enumerate(f.entry):\n"
        "    im = f.frame(i)\n"
        "    im.load()\n"
        "    print('%dx%d@%d' % (im.size + (e['bpp'],)))\n");
    const ProcessResult run =
        RunProgram(QStringLiteral(VARLEN_SYSTEM_PYTHON), {QStringLiteral("-c"), script, ico});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    QStringList entries = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    entries.sort();
    return entries;
}

TEST(WizardRun, EveryPageAsAUserAndTheSameBytesAsTheCommandLine) {
    DeleteSettingsStore();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picturePath = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(Picture().save(picturePath));

    std::vector<MessageRequest> messages;
    ScopedMessageHook hook([&](const MessageRequest& r) {
        messages.push_back(r);
        return MessageAnswer::kOk;
    });

    CVarlen sheet;
    sheet.m_pPage1->SetFileChooser([&](QWidget*, const QString&) { return picturePath; });
    QStringList revealed;
    sheet.m_pPage5->SetFileRevealer([&](const QString& path) { revealed << path; });
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    QAbstractButton* next = sheet.button(QWizard::NextButton);

    // Page 1: open, move the picture, zoom in one notch, turn it a little, mirror it.
    CVarlenPage1& page1 = *sheet.m_pPage1;
    QTest::mouseClick(page1.m_btnOpen, Qt::LeftButton);
    ASSERT_EQ(sheet.m_pIcon->Width(), 91);
    CIconWnd* view = page1.m_wndIcon;
    const Rect start = view->GetSourceRect();
    const int c = view->width() / 2;
    Drag(view, QPoint(c, c), QPoint(c + 30, c - 20), Qt::NoModifier);
    EXPECT_NE(view->GetSourceRect(), start);
    QWheelEvent wheel(QPointF(c, c), QPointF(view->mapToGlobal(QPoint(c, c))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_LT(view->GetSourceRect().Width(), start.Width());
    Drag(view, QPoint(c + 60, c), QPoint(c + 58, c + 12), Qt::ControlModifier);
    EXPECT_NE(view->GetRotation(), 0);
    QTest::mouseClick(page1.m_chkMirror, Qt::LeftButton);
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage2);
    ASSERT_EQ(sheet.m_rcSource.Width(), sheet.m_rcSource.Height());

    // Page 2: click the red block in colour mode; all of that red goes.
    CVarlenPage2& page2 = *sheet.m_pPage2;
    QTest::mouseClick(page2.m_btnColorMode, Qt::LeftButton);
    const CIcon& placed = *sheet.m_pIcon;
    const Pixel red = MakePixel(255, qRed(kRed), qGreen(kRed), qBlue(kRed));
    std::optional<Point> redAt;
    for (int y = 0; y < placed.Height() && !redAt; ++y) {
        for (int x = 0; x < placed.Width() && !redAt; ++x) {
            if (placed.GetPixel(x, y) == red &&
                testing_support::ViewPointOf(*page2.m_wndIcon, x, y)) {
                redAt = Point{x, y};
            }
        }
    }
    ASSERT_TRUE(redAt.has_value());
    QTest::mouseClick(page2.m_wndIcon, Qt::LeftButton, Qt::NoModifier,
                      *testing_support::ViewPointOf(*page2.m_wndIcon, redAt->x, redAt->y));
    EXPECT_EQ(placed.GetPixel(redAt->x, redAt->y) >> 24, 0u);
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage3);

    // Page 3: brightness up two pages with the keyboard, then the round corners to the end.
    CVarlenPage3& page3 = *sheet.m_pPage3;
    page3.m_tabFilter->setCurrentIndex(0);
    QSlider* brightness = page3.m_dlgBrightness->Slider(IDC_BRIGHTNESS);
    brightness->setFocus();
    QTest::keyClick(brightness, Qt::Key_PageUp);
    QTest::keyClick(brightness, Qt::Key_PageUp);
    page3.m_tabFilter->setCurrentIndex(5);
    QSlider* round = page3.m_dlgFrame->Slider(IDC_ROUND);
    round->setFocus();
    QTest::keyClick(round, Qt::Key_End);
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage4);
    EXPECT_NE(sheet.m_nBrightness, 0);
    EXPECT_EQ(sheet.m_nRound, round->maximum());

    // Page 4: add 40 x 40 under 32 bits, untick 4-bit 16 x 16 and 24-bit 48 x 48.
    CVarlenPage4& page4 = *sheet.m_pPage4;
    QTreeWidget* tree = page4.Tree();
    ClickItem(tree, tree->topLevelItem(3));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CIconSizeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->WidthEdit()->selectAll();
        QTest::keyClicks(dialog->WidthEdit(), QStringLiteral("40"));
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(page4.Button(CVarlenPage4::kIdAdd), Qt::LeftButton);
    ASSERT_NE(SizeItem(tree, 3, CVarlenPage4::SizeText(40, 40)), nullptr);
    for (auto [depth, side] : {std::pair{0, 16}, std::pair{2, 48}}) {
        QTreeWidgetItem* item = SizeItem(tree, depth, CVarlenPage4::SizeText(side, side));
        ASSERT_NE(item, nullptr);
        ClickItem(tree, item);
        QTest::keyClick(tree, Qt::Key_Space);
        EXPECT_EQ(item->checkState(0), Qt::Unchecked);
    }
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage5);

    // Page 5: a full path without extension; Finish.
    CVarlenPage5& page5 = *sheet.m_pPage5;
    page5.m_editFile->selectAll();
    QTest::keyClicks(page5.m_editFile, dir.filePath(QStringLiteral("made")));
    QTest::mouseClick(sheet.button(QWizard::FinishButton), Qt::LeftButton);
    const QString made = dir.filePath(QStringLiteral("made.ico"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("アイコンの作成が完了しました。"));
    EXPECT_EQ(revealed, QStringList{made});
    EXPECT_FALSE(sheet.isVisible());

    // The entries in list order: 4 bits 32; 8 bits 48 32 24 16; 24 bits 32 24 16;
    // 32 bits 256 48 40 32 24 16.
    const QStringList expected = {"32x32@4",  "48x48@8",  "32x32@8",  "24x24@8",    "16x16@8",
                                  "32x32@24", "24x24@24", "16x16@24", "256x256@32", "48x48@32",
                                  "40x40@32", "32x32@32", "24x24@32", "16x16@32"};
    EXPECT_EQ(IcotoolEntries(made).join(u' '), expected.join(u' '));
    QStringList sorted = expected;
    sorted.sort();
    EXPECT_EQ(PillowEntries(made).join(u' '), sorted.join(u' '));

    const QString batch = dir.filePath(QStringLiteral("batch.ico"));
    const ProcessResult run =
        RunProgram(QStringLiteral(VARLEN_EXE), BatchArguments(sheet, *redAt, batch, picturePath));
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QByteArray wizardBytes = ReadAll(made);
    ASSERT_FALSE(wizardBytes.isEmpty());
    EXPECT_TRUE(wizardBytes == ReadAll(batch));
    DeleteSettingsStore();
}

// Presets and hand-drawn small sizes, as a new user finds them: the presets button on the
// formats page, the context menu of 16 x 16 and the size-picture button for 32 x 32 (a
// 64 x 40 drawing, fitted). The icon is what `varlen --create --preset win11
// --size-picture ...` writes, byte for byte.
TEST(WizardRun, PresetAndSizePicturesGiveTheCommandLinesBytes) {
    DeleteSettingsStore();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picturePath = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(Picture().save(picturePath));
    QImage px16(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            px16.setPixel(
                x, y,
                (x + y) % 5 == 0 ? qRgba(250, 20, 20, 255) : qRgba(40, 40, 40, x == 0 ? 0 : 255));
        }
    }
    const QString px16Path = dir.filePath(QStringLiteral("px16.png"));
    ASSERT_TRUE(px16.save(px16Path));
    QImage px32(64, 40, QImage::Format_ARGB32);
    px32.fill(qRgba(20, 160, 60, 255));
    const QString px32Path = dir.filePath(QStringLiteral("px32.png"));
    ASSERT_TRUE(px32.save(px32Path));

    std::vector<MessageRequest> messages;
    ScopedMessageHook hook([&](const MessageRequest& r) {
        messages.push_back(r);
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });
    CVarlen sheet;
    sheet.m_pPage1->SetFileChooser([&](QWidget*, const QString&) { return picturePath; });
    QString sizePicture;
    sheet.m_pPage4->SetFileChooser([&](QWidget*, const QString&) { return sizePicture; });
    sheet.m_pPage5->SetFileRevealer([](const QString&) {});
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    QAbstractButton* next = sheet.button(QWizard::NextButton);
    QTest::mouseClick(sheet.m_pPage1->m_btnOpen, Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(next, Qt::LeftButton);
    }
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage4);

    CVarlenPage4& page4 = *sheet.m_pPage4;
    QTreeWidget* tree = page4.Tree();
    const auto pressInMenu = [](Qt::Key key) {
        QTimer::singleShot(0, [key] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            QTest::keyClick(menu, key);
        });
    };
    pressInMenu(Qt::Key_W);
    QTest::mouseClick(page4.PresetsButton(), Qt::LeftButton);
    ASSERT_EQ(tree->topLevelItem(3)->childCount(), 14);

    // 16 x 16 from its context menu, after a right press on it.
    sizePicture = px16Path;
    QTreeWidgetItem* n16 = SizeItem(tree, 3, CVarlenPage4::SizeText(16, 16));
    ASSERT_NE(n16, nullptr);
    tree->scrollToItem(n16);
    const QPoint at = tree->visualItemRect(n16).center();
    QTest::mousePress(tree->viewport(), Qt::RightButton, Qt::NoModifier, at);
    pressInMenu(Qt::Key_U);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &menuEvent);
    QTest::mouseRelease(tree->viewport(), Qt::RightButton, Qt::NoModifier, at);
    EXPECT_TRUE(n16->text(0).endsWith(QStringLiteral("[画像]")));

    // 32 x 32 selected with a click, then the size-picture button.
    sizePicture = px32Path;
    QTreeWidgetItem* n32 = SizeItem(tree, 3, CVarlenPage4::SizeText(32, 32));
    ASSERT_NE(n32, nullptr);
    ClickItem(tree, n32);
    pressInMenu(Qt::Key_U);
    QTest::mouseClick(page4.SizePictureButton(), Qt::LeftButton);
    EXPECT_EQ(n32->toolTip(0), QDir::toNativeSeparators(px32Path));
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(sheet.currentPage(), sheet.m_pPage5);

    CVarlenPage5& page5 = *sheet.m_pPage5;
    page5.m_editFile->selectAll();
    QTest::keyClicks(page5.m_editFile, dir.filePath(QStringLiteral("app")));
    QTest::mouseClick(sheet.button(QWizard::FinishButton), Qt::LeftButton);
    const QString made = dir.filePath(QStringLiteral("app.ico"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, QStringLiteral("アイコンの作成が完了しました。"));

    const QStringList expected = {"256x256@32", "96x96@32", "80x80@32", "72x72@32", "64x64@32",
                                  "60x60@32",   "48x48@32", "40x40@32", "36x36@32", "32x32@32",
                                  "30x30@32",   "24x24@32", "20x20@32", "16x16@32"};
    EXPECT_EQ(IcotoolEntries(made).join(u' '), expected.join(u' '));
    QStringList sorted = expected;
    sorted.sort();
    EXPECT_EQ(PillowEntries(made).join(u' '), sorted.join(u' '));

    const Rect& sq = sheet.m_rcSource;
    const QString batch = dir.filePath(QStringLiteral("batch.ico"));
    const ProcessResult run = RunProgram(
        QStringLiteral(VARLEN_EXE),
        {QStringLiteral("--create"), batch, QStringLiteral("--square"),
         QStringLiteral("%1,%2,%3").arg(sq.left).arg(sq.top).arg(sq.Width()),
         QStringLiteral("--preset"), QStringLiteral("win11"), QStringLiteral("--size-picture"),
         QStringLiteral("16x16=") + px16Path, QStringLiteral("--size-picture"),
         QStringLiteral("32x32=") + px32Path, picturePath});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QByteArray wizardBytes = ReadAll(made);
    ASSERT_FALSE(wizardBytes.isEmpty());
    EXPECT_TRUE(wizardBytes == ReadAll(batch));
    // And not what the main picture alone gives.
    const QString without = dir.filePath(QStringLiteral("without.ico"));
    ASSERT_EQ(RunProgram(QStringLiteral(VARLEN_EXE),
                         {QStringLiteral("--create"), without, QStringLiteral("--preset"),
                          QStringLiteral("win11"), picturePath})
                  .exitCode,
              0);
    EXPECT_FALSE(wizardBytes == ReadAll(without));
    DeleteSettingsStore();
}

}  // namespace
}  // namespace varlen
