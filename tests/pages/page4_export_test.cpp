// Export of one format: the dialog's filter lists, the translation between list entries
// and type numbers, the hotspot row (enabled for the cursor only, clamped when a field is
// left and when the name is accepted), the extension rule, and exports written and read
// back with their messages and the settings saved after success. Also the clipboard copy
// of a 32-bit image and its paste back.
#include "pages/export_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/clipboard_adapter.h"
#include "gui/clipboard_copy.h"
#include "gui/message_box.h"
#include "io/loaders.h"
#include "pages/number_edit.h"
#include "pages/page4.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

const QStringList kFourTypes{"Windows ビットマップ (*.bmp)", "PNG イメージ (*.png)",
                             "GIF イメージ (*.gif)", "マウスカーソル (*.cur)"};
const QStringList kThreeTypes{"Windows ビットマップ (*.bmp)", "PNG イメージ (*.png)",
                              "マウスカーソル (*.cur)"};

void LoseFocus(QWidget* w) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &event);
}

std::uint32_t U32(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8) |
           (static_cast<std::uint8_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24);
}

std::unique_ptr<CIcon> Picture(int width, int height) {
    auto icon = CreateIcon(width, height, 32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            icon->Row(y)[x] =
                MakePixel((x * 37 + y * 11) & 255, (x * 9) & 255, (y * 13) & 255, (x * y) & 255);
        }
    }
    return icon;
}

TEST(ExportDialog, FilterListsByDepth) {
    CExportFileDialog low(32, 32, 8);
    EXPECT_EQ(low.nameFilters(), kFourTypes);
    EXPECT_TRUE(low.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(low.acceptMode(), QFileDialog::AcceptSave);
    CExportFileDialog high(32, 32, 24);
    EXPECT_EQ(high.nameFilters(), kThreeTypes);
    EXPECT_EQ(high.HotspotLabel()->text(), QStringLiteral("ホットスポット(&H):"));
}

TEST(ExportDialog, TypeNumbersTranslateAboveEightBits) {
    CExportFileDialog high(32, 32, 24);
    high.SetFileType(kExportCursor);
    EXPECT_EQ(high.FilterIndex(), 3);
    EXPECT_EQ(high.GetFileType(), kExportCursor);
    EXPECT_TRUE(high.HotspotEnabled());
    high.SetFileType(kExportGif);  // stored from an 8-bit export: PNG here
    EXPECT_EQ(high.FilterIndex(), 2);
    EXPECT_EQ(high.GetFileType(), kExportPng);
    EXPECT_FALSE(high.HotspotEnabled());
    high.SetFileType(kExportBmp);
    EXPECT_EQ(high.GetFileType(), kExportBmp);

    CExportFileDialog low(16, 16, 4);
    low.SetFileType(kExportGif);
    EXPECT_EQ(low.FilterIndex(), 3);
    EXPECT_EQ(low.GetFileType(), kExportGif);
    EXPECT_FALSE(low.HotspotEnabled());
    low.SetFileType(kExportCursor);
    EXPECT_EQ(low.FilterIndex(), 4);
    EXPECT_TRUE(low.HotspotEnabled());
}

TEST(ExportDialog, HotspotRowFollowsTheChosenType) {
    CExportFileDialog dialog(32, 32, 32);
    dialog.SetFileType(kExportBmp);
    dialog.show();
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(dialog.HotspotEnabled());
    EXPECT_FALSE(dialog.HotspotLabel()->isEnabled());
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(dialog.FilterIndex(), 3);
    EXPECT_TRUE(dialog.HotspotEnabled());
    EXPECT_TRUE(dialog.HotspotLabel()->isEnabled());
    EXPECT_TRUE(dialog.HotspotYEdit()->isEnabled());
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_FALSE(dialog.HotspotEnabled());
    // The row stands below the file-type row.
    EXPECT_GT(dialog.HotspotXEdit()->mapTo(&dialog, QPoint(0, 0)).y(),
              combo->mapTo(&dialog, QPoint(0, 0)).y());
    dialog.hide();
}

TEST(ExportDialog, HotspotFieldsAreClampedWhenLeft) {
    CExportFileDialog dialog(48, 32, 32);
    dialog.SetFileType(kExportCursor);
    EXPECT_EQ(dialog.HotspotXEdit()->Minimum(), 0);
    EXPECT_EQ(dialog.HotspotXEdit()->Maximum(), 47);
    EXPECT_EQ(dialog.HotspotYEdit()->Maximum(), 31);
    EXPECT_EQ(dialog.HotspotXEdit()->text(), QStringLiteral("0"));
    dialog.HotspotXEdit()->SetText(QString());
    QTest::keyClicks(dialog.HotspotXEdit(), QStringLiteral("40"));
    LoseFocus(dialog.HotspotXEdit());
    EXPECT_EQ(dialog.HotspotXEdit()->text(), QStringLiteral("40"));  // inside 0 ... 47
    dialog.HotspotYEdit()->SetText(QStringLiteral("40"));
    LoseFocus(dialog.HotspotYEdit());
    EXPECT_EQ(dialog.HotspotYEdit()->text(), QStringLiteral("31"));

    CExportFileDialog square(32, 32, 8);
    square.HotspotXEdit()->SetText(QStringLiteral("40"));
    LoseFocus(square.HotspotXEdit());
    EXPECT_EQ(square.HotspotXEdit()->text(), QStringLiteral("31"));
}

TEST(ExportDialog, AcceptReadsTheHotspotAndTheTypeNumber) {
    QTemporaryDir dir;
    CExportFileDialog dialog(32, 32, 24);
    dialog.setDirectory(dir.path());
    dialog.SetFileType(kExportCursor);
    dialog.HotspotXEdit()->SetText(QStringLiteral("7"));
    dialog.HotspotYEdit()->SetText(QStringLiteral("99"));  // Enter without leaving the field
    dialog.selectFile(dir.filePath(QStringLiteral("arrow")));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_nHotspotX, 7);
    EXPECT_EQ(dialog.m_nHotspotY, 31);
    EXPECT_EQ(dialog.GetFileType(), kExportCursor);
    EXPECT_EQ(dialog.GetPathName(), dir.filePath(QStringLiteral("arrow")));
}

TEST(ExportDialog, ExtensionOnlyForABareName) {
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t/a"), kExportBmp), QStringLiteral("/t/a.bmp"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t/a"), kExportPng), QStringLiteral("/t/a.png"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t/a"), kExportGif), QStringLiteral("/t/a.gif"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t/a"), kExportCursor),
              QStringLiteral("/t/a.cur"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t/a.txt"), kExportCursor),
              QStringLiteral("/t/a.txt"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/t.d/a"), kExportBmp),
              QStringLiteral("/t.d/a.bmp"));
}

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        sheet = std::make_unique<CVarlen>();
        sheet->m_pIcon = Picture(40, 40);
    }
    void TearDown() override {
        sheet.reset();
        DeleteSettingsStore();
    }
    static QVariant Stored(const char* key) {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        return store.value(QStringLiteral("Settings/") + QLatin1String(key));
    }
    ScopedMessageHook Hook() {
        return ScopedMessageHook([this](const MessageRequest& r) {
            messages.push_back(r);
            return MessageAnswer::kOk;
        });
    }
    std::unique_ptr<CVarlen> sheet;
    std::vector<MessageRequest> messages;
    QTemporaryDir dir;
};

TEST_F(Export, BitmapOfEightBitsWithItsExtensionAndSettingsSaved) {
    auto hook = Hook();
    const QString bare = dir.filePath(QStringLiteral("image"));
    ASSERT_EQ(FinishExport(nullptr, *sheet, {32, 32, 8}, true, kExportBmp, bare, 0, 0),
              ExportResult::kWritten);
    QFile file(bare + QStringLiteral(".bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 2102);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(U32(bytes, 2), 2102u);
    EXPECT_EQ(U32(bytes, 10), 1078u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("エクスポートが完了しました。"));
    EXPECT_EQ(messages[0].title, QStringLiteral("エクスポート"));
    EXPECT_EQ(messages[0].icon, MessageIcon::kInformation);
    EXPECT_EQ(sheet->m_nExportFileType, kExportBmp);
    EXPECT_EQ(Stored("ExportFileType").toInt(), kExportBmp);
}

TEST_F(Export, PngOfThirtyTwoBitsReadsBackExactly) {
    auto hook = Hook();
    sheet->m_nExportFileType = 1;
    const QString path = dir.filePath(QStringLiteral("image.png"));
    ASSERT_EQ(FinishExport(nullptr, *sheet, {48, 32, 32}, false, kExportPng, path, 0, 0),
              ExportResult::kWritten);
    const auto back = FromFile(path.toStdString());
    ASSERT_NE(back, nullptr);
    const auto built =
        BuildFormatIcon(*sheet->m_pIcon, 48, 32, 32, false, ToEffectSettings(*sheet));
    EXPECT_EQ(back->Width(), 48);
    EXPECT_EQ(back->Height(), 32);
    EXPECT_TRUE(std::equal(back->Pixels().begin(), back->Pixels().end(), built->Pixels().begin(),
                           built->Pixels().end()));
    EXPECT_EQ(Stored("ExportFileType").toInt(), kExportPng);
}

TEST_F(Export, CursorOfFourBitsCarriesTheHotspot) {
    auto hook = Hook();
    const QString path = dir.filePath(QStringLiteral("pointer"));
    ASSERT_EQ(FinishExport(nullptr, *sheet, {16, 16, 4}, true, kExportCursor, path, 5, 9),
              ExportResult::kWritten);
    QFile file(path + QStringLiteral(".cur"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 318);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(bytes[10], 5);
    EXPECT_EQ(bytes[12], 9);
}

TEST_F(Export, FailureShowsTheErrorAndSavesNothing) {
    auto hook = Hook();
    // GIF cannot hold 32 bits; a missing folder cannot be written.
    EXPECT_EQ(FinishExport(nullptr, *sheet, {16, 16, 32}, true, kExportGif,
                           dir.filePath(QStringLiteral("a.gif")), 0, 0),
              ExportResult::kFailed);
    EXPECT_EQ(FinishExport(nullptr, *sheet, {16, 16, 8}, true, kExportBmp,
                           dir.filePath(QStringLiteral("none/a.bmp")), 0, 0),
              ExportResult::kFailed);
    ASSERT_EQ(messages.size(), 2u);
    for (const MessageRequest& m : messages) {
        EXPECT_EQ(m.text, QStringLiteral("エクスポートに失敗しました。"));
        EXPECT_EQ(m.title, QStringLiteral("エクスポート"));
        EXPECT_EQ(m.icon, MessageIcon::kError);
    }
    EXPECT_FALSE(Stored("ExportFileType").isValid());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("a.gif"))));
}

// A failed export says which file and why, below the message itself.
TEST_F(Export, FailureNamesThePathAndTheReason) {
    auto hook = Hook();
    const QString target = dir.filePath(QStringLiteral("none/a"));
    EXPECT_EQ(FinishExport(nullptr, *sheet, {16, 16, 8}, true, kExportBmp, target, 0, 0),
              ExportResult::kFailed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("エクスポートに失敗しました。"));
    EXPECT_EQ(messages[0].detail,
              QStringLiteral("ファイル: %1.bmp\n理由: 保存先のフォルダがありません。")
                  .arg(QDir::toNativeSeparators(target)));
    const auto box = BuildMessageBox(nullptr, messages[0]);
    EXPECT_EQ(box->informativeText(), messages[0].detail);
}

// The file dialog of the real command: started from the page's button, it opens beside the
// picture with a name made of the picture's name and the format, and next time in the folder
// of the last export.
TEST_F(Export, DialogProposesAFolderAndAName) {
    auto hook = Hook();
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QFile file(photo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const QString out = dir.filePath(QStringLiteral("out"));
    sheet->m_strPictureFile = photo;
    sheet->m_nExportFileType = kExportPng;
    CVarlenPage4* page = sheet->m_pPage4;
    sheet->show();
    sheet->next();
    sheet->next();
    sheet->next();
    ASSERT_EQ(sheet->ActivePage(), page);
    page->Tree()->setCurrentItem(page->Tree()->topLevelItem(3)->child(2));  // 32 bits, 32 x 32
    QString folder;
    QString name;
    const auto look = [&folder, &name](const QString& choose) {
        QTimer::singleShot(0, [&folder, &name, choose] {
            auto* dialog = qobject_cast<CExportFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            folder = QDir(dialog->directory()).canonicalPath();
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name = edit->text();
            }
            if (choose.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(choose);
                dialog->accept();
            }
        });
    };
    look(out + QStringLiteral("/made"));
    QTest::mouseClick(page->Button(CVarlenPage4::kIdExport), Qt::LeftButton);
    EXPECT_EQ(folder, QDir(dir.path()).canonicalPath());
    EXPECT_EQ(name, QStringLiteral("photo-32x32.png"));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/made.png")));
    EXPECT_EQ(Stored("ExportPath").toString(), QDir(out).absolutePath());

    look(QString());
    QTest::mouseClick(page->Button(CVarlenPage4::kIdExport), Qt::LeftButton);
    EXPECT_EQ(folder, QDir(out).canonicalPath());
    EXPECT_EQ(name, QStringLiteral("photo-32x32.png"));
}

// Typing "a" where "a.png" exists: the dialog asks about a.png, the file it would write,
// and No keeps the dialog open and the file as it was.
TEST_F(Export, OverwriteQuestionIsAboutTheNameWithItsExtension) {
    const QString existing = dir.filePath(QStringLiteral("a.png"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    ScopedMessageHook hook([this](const MessageRequest& r) {
        messages.push_back(r);
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
    });
    sheet->m_strExportPath = dir.path();
    sheet->m_nExportFileType = kExportPng;
    CVarlenPage4* page = sheet->m_pPage4;
    page->OnSetActive();
    page->Tree()->setCurrentItem(page->Tree()->topLevelItem(3)->child(2));
    bool typed = false;
    bool stayed = false;
    QTimer::singleShot(0, [&typed, &stayed] {
        auto* dialog = qobject_cast<CExportFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (edit == nullptr) {
            dialog->reject();
            return;
        }
        typed = true;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_A);
        QTest::keyClick(edit, Qt::Key_Return);
        stayed = dialog->isVisible() && dialog->result() != QDialog::Accepted;
        dialog->reject();
    });
    page->Export();
    EXPECT_TRUE(typed);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("a.png は既に存在します。\n上書きしますか？"));
    EXPECT_EQ(messages[0].buttons, MessageButtons::kYesNo);
    EXPECT_EQ(messages[0].defaultButton, MessageAnswer::kNo);
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep"));
}

TEST_F(Export, ThePageCommandRunsTheDialogAndWrites) {
    auto hook = Hook();
    CVarlenPage4* page = sheet->m_pPage4;
    sheet->m_nExportFileType = kExportCursor;
    page->OnSetActive();
    QTreeWidgetItem* size = page->Tree()->topLevelItem(2)->child(0);  // 24 bits, 48 x 48
    page->Tree()->setCurrentItem(size);
    const QString path = dir.filePath(QStringLiteral("big"));
    int entry = 0;
    QTimer::singleShot(0, [&entry, path] {
        auto* dialog = qobject_cast<CExportFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        entry = dialog->FilterIndex();
        dialog->HotspotXEdit()->SetText(QStringLiteral("47"));
        dialog->selectFile(path);
        dialog->accept();
    });
    page->Export();
    EXPECT_EQ(entry, 3);
    QFile file(path + QStringLiteral(".cur"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes[6], 48);
    EXPECT_EQ(bytes[10], 47);
    EXPECT_EQ(Stored("ExportFileType").toInt(), kExportCursor);
}

TEST_F(Export, CancelChangesNothing) {
    sheet->m_nExportFileType = kExportPng;
    CVarlenPage4* page = sheet->m_pPage4;
    page->OnSetActive();
    page->Tree()->setCurrentItem(page->Tree()->topLevelItem(1)->child(0));
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<CExportFileDialog*>(QApplication::activeModalWidget())) {
            dialog->SetFileType(kExportBmp);
            dialog->reject();
        }
    });
    auto hook = Hook();
    page->Export();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sheet->m_nExportFileType, kExportPng);
}

TEST(ExportMessages, CarryTheirOwnTitle) {
    const auto done = BuildMessageBox(
        nullptr, {QStringLiteral("エクスポートが完了しました。"), MessageIcon::kInformation,
                  MessageButtons::kOk, MessageAnswer::kOk, QStringLiteral("エクスポート")});
    EXPECT_EQ(done->windowTitle(), QStringLiteral("エクスポート"));
    const auto plain = BuildMessageBox(nullptr, {QStringLiteral("x"), MessageIcon::kWarning,
                                                 MessageButtons::kOk, MessageAnswer::kOk});
    EXPECT_EQ(plain->windowTitle(), QStringLiteral("Varlen"));
}

TEST(ClipboardCopy, ThirtyTwoBitsComeBackExactly) {
    auto icon = Picture(3, 2);
    icon->Row(0)[0] = MakePixel(0, 12, 34, 56);  // transparent pixels keep their colour
    ASSERT_TRUE(CopyToClipboard(*icon));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("image/bmp")));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("image/png")));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("PBPIXEL32")));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("Pixia_Transp")));
    const auto back = FromDataObject(MimeDataSource(*data));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Bpp(), 32);
    EXPECT_EQ(back->Width(), 3);
    EXPECT_EQ(back->Height(), 2);
    EXPECT_TRUE(std::equal(back->Pixels().begin(), back->Pixels().end(), icon->Pixels().begin(),
                           icon->Pixels().end()));
}

TEST(ClipboardCopy, TwentyFourBitsOfferDibAndPngOnly) {
    auto picture = Picture(16, 16);
    const auto icon = BuildFormatIcon(*picture, 16, 16, 24, true, EffectSettings{});
    ASSERT_TRUE(CopyToClipboard(*icon));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    QStringList formats = data->formats();
    formats.sort();
    EXPECT_EQ(formats, (QStringList{"image/bmp", "image/png"}));
    // image/bmp is the DIB behind a 14-byte file header: 16 x 16 x 3 bytes of rows.
    EXPECT_EQ(data->data(QStringLiteral("image/bmp")).size(), 14 + 40 + 16 * 48);
}

}  // namespace
}  // namespace varlen
