// The source page: loading from files, the clipboard and drops, the output-name proposal,
// the size and rotation fields, placement on Next and restoration on Back, reset.
#include "pages/page1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <optional>
#include <vector>

#include "gui/clipboard_adapter.h"
#include "gui/controls.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "gui/settings.h"
#include "gui/up_down.h"
#include "io/clipboard_formats.h"
#include "io/export.h"
#include "io/icons.h"
#include "io/png_encode.h"
#include "pages/page1_support.h"
#include "pages/page2.h"
#include "tests/pages/view_points.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

constexpr Pixel kRed = MakePixel(255, 255, 0, 0);
constexpr Pixel kBlue = MakePixel(255, 0, 0, 255);

const char kOpenFailed[] = "ファイルが開けません。\n画像ではないか、対応していない形式です。";
const char kPasteFailed[] =
    "クリップボードが開けません。\n画像ではないか、対応していない形式です。";
const char kDropFailed[] = "ドロップできません。\n画像ではないか、対応していない形式です。";

// A picture of one colour, or with its left half left and right half right.
std::unique_ptr<CIcon> Picture(int w, int h, Pixel left, Pixel right) {
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            icon->Row(y)[x] = x < w / 2 ? left : right;
        }
    }
    return icon;
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

QByteArray PngBytes(const CIcon& icon) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(EncodePng(icon, bytes));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QUrl Url(const QString& path) {
    return QUrl::fromLocalFile(path);
}

class Page1 : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        QApplication::clipboard()->clear();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        QApplication::clipboard()->clear();
        DeleteSettingsStore();
    }

    // Writes a PNG of icon into the temporary folder.
    QString SavePicture(const QString& name, const CIcon& icon) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(SavePng(icon, QFile::encodeName(path).toStdString()));
        return path;
    }
    QString SaveText(const QString& name) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        return path;
    }
    // Starts the wizard with the clipboard empty and returns its page 1.
    CVarlenPage1& Start() {
        sheet.show();
        return *sheet.m_pPage1;
    }
    ScopedMessageHook RecordMessages() {
        return ScopedMessageHook([this](const MessageRequest& r) {
            messages.push_back(r);
            return MessageAnswer::kOk;
        });
    }

    QTemporaryDir dir;
    CVarlen sheet;
    std::vector<MessageRequest> messages;
};

// --- loading from files and the output name -------------------------------------------

TEST_F(Page1, LoadFileShowsThePictureCentredAndProposesTheIconName) {
    CVarlenPage1& page = Start();
    auto picture = Picture(100, 50, kRed, kBlue);
    const QString path = SavePicture(QStringLiteral("cat.png"), *picture);
    ASSERT_TRUE(page.LoadFile(path));
    ASSERT_EQ(sheet.m_pIcon->Width(), 100);
    ASSERT_EQ(sheet.m_pIcon->Height(), 50);
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), PixelsOf(*picture));
    EXPECT_EQ(sheet.m_strIconFile, dir.filePath(QStringLiteral("cat.ico")));
    EXPECT_EQ(page.m_wndIcon->GetImage(), sheet.m_pIcon.get());
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{0, -25, 100, 75}));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("100 x 100"));
    EXPECT_EQ(page.m_editRotation->text(), QStringLiteral("0.0"));
    EXPECT_TRUE(page.m_editSize->isEnabled());
    EXPECT_TRUE(page.m_spinRotation->isEnabled());
}

TEST_F(Page1, OpenRemembersTheFolderAndStartsThere) {
    CVarlenPage1& page = Start();
    auto picture = Picture(8, 8, kRed, kRed);
    const QString path = SavePicture(QStringLiteral("a.png"), *picture);
    sheet.m_strOpenPath = QStringLiteral("/somewhere");
    QString askedIn;
    page.SetFileChooser([&](QWidget*, const QString& folder) {
        askedIn = folder;
        return path;
    });
    auto hook = RecordMessages();
    page.OnOpen();
    EXPECT_EQ(askedIn, QStringLiteral("/somewhere"));
    EXPECT_EQ(sheet.m_strOpenPath, dir.path());
    EXPECT_FALSE(sheet.m_strOpenPath.endsWith(QLatin1Char('/')));
    EXPECT_EQ(sheet.m_pIcon->Width(), 8);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Page1, FailingOpenShowsTheMessageAndKeepsThePicture) {
    CVarlenPage1& page = Start();
    auto picture = Picture(10, 10, kRed, kRed);
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("good.png"), *picture)));
    const CIcon* before = sheet.m_pIcon.get();
    const QString name = sheet.m_strIconFile;
    const QString bad = SaveText(QStringLiteral("bad.png"));
    page.SetFileChooser([&](QWidget*, const QString&) { return bad; });
    auto hook = RecordMessages();
    page.OnOpen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(kOpenFailed));
    EXPECT_EQ(messages[0].icon, MessageIcon::kError);
    EXPECT_EQ(sheet.m_pIcon.get(), before);
    EXPECT_EQ(sheet.m_strIconFile, name);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{0, 0, 10, 10}));
    // The folder is remembered before loading, so also when it fails.
    EXPECT_EQ(sheet.m_strOpenPath, dir.path());
}

TEST_F(Page1, CancelledOpenDoesNothing) {
    CVarlenPage1& page = Start();
    const CIcon* before = sheet.m_pIcon.get();
    page.SetFileChooser([](QWidget*, const QString&) { return QString(); });
    auto hook = RecordMessages();
    page.OnOpen();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sheet.m_pIcon.get(), before);
    EXPECT_TRUE(sheet.m_strOpenPath.isEmpty());
}

TEST_F(Page1, IconNameReplacesTheLastExtensionOfTheFileName) {
    EXPECT_EQ(IconFileFor(QStringLiteral("/pics/cat.png")), QStringLiteral("/pics/cat.ico"));
    EXPECT_EQ(IconFileFor(QStringLiteral("/pics/cat")), QStringLiteral("/pics/cat.ico"));
    EXPECT_EQ(IconFileFor(QStringLiteral("/my.pics/cat")), QStringLiteral("/my.pics/cat.ico"));
    EXPECT_EQ(IconFileFor(QStringLiteral("/p/a.tar.gz")), QStringLiteral("/p/a.tar.ico"));
    EXPECT_EQ(IconFileFor(QStringLiteral("/p/a.b c")), QStringLiteral("/p/a.b c.ico"));
    EXPECT_EQ(FolderOf(QStringLiteral("/pics/cat.png")), QStringLiteral("/pics"));
}

TEST_F(Page1, OpenDialogShowsTheFileTypesAsWritten) {
    const QStringList expected = {
        QStringLiteral("画像ファイル (*.bmp; *.png; *.gif; *.jpg; *.jpe; *.jpeg; *.webp; *.tif; "
                       "*.tiff; *.svg; *.ico; *.cur)"),
        QStringLiteral("Windows ビットマップ (*.bmp)"),
        QStringLiteral("PNG イメージ (*.png)"),
        QStringLiteral("GIF イメージ (*.gif)"),
        QStringLiteral("JPEG イメージ (*.jpg; *.jpe; *.jpeg)"),
        QStringLiteral("すべてのファイル (*.*)"),
    };
    EXPECT_EQ(OpenFilterTexts(), expected);
    auto dialog = BuildOpenDialog(nullptr, dir.path());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(QDir(dialog->directory()).absolutePath(), QDir(dir.path()).absolutePath());
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) {
        shown.append(combo->itemText(i));
    }
    EXPECT_EQ(shown, expected);
}

TEST_F(Page1, StartupFileIsLoadedAtTheFirstShow) {
    auto picture = Picture(30, 20, kRed, kBlue);
    sheet.m_strStartupFile = SavePicture(QStringLiteral("start.png"), *picture);
    auto hook = RecordMessages();
    Start();
    EXPECT_EQ(sheet.m_pIcon->Width(), 30);
    EXPECT_EQ(sheet.m_strIconFile, dir.filePath(QStringLiteral("start.ico")));
    EXPECT_EQ(sheet.m_rcSource, (Rect{0, -5, 30, 25}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Page1, FailedStartupFileIsReportedThenTheClipboardIsTaken) {
    auto picture = Picture(6, 4, kRed, kBlue);
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/png"), PngBytes(*picture));
    QApplication::clipboard()->setMimeData(mime.release());
    sheet.m_strStartupFile = SaveText(QStringLiteral("notes.txt"));
    auto hook = RecordMessages();
    Start();
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), PixelsOf(*picture));
    EXPECT_TRUE(sheet.m_strIconFile.isEmpty());
    // The Open button's message, once.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(kOpenFailed));
    EXPECT_EQ(messages[0].icon, MessageIcon::kError);
}

TEST_F(Page1, MissingStartupFileWithAnEmptyClipboardKeepsTheBlankPicture) {
    sheet.m_strStartupFile = dir.filePath(QStringLiteral("gone.png"));
    auto hook = RecordMessages();
    Start();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(kOpenFailed));
    EXPECT_EQ(sheet.m_pIcon->Width(), 512);
    EXPECT_FALSE(sheet.m_bPictureLoaded);
}

TEST_F(Page1, StartupWithNothingKeepsTheBlankPicture) {
    auto hook = RecordMessages();
    Start();
    EXPECT_EQ(sheet.m_pIcon->Width(), 512);
    EXPECT_EQ(sheet.m_rcSource, (Rect{0, 0, 512, 512}));
    EXPECT_TRUE(messages.empty());
}

// --- placement on Next, restoration on Back ---------------------------------------------

TEST_F(Page1, NextPlacesThePictureInASquareWithMargins) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(100, 50, kRed, kRed))));
    sheet.next();
    ASSERT_EQ(sheet.currentId(), 1);
    ASSERT_EQ(sheet.m_pIcon->Width(), 100);
    ASSERT_EQ(sheet.m_pIcon->Height(), 100);
    EXPECT_EQ(sheet.m_rcSource, (Rect{0, -25, 100, 75}));
    // Equal sizes: one sample per pixel, exact; the 25 rows above and below are empty.
    for (int y = 0; y < 100; ++y) {
        const Pixel expected = (y >= 25 && y < 75) ? kRed : 0u;
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(sheet.m_pIcon->GetPixel(x, y), expected) << x << "," << y;
        }
    }
    ASSERT_NE(page.Original(), nullptr);
    EXPECT_EQ(page.Original()->Width(), 100);
    EXPECT_EQ(page.Original()->Height(), 50);
}

TEST_F(Page1, NoMarginCropsToTheShorterSide) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(
        page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(100, 50, kRed, kBlue))));
    QTest::mouseClick(page.m_chkNoMargin, Qt::LeftButton);
    EXPECT_TRUE(sheet.m_bNoMargin);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{25, 0, 75, 50}));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("50 x 50"));
    sheet.next();
    ASSERT_EQ(sheet.m_pIcon->Width(), 50);
    ASSERT_EQ(sheet.m_pIcon->Height(), 50);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(24, 10), kRed);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(25, 10), kBlue);
    // Unchecking keeps the current square.
    sheet.back();
    QTest::mouseClick(page.m_chkNoMargin, Qt::LeftButton);
    EXPECT_FALSE(sheet.m_bNoMargin);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{25, 0, 75, 50}));
}

TEST_F(Page1, MirrorReachesThePlacedPicture) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(10, 10, kRed, kBlue))));
    QTest::mouseClick(page.m_chkMirror, Qt::LeftButton);
    EXPECT_TRUE(page.m_wndIcon->GetMirror());
    sheet.next();
    EXPECT_TRUE(sheet.m_bMirror);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(0, 5), kBlue);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(9, 5), kRed);
}

TEST_F(Page1, BackRestoresTheUnplacedPictureAndThePlacement) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(
        page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(100, 50, kRed, kBlue))));
    const CIcon* unplaced = sheet.m_pIcon.get();
    QTest::mouseClick(page.m_chkMirror, Qt::LeftButton);
    page.m_editRotation->setText(QStringLiteral("90"));
    QTest::mouseClick(page.m_spinSize->DownButton(), Qt::LeftButton);  // side 98
    const Rect placed = page.m_wndIcon->GetSourceRect();
    ASSERT_EQ(placed, (Rect{1, -24, 99, 74}));
    sheet.next();
    EXPECT_EQ(sheet.m_nRotation, 90000);
    EXPECT_EQ(sheet.m_pIcon->Width(), 98);
    sheet.m_pIcon->Row(0)[0] = kRed;  // what page 2 might do to the placed picture

    sheet.back();
    EXPECT_EQ(sheet.m_pIcon.get(), unplaced);
    EXPECT_EQ(page.Original(), nullptr);
    EXPECT_EQ(page.m_wndIcon->GetImage(), unplaced);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), placed);
    EXPECT_TRUE(page.m_wndIcon->GetMirror());
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 90000);
    EXPECT_TRUE(page.m_chkMirror->isChecked());
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("98 x 98"));
    EXPECT_EQ(page.m_editRotation->text(), QStringLiteral("90.0"));

    // Next again renders from the unplaced picture, not from the placed one.
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->Width(), 98);
    EXPECT_EQ(page.Original(), unplaced);
}

TEST_F(Page1, NextWithNothingChangedKeepsWhatPageTwoDid) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(40, 40, kRed, kBlue))));
    sheet.next();
    ASSERT_EQ(sheet.currentId(), 1);
    // A click on page 2 clears the red half, as a user would make it.
    sheet.m_nTransparentMode = 0;
    const std::optional<QPoint> at =
        testing_support::ViewPointOf(*sheet.m_pPage2->m_wndIcon, 5, 20);
    ASSERT_TRUE(at.has_value());
    QTest::mouseClick(sheet.m_pPage2->m_wndIcon, Qt::LeftButton, Qt::NoModifier, *at);
    const std::vector<Pixel> marked = PixelsOf(*sheet.m_pIcon);
    ASSERT_EQ(Alpha(sheet.m_pIcon->GetPixel(5, 20)), 0);

    sheet.back();
    sheet.next();  // nothing changed on page 1
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), marked);
    sheet.back();
    sheet.next();  // and again
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), marked);

    // A change of the mirror places the picture anew: the marks are gone.
    sheet.back();
    QTest::mouseClick(page.m_chkMirror, Qt::LeftButton);
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->GetPixel(5, 20), kBlue);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(35, 20), kRed);
    // Mirroring back does not bring the old marks back either.
    sheet.back();
    QTest::mouseClick(page.m_chkMirror, Qt::LeftButton);
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->GetPixel(5, 20), kRed);
}

TEST_F(Page1, NextAfterANewPictureOrAMoveDropsTheKeptOne) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(40, 40, kRed, kRed))));
    sheet.next();
    sheet.m_pIcon->Row(0)[0] = kBlue;  // a mark a later page made
    sheet.back();
    QTest::mouseClick(page.m_spinSize->DownButton(), Qt::LeftButton);  // side 38
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->Width(), 38);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(0, 0), kRed);
    sheet.m_pIcon->Row(0)[0] = kBlue;
    sheet.back();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("q.png"), *Picture(38, 38, kRed, kRed))));
    page.m_wndIcon->SetSourceRect(sheet.m_rcSource);  // the same square in the new picture
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->GetPixel(0, 0), kRed);
}

TEST_F(Page1, BackgroundFillsTheMarginsOfThePlacedPicture) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(20, 10, kRed, kRed))));
    EXPECT_FALSE(page.m_btnColor->isEnabled());
    QTest::mouseClick(page.m_chkBackground, Qt::LeftButton);
    EXPECT_TRUE(sheet.m_bBackground);
    EXPECT_TRUE(page.m_btnColor->isEnabled());
    page.SetColorChooser([](QWidget*, ColorRef initial) {
        EXPECT_EQ(initial, 0x00FFFFFFu);
        return std::optional<ColorRef>(0x0000FF00);  // green
    });
    QTest::mouseClick(page.m_btnColor, Qt::LeftButton);
    EXPECT_EQ(sheet.m_crBackground, 0x0000FF00u);
    EXPECT_EQ(page.m_btnColor->GetColor(), 0x0000FF00u);
    EXPECT_TRUE(page.m_wndIcon->GetBackground());
    EXPECT_EQ(page.m_wndIcon->GetBackgroundColor(), 0x0000FF00u);
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->GetPixel(3, 0), MakePixel(255, 0, 255, 0));
    EXPECT_EQ(sheet.m_pIcon->GetPixel(3, 10), kRed);

    // Without the background the margins stay transparent.
    sheet.back();
    QTest::mouseClick(page.m_chkBackground, Qt::LeftButton);
    EXPECT_FALSE(page.m_btnColor->isEnabled());
    sheet.next();
    EXPECT_EQ(sheet.m_pIcon->GetPixel(3, 0), 0u);
    EXPECT_FALSE(sheet.m_bBackground);
}

TEST_F(Page1, CancelledColourDialogChangesNothing) {
    CVarlenPage1& page = Start();
    QTest::mouseClick(page.m_chkBackground, Qt::LeftButton);
    page.SetColorChooser([](QWidget*, ColorRef) { return std::optional<ColorRef>(); });
    QTest::mouseClick(page.m_btnColor, Qt::LeftButton);
    EXPECT_EQ(sheet.m_crBackground, 0x00FFFFFFu);
    EXPECT_EQ(page.m_btnColor->GetColor(), 0x00FFFFFFu);
}

TEST_F(Page1, NextRefusesAnAbsurdlyLargeSquare) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(10, 10, kRed, kRed))));
    EXPECT_EQ(PlacementLimit(*sheet.m_pIcon), 1024);
    page.m_editSize->setText(QStringLiteral("1025"));
    ASSERT_EQ(page.m_wndIcon->GetSourceRect().Width(), 1025);
    const CIcon* before = sheet.m_pIcon.get();
    auto hook = RecordMessages();
    sheet.next();
    EXPECT_EQ(sheet.currentId(), 0);
    EXPECT_EQ(sheet.m_pIcon.get(), before);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("1024")));
    EXPECT_EQ(messages[0].icon, MessageIcon::kError);
    page.m_editSize->setText(QStringLiteral("1024"));
    sheet.next();
    EXPECT_EQ(sheet.currentId(), 1);
    EXPECT_EQ(sheet.m_pIcon->Width(), 1024);
}

TEST_F(Page1, PlacementLimitFollowsThePictureSize) {
    EXPECT_EQ(PlacementLimit(*CreateIcon(300, 2000, 32)), 8000);
    EXPECT_EQ(PlacementLimit(*CreateIcon(5000, 10, 32)), 16384);
    EXPECT_EQ(PlacementLimit(*CreateIcon(1, 1, 32)), 1024);
}

// --- paste and drop -------------------------------------------------------------------

TEST_F(Page1, PasteButtonFollowsTheClipboardOnEveryPage) {
    CVarlenPage1& page = Start();
    EXPECT_FALSE(page.m_btnPaste->isEnabled());
    auto png = std::make_unique<QMimeData>();
    png->setData(QStringLiteral("image/png"), PngBytes(*Picture(2, 2, kRed, kRed)));
    QApplication::clipboard()->setMimeData(png.release());
    EXPECT_TRUE(page.m_btnPaste->isEnabled());
    sheet.next();
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("hello"));
    QApplication::clipboard()->setMimeData(text.release());
    EXPECT_FALSE(page.m_btnPaste->isEnabled());
    auto files = std::make_unique<QMimeData>();
    files->setUrls({Url(QStringLiteral("/tmp/x.png"))});
    QApplication::clipboard()->setMimeData(files.release());
    EXPECT_TRUE(page.m_btnPaste->isEnabled());
    QApplication::clipboard()->clear();
    EXPECT_FALSE(page.m_btnPaste->isEnabled());
}

TEST_F(Page1, PastePngDataEmptiesTheIconName) {
    CVarlenPage1& page = Start();
    sheet.m_strIconFile = QStringLiteral("/old/name.ico");
    auto picture = Picture(5, 3, kRed, MakePixel(128, 1, 2, 3));
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/png"), PngBytes(*picture));
    QApplication::clipboard()->setMimeData(mime.release());
    auto hook = RecordMessages();
    QTest::mouseClick(page.m_btnPaste, Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), PixelsOf(*picture));
    EXPECT_TRUE(sheet.m_strIconFile.isEmpty());
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{0, -1, 5, 4}));
}

TEST_F(Page1, PasteDibThroughTheBmpMapping) {
    CVarlenPage1& page = Start();
    QImage image(3, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 255, 0, 255));
    image.setPixel(2, 0, qRgba(0, 0, 255, 255));
    image.setPixel(0, 1, qRgba(10, 20, 30, 255));
    image.setPixel(1, 1, qRgba(40, 50, 60, 128));
    image.setPixel(2, 1, qRgba(0, 0, 0, 0));
    const std::vector<std::uint8_t> dib = DibFromImage(image);
    auto mime = std::make_unique<QMimeData>();
    AddPayload(*mime, kCfDib, dib);
    QApplication::clipboard()->setMimeData(mime.release());
    EXPECT_TRUE(page.m_btnPaste->isEnabled());
    page.OnPaste();
    const std::vector<Pixel> expected = {kRed,
                                         MakePixel(255, 0, 255, 0),
                                         kBlue,
                                         MakePixel(255, 10, 20, 30),
                                         MakePixel(128, 40, 50, 60),
                                         0u};
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), expected);
}

TEST_F(Page1, PastePixelStream) {
    CVarlenPage1& page = Start();
    // 2 x 1: width, height, then blue, green, red, alpha per pixel.
    const std::vector<std::uint8_t> bytes = {2, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    auto mime = std::make_unique<QMimeData>();
    AddPayload(*mime, kCfPbPixel32, bytes);
    QApplication::clipboard()->setMimeData(mime.release());
    page.OnPaste();
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), (std::vector<Pixel>{0x04030201u, 0x08070605u}));
}

TEST_F(Page1, PasteFileListLoadsTheFirstPictureByPath) {
    CVarlenPage1& page = Start();
    const QString text = SaveText(QStringLiteral("a.png"));
    const QString good = SavePicture(QStringLiteral("b.png"), *Picture(7, 7, kBlue, kBlue));
    const QString also = SavePicture(QStringLiteral("c.png"), *Picture(9, 9, kRed, kRed));
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({Url(text), Url(good), Url(also)});
    QApplication::clipboard()->setMimeData(mime.release());
    auto hook = RecordMessages();
    page.OnPaste();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sheet.m_pIcon->Width(), 7);
    EXPECT_EQ(sheet.m_strIconFile, dir.filePath(QStringLiteral("b.ico")));
}

TEST_F(Page1, FailingPasteShowsItsMessage) {
    CVarlenPage1& page = Start();
    const CIcon* before = sheet.m_pIcon.get();
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/png"), QByteArray("garbage"));
    QApplication::clipboard()->setMimeData(mime.release());
    auto hook = RecordMessages();
    page.OnPaste();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(kPasteFailed));
    EXPECT_EQ(messages[0].icon, MessageIcon::kError);
    EXPECT_EQ(sheet.m_pIcon.get(), before);
}

// Sends a drag enter and, when accepted, a drop of data onto the sheet.
bool DragAndDrop(CVarlen& sheet, QMimeData& data) {
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &drop);
    return drop.isAccepted();
}

TEST_F(Page1, DropPictureDataAndFiles) {
    Start();
    auto hook = RecordMessages();
    QMimeData png;
    png.setData(QStringLiteral("image/png"), PngBytes(*Picture(4, 4, kRed, kBlue)));
    ASSERT_TRUE(DragAndDrop(sheet, png));
    EXPECT_EQ(sheet.m_pIcon->Width(), 4);

    QMimeData files;
    files.setUrls({Url(SaveText(QStringLiteral("x.txt"))),
                   Url(SavePicture(QStringLiteral("y.png"), *Picture(6, 6, kRed, kRed))),
                   Url(SaveText(QStringLiteral("z.txt")))});
    ASSERT_TRUE(DragAndDrop(sheet, files));
    EXPECT_EQ(sheet.m_pIcon->Width(), 6);
    EXPECT_EQ(sheet.m_strIconFile, dir.filePath(QStringLiteral("y.ico")));
    EXPECT_TRUE(messages.empty());

    QMimeData text;
    text.setText(QStringLiteral("words"));
    EXPECT_FALSE(DragAndDrop(sheet, text));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Page1, DroppedSvgAndIconFilesOpen) {
    Start();
    auto hook = RecordMessages();
    const QString svg = dir.filePath(QStringLiteral("logo.svg"));
    {
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="30" height="60"/>)");
    }
    QMimeData svgDrop;
    svgDrop.setUrls({Url(svg)});
    ASSERT_TRUE(DragAndDrop(sheet, svgDrop));
    EXPECT_EQ(sheet.m_pIcon->Width(), 512);
    EXPECT_EQ(sheet.m_pIcon->Height(), 1024);
    EXPECT_EQ(sheet.m_strIconFile, dir.filePath(QStringLiteral("logo.ico")));

    CIcons icons;
    icons.Add(Picture(24, 24, kRed, kBlue));
    icons.Add(Picture(40, 40, kBlue, kRed));
    const QString ico = dir.filePath(QStringLiteral("app.ico"));
    ASSERT_TRUE(icons.Save(QFile::encodeName(ico).toStdString(), false));
    QMimeData icoDrop;
    icoDrop.setUrls({Url(ico)});
    ASSERT_TRUE(DragAndDrop(sheet, icoDrop));
    EXPECT_EQ(sheet.m_pIcon->Width(), 40);
    EXPECT_EQ(sheet.m_pIcon->GetPixel(0, 0), kBlue);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Page1, DropOfNonPicturesShowsTheDropMessage) {
    Start();
    const CIcon* before = sheet.m_pIcon.get();
    auto hook = RecordMessages();
    QMimeData files;
    files.setUrls({Url(SaveText(QStringLiteral("x.txt"))), Url(SaveText(QStringLiteral("y.txt")))});
    // The drag is welcome (files are offered), but the drop itself fails and says so.
    EXPECT_FALSE(DragAndDrop(sheet, files));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(kDropFailed));
    EXPECT_EQ(sheet.m_pIcon.get(), before);
}

// A source proposing Move (Shift held in a file manager) would delete its file once the
// drop is accepted as a move: the wizard copies, and reports a failed load as refused.
TEST_F(Page1, DropsAreCopiesAndFailuresAreRefused) {
    Start();
    auto hook = RecordMessages();
    const QString path = SavePicture(QStringLiteral("moved.png"), *Picture(6, 6, kRed, kRed));
    QMimeData files;
    files.setUrls({Url(path)});
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                          Qt::ShiftModifier);
    QApplication::sendEvent(&sheet, &enter);
    ASSERT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                        Qt::ShiftModifier);
    QApplication::sendEvent(&sheet, &move);
    EXPECT_EQ(move.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                    Qt::ShiftModifier);
    ASSERT_EQ(drop.proposedAction(), Qt::MoveAction);
    QApplication::sendEvent(&sheet, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(sheet.m_pIcon->Width(), 6);
    EXPECT_TRUE(QFile::exists(path));

    QMimeData broken;
    broken.setUrls({Url(SaveText(QStringLiteral("broken.png")))});
    QDragEnterEvent again(at, Qt::CopyAction | Qt::MoveAction, &broken, Qt::LeftButton,
                          Qt::ShiftModifier);
    QApplication::sendEvent(&sheet, &again);
    ASSERT_TRUE(again.isAccepted());
    QDropEvent failed(QPointF(at), Qt::CopyAction | Qt::MoveAction, &broken, Qt::LeftButton,
                      Qt::ShiftModifier);
    QApplication::sendEvent(&sheet, &failed);
    EXPECT_FALSE(failed.isAccepted());
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(sheet.m_pIcon->Width(), 6);
}

TEST_F(Page1, NoDropsAfterNext) {
    Start();
    sheet.next();
    QMimeData png;
    png.setData(QStringLiteral("image/png"), PngBytes(*Picture(4, 4, kRed, kBlue)));
    EXPECT_FALSE(DragAndDrop(sheet, png));
}

// --- reset ----------------------------------------------------------------------------

TEST_F(Page1, ResetGivesABlankPictureAndDefaultPlacement) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(30, 20, kRed, kRed))));
    QTest::mouseClick(page.m_chkMirror, Qt::LeftButton);
    QTest::mouseClick(page.m_chkNoMargin, Qt::LeftButton);
    QTest::mouseClick(page.m_chkBackground, Qt::LeftButton);
    page.SetColorChooser([](QWidget*, ColorRef) { return std::optional<ColorRef>(0x000000FF); });
    QTest::mouseClick(page.m_btnColor, Qt::LeftButton);
    page.m_editRotation->setText(QStringLiteral("45"));
    const QString name = sheet.m_strIconFile;

    QTest::mouseClick(sheet.ResetButton(), Qt::LeftButton);
    ASSERT_EQ(sheet.m_pIcon->Width(), 512);
    ASSERT_EQ(sheet.m_pIcon->Height(), 512);
    EXPECT_EQ(PixelsOf(*sheet.m_pIcon), std::vector<Pixel>(512 * 512, 0u));
    EXPECT_FALSE(sheet.m_bMirror);
    EXPECT_EQ(sheet.m_nRotation, 0);
    EXPECT_FALSE(sheet.m_bNoMargin);
    EXPECT_FALSE(sheet.m_bBackground);
    EXPECT_EQ(sheet.m_crBackground, 0x00FFFFFFu);
    EXPECT_EQ(sheet.m_rcSource, (Rect{0, 0, 512, 512}));
    EXPECT_EQ(sheet.m_strIconFile, name);
    EXPECT_EQ(page.m_wndIcon->GetImage(), sheet.m_pIcon.get());
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{0, 0, 512, 512}));
    EXPECT_FALSE(page.m_wndIcon->GetMirror());
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 0);
    EXPECT_FALSE(page.m_chkMirror->isChecked());
    EXPECT_FALSE(page.m_chkNoMargin->isChecked());
    EXPECT_FALSE(page.m_chkBackground->isChecked());
    EXPECT_FALSE(page.m_btnColor->isEnabled());
    EXPECT_EQ(page.m_btnColor->GetColor(), 0x00FFFFFFu);
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("512 x 512"));
    EXPECT_EQ(page.m_editRotation->text(), QStringLiteral("0.0"));
}

// --- the size and rotation fields and the view ------------------------------------------

TEST_F(Page1, TypedSizeMakesASquareAroundTheCentre) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(
        page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(300, 300, kRed, kRed))));
    page.m_editSize->selectAll();
    QTest::keyClicks(page.m_editSize, QStringLiteral("100"));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("100"));
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{100, 100, 200, 200}));
    // An odd side puts its extra pixel at the right and bottom; text that is no number
    // gives a square of side 1.
    page.m_editSize->setText(QStringLiteral("51"));
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{125, 125, 176, 176}));
    page.m_editSize->setText(QStringLiteral("x"));
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{150, 150, 151, 151}));
}

TEST_F(Page1, SizeFieldTakesAtMostSixTypedCharacters) {
    CVarlenPage1& page = Start();
    page.m_editSize->clear();
    QTest::keyClicks(page.m_editSize, QStringLiteral("12345678"));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("123456"));
    // The page's own text may be longer.
    page.m_editSize->SetValue(100000);
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("100000 x 100000"));
}

TEST_F(Page1, SizeStepsGrowAndShrinkBy2) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(
        page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(300, 300, kRed, kRed))));
    QTest::mouseClick(page.m_spinSize->UpButton(), Qt::LeftButton);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{-1, -1, 301, 301}));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("302 x 302"));
    QTest::keyClick(page.m_editSize, Qt::Key_Down);
    QTest::keyClick(page.m_editSize, Qt::Key_Down);
    EXPECT_EQ(page.m_wndIcon->GetSourceRect(), (Rect{1, 1, 299, 299}));
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("298 x 298"));
}

TEST_F(Page1, RotationFieldAndSteps) {
    CVarlenPage1& page = Start();
    page.m_editRotation->setText(QStringLiteral("12.5"));
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 12500);
    QTest::mouseClick(page.m_spinRotation->UpButton(), Qt::LeftButton);
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 12600);
    EXPECT_EQ(page.m_editRotation->text(), QStringLiteral("12.6"));
    QTest::keyClick(page.m_editRotation, Qt::Key_Down);
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 12500);
    page.m_editRotation->setText(QStringLiteral("0"));
    QTest::mouseClick(page.m_spinRotation->DownButton(), Qt::LeftButton);
    EXPECT_EQ(page.m_wndIcon->GetRotation(), 359900);
    EXPECT_EQ(page.m_editRotation->text(), QStringLiteral("359.9"));
}

TEST_F(Page1, ViewChangesShowInTheFields) {
    CVarlenPage1& page = Start();
    ASSERT_TRUE(
        page.LoadFile(SavePicture(QStringLiteral("p.png"), *Picture(300, 300, kRed, kRed))));
    CIconWnd* view = page.m_wndIcon;
    const QPoint pos(10, 10);
    QWheelEvent wheel(QPointF(pos), QPointF(view->mapToGlobal(pos)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_EQ(view->GetSourceRect(), (Rect{14, 14, 286, 286}));  // a tenth smaller
    EXPECT_EQ(page.m_editSize->text(), QStringLiteral("272 x 272"));

    // A Ctrl drag a quarter turn around the centre: the field shows the angle with one
    // decimal, and the view keeps the value shown.
    const int c = (view->width() - 1) / 2;
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, QPoint(c + 40, c));
    QMouseEvent move(QEvent::MouseMove, QPointF(c, c + 40),
                     QPointF(view->mapToGlobal(QPoint(c, c + 40))), Qt::NoButton, Qt::LeftButton,
                     Qt::ControlModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, QPoint(c, c + 40));
    const int rotation = view->GetRotation();
    EXPECT_EQ(rotation % 100, 0);
    EXPECT_NEAR(rotation, 90000, 2000);  // a quarter turn clockwise, measured off-centre
    EXPECT_EQ(page.m_editRotation->GetValue(), rotation);
}

TEST_F(Page1, ControlsStandLeftOfTheViewWithoutOverlapping) {
    CVarlenPage1& page = Start();
    const QRect view = page.m_wndIcon->geometry();
    EXPECT_EQ(view.width(), view.height());
    EXPECT_EQ(view.width() % 8, 0);
    EXPECT_GE(view.width(), 128);
    std::vector<QWidget*> controls = {page.m_btnOpen,       page.m_btnPaste,  page.m_editSize,
                                      page.m_editRotation,  page.m_chkMirror, page.m_chkNoMargin,
                                      page.m_chkBackground, page.m_btnColor};
    for (QWidget* w : controls) {
        const QRect r(w->mapTo(&page, QPoint(0, 0)), w->size());
        EXPECT_LT(r.right(), page.m_wndIcon->mapTo(&page, QPoint(0, 0)).x())
            << w->metaObject()->className();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->metaObject()->className();
        for (QWidget* other : controls) {
            if (other != w) {
                const QRect o(other->mapTo(&page, QPoint(0, 0)), other->size());
                EXPECT_FALSE(r.intersects(o)) << w->metaObject()->className();
            }
        }
    }
}

}  // namespace
}  // namespace varlen
