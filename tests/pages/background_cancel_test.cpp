// The wizard's long actions in the background: Cancel clicked in the progress dialog at
// each of them (page 1's Next, the view previews of pages 4 and 5, Preview, Copy and
// Export, page 5's Finish) leaves the sheet, the clipboard and the files exactly as they were; and
// the background build of page 4 gives the very bytes of the build at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "core/pipeline.h"
#include "core/progress.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/clipboard_adapter.h"
#include "gui/clipboard_copy.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "io/loaders.h"
#include "pages/export_dialog.h"
#include "pages/icon_preview_wnd.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page4.h"
#include "pages/page4_support.h"
#include "pages/page5.h"
#include "tests/pages/sheet_teardown.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

// Large enough for page 4 to build in the background.
constexpr int kSide = 300;
static_assert(std::size_t{kSide} * kSide >= kBackgroundFromPixels);

std::unique_ptr<CIcon> Picture(int side) {
    auto icon = CreateIcon(side, side, 32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            icon->Row(y)[x] =
                MakePixel((x * 7 + y) & 255, (x * y) & 255, (y * 3) & 255, (x + 2 * y) & 255);
        }
    }
    return icon;
}

bool SameImage(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.Bpp() == b.Bpp() &&
           std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(), b.Pixels().end()) &&
           std::equal(a.Palette().begin(), a.Palette().end(), b.Palette().begin(),
                      b.Palette().end(), [](const RGBQUAD& p, const RGBQUAD& q) {
                          return std::memcmp(&p, &q, sizeof(RGBQUAD)) == 0;
                      });
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Every payload on the clipboard, by mime type.
std::map<QString, QByteArray> ClipboardPayloads() {
    std::map<QString, QByteArray> payloads;
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
        for (const QString& format : data->formats()) {
            payloads[format] = data->data(format);
        }
    }
    return payloads;
}

// The progress dialog shows at once and the work waits, before its first row, for the
// Cancel clicked there (20 s at most, so a missed click fails the test instead of hanging).
BackgroundPacing HeldUntilCancelled() {
    BackgroundPacing pacing;
    pacing.showAfterMs = 0;
    pacing.beforeWork = [](const Progress& progress) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!progress.Cancelled() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    return pacing;
}

// Clicks Cancel with the mouse in every progress dialog that shows, once per showing, and
// answers an export file dialog with the name given.
class Canceller : public QObject {
  public:
    Canceller() {
        connect(&m_timer, &QTimer::timeout, this, &Canceller::Look);
        m_timer.start(5);
    }
    int Clicks() const { return m_clicks; }
    QStringList Labels() const { return m_labels; }
    void AnswerExportWith(const QString& path) { m_exportPath = path; }

  private:
    void Look() {
        if (auto* files = qobject_cast<CExportFileDialog*>(QApplication::activeModalWidget());
            files != nullptr && !m_exportPath.isEmpty()) {
            files->selectFile(m_exportPath);
            files->accept();
            return;
        }
        QProgressDialog* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
                shown = dialog;
            }
        }
        if (shown == nullptr) {
            m_last = nullptr;
            return;
        }
        if (shown == m_last) {
            return;
        }
        auto* cancel = shown->findChild<QPushButton*>();
        if (cancel == nullptr || !cancel->isVisible()) {
            return;
        }
        m_last = shown;
        m_labels << shown->labelText();
        ++m_clicks;
        QTest::mouseClick(cancel, Qt::LeftButton);
    }

    QTimer m_timer;
    QPointer<QProgressDialog> m_last;
    int m_clicks = 0;
    QStringList m_labels;
    QString m_exportPath;
};

class BackgroundCancel : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        ASSERT_TRUE(dir.isValid());
        sheet = std::make_unique<CVarlen>();
        sheet->m_bFinishOpenFolder = false;
        sheet->m_bFinishClose = false;
        sheet->m_strSavePath = dir.path();
        sheet->m_strIconFile = QStringLiteral("out.ico");
        sheet->m_nBrightness = 15;
        sheet->m_nSharp = 2;
        sheet->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
        sheet->m_pIcon = Picture(kSide);
        sheet->m_rcSource = Rect{0, 0, kSide, kSide};
        sheet->m_nRotation = 30000;
        sheet->m_pPage1->UpdateControls();
    }
    void TearDown() override { testing_support::CloseSheet(sheet); }
    ScopedMessageHook Hook() {
        return ScopedMessageHook([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
        });
    }
    void Click(QWizard::WizardButton which) {
        QTest::mouseClick(sheet->button(which), Qt::LeftButton);
    }
    // Moves on to page 4 with the work running as users get it; the 48 x 48 at 8 bits gets
    // the caret.
    void EnterPage4() {
        for (int i = 0; i < 3; ++i) {
            Click(QWizard::NextButton);
        }
        ASSERT_EQ(sheet->currentPage(), sheet->m_pPage4);
        CCheckTreeCtrl* tree = sheet->m_pPage4->Tree();
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        ASSERT_EQ(sheet->m_pPage4->TargetFormat()->width, 48);
    }
    // Moves on to page `page` and cancels the making of its view preview.
    void CancelViewPreviewOfPage(int page) {
        for (int i = 2; i < page; ++i) {
            Click(QWizard::NextButton);
        }
        sheet->m_backgroundPacing = HeldUntilCancelled();
        Canceller canceller;
        Click(QWizard::NextButton);
        EXPECT_EQ(canceller.Clicks(), 1);
        EXPECT_EQ(canceller.Labels(), QStringList{QStringLiteral("プレビューを作成しています...")});
    }
    static int PreviewWindows() {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            count += qobject_cast<CIconPreviewWnd*>(w) != nullptr && w->isVisible() ? 1 : 0;
        }
        return count;
    }

    QTemporaryDir dir;
    std::unique_ptr<CVarlen> sheet;
    QStringList messages;
};

TEST_F(BackgroundCancel, NextOnPage1KeepsThePictureAndItsPlacement) {
    const CIcon* picture = sheet->m_pIcon.get();
    const auto before = CloneIcon(picture);
    sheet->m_backgroundPacing = HeldUntilCancelled();
    {
        Canceller canceller;
        Click(QWizard::NextButton);
        EXPECT_EQ(canceller.Clicks(), 1);
    }
    EXPECT_EQ(sheet->currentPage(), sheet->m_pPage1);
    EXPECT_EQ(sheet->m_pIcon.get(), picture);
    EXPECT_TRUE(SameImage(*sheet->m_pIcon, *before));
    EXPECT_EQ(sheet->m_nRotation, 30000);
    // Without a cancel the same click moves on and places the picture.
    sheet->m_backgroundPacing = BackgroundPacing{};
    Click(QWizard::NextButton);
    EXPECT_EQ(sheet->currentPage(), sheet->m_pPage2);
    EXPECT_NE(sheet->m_pIcon.get(), picture);
}

TEST_F(BackgroundCancel, FinishKeepsTheOldFileAndMakesNoNewOne) {
    for (int i = 0; i < 4; ++i) {
        Click(QWizard::NextButton);
    }
    ASSERT_EQ(sheet->currentPage(), sheet->m_pPage5);
    const auto hook = Hook();
    sheet->m_backgroundPacing = HeldUntilCancelled();
    const QString target = dir.filePath(QStringLiteral("out.ico"));
    // No file yet: none is made.
    {
        Canceller canceller;
        Click(QWizard::FinishButton);
        EXPECT_EQ(canceller.Clicks(), 1);
    }
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->currentPage(), sheet->m_pPage5);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    // An old file: the overwrite question is answered yes, then Cancel keeps it byte for byte.
    const QByteArray old(700, '\x5a');
    WriteAll(target, old);
    {
        Canceller canceller;
        Click(QWizard::FinishButton);
        EXPECT_EQ(canceller.Clicks(), 1);
    }
    EXPECT_EQ(messages.size(), 1);  // the question only, no report
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("out.ico")});
    // Without a cancel Finish writes it.
    sheet->m_backgroundPacing = BackgroundPacing{};
    Click(QWizard::FinishButton);
    EXPECT_NE(ReadAll(target), old);
    EXPECT_NE(FromFile(QFile::encodeName(target).toStdString()), nullptr);
}

TEST_F(BackgroundCancel, Page4ViewPreviewCancelledLeavesTheViewEmptyAndThePageWorking) {
    CancelViewPreviewOfPage(4);
    CVarlenPage4* page = sheet->m_pPage4;
    EXPECT_EQ(sheet->currentPage(), page);
    EXPECT_EQ(page->PreviewImage(), nullptr);
    EXPECT_EQ(page->View()->GetImage(), nullptr);
    EXPECT_GT(page->Tree()->topLevelItem(3)->childCount(), 0);
    // Back and on again without a cancel: the view shows the filtered picture.
    sheet->m_backgroundPacing = BackgroundPacing{};
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_NE(page->PreviewImage(), nullptr);
    EXPECT_EQ(page->View()->GetImage(), page->PreviewImage());
}

TEST_F(BackgroundCancel, Page5ViewPreviewCancelledLeavesTheViewEmptyAndFinishWorking) {
    CancelViewPreviewOfPage(5);
    CVarlenPage5* page = sheet->m_pPage5;
    ASSERT_EQ(sheet->currentPage(), page);
    EXPECT_EQ(page->Preview(), nullptr);
    EXPECT_EQ(page->m_wndIcon->GetImage(), nullptr);
    // Finish still writes the icon.
    sheet->m_backgroundPacing = BackgroundPacing{};
    const auto hook = Hook();
    Click(QWizard::FinishButton);
    EXPECT_NE(FromFile(QFile::encodeName(dir.filePath(QStringLiteral("out.ico"))).toStdString()),
              nullptr);
    // Back and on again without a cancel: the view shows the filtered picture.
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_NE(page->Preview(), nullptr);
    EXPECT_EQ(page->m_wndIcon->GetImage(), page->Preview());
}

TEST_F(BackgroundCancel, PreviewAndCopyCancelledOpenNothingAndKeepTheClipboard) {
    EnterPage4();
    CVarlenPage4* page = sheet->m_pPage4;
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    sheet->m_backgroundPacing = HeldUntilCancelled();
    {
        Canceller canceller;
        QTest::mouseClick(page->Button(CVarlenPage4::kIdPreview), Qt::LeftButton);
        EXPECT_EQ(PreviewWindows(), 0);
        QTest::mouseClick(page->Button(CVarlenPage4::kIdCopy), Qt::LeftButton);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        EXPECT_EQ(canceller.Clicks(), 2);
    }
    // The page takes input again, and without a cancel both act.
    sheet->m_backgroundPacing = BackgroundPacing{};
    QTest::mouseClick(page->Button(CVarlenPage4::kIdPreview), Qt::LeftButton);
    EXPECT_EQ(PreviewWindows(), 1);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<CIconPreviewWnd*>(w) != nullptr) {
            w->close();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(page->Button(CVarlenPage4::kIdCopy), Qt::LeftButton);
    EXPECT_NE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(BackgroundCancel, ExportCancelledWritesNothingAndKeepsTheOldFile) {
    EnterPage4();
    CVarlenPage4* page = sheet->m_pPage4;
    const auto hook = Hook();
    sheet->m_nExportFileType = kExportBmp;
    sheet->m_strExportPath = QDir::homePath();
    QDir(dir.path()).mkdir(QStringLiteral("x"));
    const QString fresh = dir.filePath(QStringLiteral("x/fresh.png"));
    const QString existing = dir.filePath(QStringLiteral("x/old.png"));
    const QByteArray old("old bytes");
    WriteAll(existing, old);
    sheet->m_backgroundPacing = HeldUntilCancelled();
    for (const QString& path : {fresh, existing}) {
        Canceller canceller;
        canceller.AnswerExportWith(path);
        QTest::mouseClick(page->Button(CVarlenPage4::kIdExport), Qt::LeftButton);
        EXPECT_EQ(canceller.Clicks(), 1) << path.toStdString();
        EXPECT_EQ(canceller.Labels(), QStringList{QStringLiteral("エクスポートしています...")});
    }
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(ReadAll(existing), old);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("x"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.png")});
    // Nothing stored, nothing reported (but the question about the old file).
    EXPECT_EQ(sheet->m_nExportFileType, kExportBmp);
    EXPECT_EQ(sheet->m_strExportPath, QDir::homePath());
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(BackgroundCancel, FormatBuildReportsItsRows) {
    EnterPage4();
    Workers& pool = sheet->Pool();
    Progress progress;
    std::unique_ptr<CIcon> image;
    {
        const Workers::ObservedBy observe(pool, progress);
        image = BuildSheetFormat(*sheet, {48, 48, 8}, true, pool);
    }
    ASSERT_NE(image, nullptr);
    // Rows of the picture at least, all of them done: a bar that moves, not one step.
    EXPECT_GE(progress.Expected(), std::size_t{kSide});
    EXPECT_EQ(progress.Done(), progress.Expected());
}

// The background build against the build at once on this thread, whole images and files.
TEST_F(BackgroundCancel, BackgroundBuildsGiveTheSameBytes) {
    EnterPage4();
    CVarlenPage4* page = sheet->m_pPage4;
    const auto hook = Hook();
    ASSERT_NE(page->PreviewImage(), nullptr);
    EXPECT_TRUE(SameImage(*page->PreviewImage(),
                          *BuildViewPreview(*sheet->m_pIcon, ToEffectSettings(*sheet))));
    CCheckTreeCtrl* tree = page->Tree();
    int checked = 0;
    // 48 x 48 at 8 bits (palette), the first size at 4 and at 32 bits.
    for (QTreeWidgetItem* item : {tree->topLevelItem(1)->child(0), tree->topLevelItem(0)->child(0),
                                  tree->topLevelItem(3)->child(0)}) {
        tree->setCurrentItem(item);
        const auto atOnce = page->BuildTargetImage();
        ASSERT_NE(atOnce, nullptr);

        const QPointer<CIconPreviewWnd> window = page->Preview();
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(SameImage(window->GetImage(), *atOnce)) << item->text(0).toStdString();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        page->Copy();
        const auto copied = ClipboardPayloads();
        ASSERT_TRUE(CopyToClipboard(*atOnce));
        EXPECT_FALSE(copied.empty());
        EXPECT_EQ(copied, ClipboardPayloads()) << item->text(0).toStdString();

        const auto format = page->TargetFormat();
        const QString built = dir.filePath(QStringLiteral("built%1.bmp").arg(checked));
        const QString direct = dir.filePath(QStringLiteral("direct%1.bmp").arg(checked));
        ASSERT_EQ(FinishExport(page, *sheet, *format, page->SmoothingBox()->isChecked(), kExportBmp,
                               built, 0, 0),
                  ExportResult::kWritten);
        ASSERT_TRUE(WriteExportFile(*atOnce, kExportBmp, direct, 0, 0));
        EXPECT_FALSE(ReadAll(built).isEmpty());
        EXPECT_EQ(ReadAll(built), ReadAll(direct)) << item->text(0).toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

}  // namespace
}  // namespace varlen
