// The output page: path resolution, the Finish button's state, browse, the overwrite
// question, the progress per format, the written file (read back, listed by icotool, and
// byte for byte the batch front end's), the failure cases and what happens after success.
#include "pages/page5.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <span>

#include "core/pipeline.h"
#include "core/workers.h"
#include "gui/file_manager.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "io/icons.h"
#include "io/loaders.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kAskOverwrite =
    QStringLiteral("同名のファイルが既に存在しています。\n上書きしますか？");
const QString kCreateFailed = QStringLiteral("ファイルの作成に失敗しました。");
const QString kSaveFailed = QStringLiteral("アイコンの保存に失敗しました。");
const QString kCreated = QStringLiteral("アイコンの作成が完了しました。");

// A 64 x 64 working picture: colour ramps, a transparent top-left corner and a
// half-transparent band, so the depths and the alpha threshold all have work.
std::unique_ptr<CIcon> Working() {
    auto icon = CreateIcon(64, 64, 32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            int a = 255;
            if (x + y < 20) {
                a = 0;
            } else if (y >= 40 && y < 48) {
                a = 100;
            }
            icon->Row(y)[x] = MakePixel(a, x * 4, y * 4, (x * y) & 0xFF);
        }
    }
    return icon;
}

Bytes ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = f.readAll();
    return Bytes(data.begin(), data.end());
}

void WriteAll(const QString& path, const Bytes& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t U16(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

struct Entry {
    int width = 0, height = 0, bitCount = 0;
    std::uint32_t size = 0, offset = 0;
};

std::vector<Entry> Directory(const Bytes& file) {
    std::vector<Entry> entries;
    if (file.size() < 6 || U16(file, 0) != 0 || U16(file, 2) != 1) {
        return entries;
    }
    const std::uint32_t count = U16(file, 4);
    for (std::uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= file.size(); ++i) {
        const std::size_t e = 6 + 16 * i;
        entries.push_back({file[e] == 0 ? 256 : file[e], file[e + 1] == 0 ? 256 : file[e + 1],
                           static_cast<int>(U16(file, e + 6)), U32(file, e + 8),
                           U32(file, e + 12)});
    }
    return entries;
}

bool IsPngEntry(const Bytes& file, const Entry& e) {
    return e.offset + 8 <= file.size() && std::memcmp(&file[e.offset], "\x89PNG\r\n\x1a\n", 8) == 0;
}

// One entry read back with the program's own loaders: PNG entries as encoded pictures, DIB
// entries as packed DIBs once the doubled height of the icon form is halved.
std::unique_ptr<CIcon> LoadEntry(const Bytes& file, const Entry& e) {
    if (e.offset + e.size > file.size()) {
        return nullptr;
    }
    Bytes data(file.begin() + e.offset, file.begin() + e.offset + e.size);
    if (IsPngEntry(file, e)) {
        ByteReader reader(data);
        return FromEncoded(reader);
    }
    const std::uint32_t half = U32(data, 8) / 2;
    for (int k = 0; k < 4; ++k) {
        data[8 + k] = static_cast<std::uint8_t>(half >> (8 * k));
    }
    ByteReader reader(data);
    return FromDib(reader);
}

// Every request built and written as the batch front end does it.
Bytes BatchBytes(const CIcon& working, const std::vector<FORMAT>& formats, bool smoothing,
                 const EffectSettings& effects, bool png, const QString& path) {
    std::vector<FormatRequest> requests;
    for (const FORMAT& f : formats) {
        requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
    }
    Workers workers(3);
    CIcons icons;
    for (auto& image : BuildFormatIcons(working, requests, smoothing, effects, workers)) {
        icons.Add(std::move(image));
    }
    if (!icons.Save(FileSystemPath(path), png)) {
        return {};
    }
    return ReadAll(path);
}

QVariant StoredSetting(const char* key) {
    QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
    return store.value(QStringLiteral("Settings/") + QLatin1String(key));
}

// Files in a folder, hidden ones (the writer's temporaries) included.
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Records every message and answers Yes/No questions with answer.
struct Messages {
    explicit Messages(MessageAnswer answer = MessageAnswer::kYes)
        : hook([this, answer](const MessageRequest& r) {
              seen.push_back(r);
              return r.buttons == MessageButtons::kYesNo ? answer : MessageAnswer::kOk;
          }) {}
    QStringList Texts() const {
        QStringList texts;
        for (const MessageRequest& r : seen) {
            texts.append(r.text);
        }
        return texts;
    }
    std::vector<MessageRequest> seen;
    ScopedMessageHook hook;
};

// A wizard whose last page is the output page, entered from a plain page in front of it
// (the other pages are taken out, so only this page acts on the shared state).
class Page5 : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        ASSERT_TRUE(m_dir.isValid());
        m_sheet = std::make_unique<CVarlen>();
        m_sheet->m_pIcon = Working();
        m_sheet->m_strSavePath = m_dir.path();
        for (int id : {0, 1, 2, 3}) {
            m_sheet->removePage(id);
        }
        m_sheet->setPage(3, new CVarlenPage(m_sheet.get(), 4, QStringLiteral("t"), {}));
        m_page = m_sheet->m_pPage5;
        m_page->SetFileRevealer([this](const QString& path) { m_revealed.append(path); });
        m_page->SetSaveFolders([] { return SaveFolders{}; });
    }
    void TearDown() override {
        m_sheet.reset();
        DeleteSettingsStore();
    }
    // Shows the wizard and moves onto the output page.
    void Enter(const QString& name) {
        m_sheet->m_strIconFile = name;
        m_sheet->show();
        m_sheet->next();
        ASSERT_EQ(m_sheet->currentPage(), m_page);
    }
    QAbstractButton* Finish() const { return m_sheet->button(QWizard::FinishButton); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<CVarlen> m_sheet;
    CVarlenPage5* m_page = nullptr;
    QStringList m_revealed;
};

TEST(Page5Path, ResolvesNamesAsTheShellWould) {
    const SaveFolders none;
    const SaveFolders pictures{QStringLiteral("/home/u/Pictures"), QStringLiteral("/home/u/Docs")};
    const SaveFolders documents{QString(), QStringLiteral("/home/u/Docs")};
    const QString save = QStringLiteral("/work/out");
    // A bare name goes into the remembered folder, else pictures, else documents.
    EXPECT_EQ(ResolveIconPath(QStringLiteral("icon"), save, pictures), "/work/out/icon.ico");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("icon"), QString(), pictures),
              "/home/u/Pictures/icon.ico");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("icon"), QString(), documents),
              "/home/u/Docs/icon.ico");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("icon"), QString(), none), "icon.ico");
    // Empty text: "*.ico", which is bare as well.
    EXPECT_EQ(ResolveIconPath(QString(), save, none), "/work/out/*.ico");
    EXPECT_EQ(ResolveIconPath(QString(), QString(), none), "*.ico");
    // A folder part: no folder put in front, ".ico" only when there is no extension.
    EXPECT_EQ(ResolveIconPath(QStringLiteral("/x/y"), save, pictures), "/x/y.ico");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("sub/a"), save, pictures), "sub/a.ico");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("/x.d/y"), save, none), "/x.d/y.ico");
    // Another extension is kept.
    EXPECT_EQ(ResolveIconPath(QStringLiteral("a.png"), save, none), "/work/out/a.png");
    EXPECT_EQ(ResolveIconPath(QStringLiteral("/x/a.ICO"), save, none), "/x/a.ICO");
    // A "." followed by a space is no extension.
    EXPECT_EQ(ResolveIconPath(QStringLiteral("v1.0 final"), save, none),
              "/work/out/v1.0 final.ico");
    // The root folder gets no second separator.
    EXPECT_EQ(ResolveIconPath(QStringLiteral("a"), QStringLiteral("/"), none), "/a.ico");
}

TEST(Page5Path, ExtensionRule) {
    EXPECT_TRUE(HasExtension(QStringLiteral("a.ico")));
    EXPECT_TRUE(HasExtension(QStringLiteral("a.")));
    EXPECT_TRUE(HasExtension(QStringLiteral(".hidden")));
    EXPECT_TRUE(HasExtension(QStringLiteral("my photo.png")));
    EXPECT_FALSE(HasExtension(QStringLiteral("a")));
    EXPECT_FALSE(HasExtension(QStringLiteral("a.b c")));
    EXPECT_FALSE(HasExtension(QStringLiteral("/x.y/z")));
}

TEST(Page5Path, SaveDialog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto dialog = BuildIconSaveDialog(nullptr, dir.filePath(QStringLiteral("cat.ico")));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("ico"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("アイコンファイル (*.ico)")});
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(dialog->isSizeGripEnabled());
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(Page5, ControlsShowTheSettings) {
    m_sheet->m_bPng = true;
    m_sheet->m_bFinishOpenFolder = false;
    m_sheet->m_bFinishClose = true;
    Enter(QStringLiteral("cat.ico"));
    EXPECT_EQ(m_page->m_editFile->text(), QStringLiteral("cat.ico"));
    EXPECT_EQ(m_page->m_editFile->maxLength(), 260);
    EXPECT_EQ(m_page->m_btnBrowse->text(), QStringLiteral("..."));
    EXPECT_EQ(m_page->m_chkPng->text(),
              QStringLiteral("32 ビット 64 x 64 以上のアイコンを PNG 圧縮する(&P)"));
    EXPECT_EQ(m_page->m_chkOpenFolder->text(), QStringLiteral("完了後、保存フォルダを開く(&O)"));
    EXPECT_EQ(m_page->m_chkClose->text(), QStringLiteral("完了後、ウィンドウを閉じる(&C)"));
    EXPECT_TRUE(m_page->m_chkPng->isChecked());
    EXPECT_FALSE(m_page->m_chkOpenFolder->isChecked());
    EXPECT_TRUE(m_page->m_chkClose->isChecked());
    EXPECT_FALSE(m_page->m_progress->isVisible());
    EXPECT_FALSE(m_sheet->ResetButton()->isEnabled());
    EXPECT_FALSE(m_sheet->button(QWizard::NextButton)->isVisible());
    EXPECT_TRUE(m_sheet->button(QWizard::BackButton)->isEnabled());
    bool labelled = false;
    for (QLabel* label : m_page->findChildren<QLabel*>()) {
        labelled = labelled || (label->text() == QStringLiteral("ファイル名(&F):") &&
                                label->buddy() == m_page->m_editFile);
    }
    EXPECT_TRUE(labelled);

    // The check boxes change the sheet's members at once.
    QTest::mouseClick(m_page->m_chkPng, Qt::LeftButton);
    QTest::mouseClick(m_page->m_chkOpenFolder, Qt::LeftButton);
    QTest::mouseClick(m_page->m_chkClose, Qt::LeftButton);
    EXPECT_FALSE(m_sheet->m_bPng);
    EXPECT_TRUE(m_sheet->m_bFinishOpenFolder);
    EXPECT_FALSE(m_sheet->m_bFinishClose);
}

TEST_F(Page5, ViewShowsTheFilteredWorkingPicture) {
    m_sheet->m_nBrightness = 30;
    m_sheet->m_nRound = 40;
    Enter(QStringLiteral("a"));
    const auto expected = BuildViewPreview(*m_sheet->m_pIcon, ToEffectSettings(*m_sheet));
    ASSERT_NE(m_page->Preview(), nullptr);
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), m_page->Preview());
    ASSERT_EQ(m_page->Preview()->Width(), 64);
    EXPECT_TRUE(std::ranges::equal(m_page->Preview()->Pixels(), expected->Pixels()));
    EXPECT_EQ(m_page->m_wndIcon->GetMode(), 0);
}

TEST_F(Page5, FinishOnlyWithANameAndBackKeepsIt) {
    Enter(QString());
    EXPECT_FALSE(Finish()->isEnabled());
    m_page->m_editFile->setFocus();
    QTest::keyClick(m_page->m_editFile, Qt::Key_X);
    EXPECT_TRUE(Finish()->isEnabled());
    QTest::keyClick(m_page->m_editFile, Qt::Key_Backspace);
    EXPECT_FALSE(Finish()->isEnabled());
    QTest::keyClicks(m_page->m_editFile, QStringLiteral("name"));
    EXPECT_TRUE(Finish()->isEnabled());

    m_sheet->back();
    EXPECT_EQ(m_sheet->m_strIconFile, QStringLiteral("name"));
    EXPECT_EQ(m_page->Preview(), nullptr);
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), nullptr);
    EXPECT_TRUE(m_sheet->ResetButton()->isEnabled());
    m_sheet->next();
    EXPECT_EQ(m_page->m_editFile->text(), QStringLiteral("name"));
    EXPECT_NE(m_page->Preview(), nullptr);
}

TEST_F(Page5, BrowseStartsAtTheResolvedPathAndTakesTheChoice) {
    Enter(QStringLiteral("cat"));
    QString offered;
    QString answer;
    m_page->SetFileChooser([&](QWidget*, const QString& path) {
        offered = path;
        return answer;
    });
    QTest::mouseClick(m_page->m_btnBrowse, Qt::LeftButton);  // cancelled
    EXPECT_EQ(offered, Path(QStringLiteral("cat.ico")));
    EXPECT_EQ(m_page->m_editFile->text(), QStringLiteral("cat"));
    EXPECT_EQ(m_sheet->m_strSavePath, m_dir.path());

    QDir(m_dir.path()).mkdir(QStringLiteral("sub"));
    answer = Path(QStringLiteral("sub/dog.ico"));
    QTest::mouseClick(m_page->m_btnBrowse, Qt::LeftButton);
    EXPECT_EQ(m_page->m_editFile->text(), answer);
    EXPECT_EQ(m_sheet->m_strSavePath, Path(QStringLiteral("sub")));
}

TEST_F(Page5, FinishWritesTheBatchFrontEndsBytesAndCloses) {
    m_sheet->m_nContrast = 20;
    m_sheet->m_nSharp = 2;
    m_sheet->m_nRound = 30;
    m_sheet->m_nFade = 10;
    Enter(QStringLiteral("out"));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);

    EXPECT_EQ(messages.Texts(), QStringList{kCreated});
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].icon, MessageIcon::kInformation);
    EXPECT_FALSE(m_sheet->isVisible());
    EXPECT_EQ(m_sheet->result(), QDialog::Accepted);
    EXPECT_EQ(m_revealed, QStringList{Path(QStringLiteral("out.ico"))});
    EXPECT_EQ(m_page->Preview(), nullptr);
    // Settings saved after success.
    EXPECT_EQ(StoredSetting("Contrast").toInt(), 20);
    EXPECT_EQ(StoredSetting("SavePath").toString(), m_dir.path());

    const Bytes written = ReadAll(Path(QStringLiteral("out.ico")));
    const Bytes batch =
        BatchBytes(*m_sheet->m_pIcon, m_sheet->m_aFormat, m_sheet->m_bSmoothing,
                   ToEffectSettings(*m_sheet), false, Path(QStringLiteral("batch.ico")));
    ASSERT_FALSE(batch.empty());
    EXPECT_TRUE(written == batch);
    EXPECT_EQ(FilesIn(m_dir.path()).size(), 2u);  // no temporary left behind
}

TEST_F(Page5, NextOnTheLastPageIsNoFinish) {
    Enter(QStringLiteral("nothing"));
    Messages messages;
    m_sheet->next();  // QWizard validates the last page here too
    EXPECT_TRUE(messages.seen.empty());
    EXPECT_TRUE(FilesIn(m_dir.path()).isEmpty());
    EXPECT_TRUE(m_sheet->isVisible());
    EXPECT_FALSE(m_sheet->IsFinishing());
    m_sheet->accept();  // what the Finish button does
    EXPECT_EQ(messages.Texts(), QStringList{kCreated});
    EXPECT_FALSE(m_sheet->isVisible());
    EXPECT_FALSE(m_sheet->IsFinishing());
}

TEST_F(Page5, WrittenFileReadsBackInListOrder) {
    m_sheet->m_bFinishOpenFolder = false;
    m_sheet->m_bPng = true;
    m_sheet->m_nBrightness = -15;
    Enter(QStringLiteral("out.ico"));
    Messages messages;
    ASSERT_TRUE(m_page->OnWizardFinish());
    EXPECT_TRUE(m_revealed.isEmpty());

    const Bytes file = ReadAll(Path(QStringLiteral("out.ico")));
    const std::vector<Entry> entries = Directory(file);
    ASSERT_EQ(entries.size(), kDefaultFormats.size());
    const EffectSettings effects = ToEffectSettings(*m_sheet);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const FORMAT& f = kDefaultFormats[i];
        const Entry& e = entries[i];
        SCOPED_TRACE(testing::Message() << "entry " << i);
        EXPECT_EQ(e.width, f.wWidth);
        EXPECT_EQ(e.height, f.wHeight);
        EXPECT_EQ(e.bitCount, f.wBitCount);
        // PNG form exactly for the 32-bit entries of 64 x 64 and more.
        EXPECT_EQ(IsPngEntry(file, e), f.wBitCount == 32 && f.wWidth >= 64);
        const auto loaded = LoadEntry(file, e);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->Width(), f.wWidth);
        ASSERT_EQ(loaded->Height(), f.wHeight);
        const auto expected = BuildFormatIcon(*m_sheet->m_pIcon, f.wWidth, f.wHeight, f.wBitCount,
                                              m_sheet->m_bSmoothing, effects);
        if (f.wBitCount == 32) {
            EXPECT_TRUE(std::ranges::equal(loaded->Pixels(), expected->Pixels()));
        } else if (f.wBitCount == 24) {
            // The colour where the mask keeps the pixel opaque (alpha 128 and more);
            // transparent pixels are stored black.
            for (std::size_t k = 0; k < expected->PixelCount(); ++k) {
                const Pixel want =
                    Alpha(expected->Pixels()[k]) >= 128 ? expected->Pixels()[k] & 0xFFFFFFu : 0;
                ASSERT_EQ(loaded->Pixels()[k] & 0xFFFFFFu, want) << k;
            }
        } else {
            EXPECT_EQ(loaded->Bpp(), f.wBitCount);
        }
    }
}

TEST_F(Page5, IcotoolListsTheSelectedFormatsInOrder) {
    const QString icotool = QStandardPaths::findExecutable(QStringLiteral("icotool"));
    if (icotool.isEmpty()) {
        GTEST_SKIP() << "icotool is not installed";
    }
    m_sheet->m_aFormat = {{1, 32, 256, 256, 0},
                          {0, 8, 48, 48, 0},
                          {1, 4, 16, 16, 0},
                          {1, 24, 20, 30, 0},
                          {0, 32, 32, 32, 0}};
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("list"));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);
    ASSERT_EQ(messages.Texts(), QStringList{kCreated});
    QProcess run;
    run.start(icotool, {QStringLiteral("-l"), Path(QStringLiteral("list.ico"))});
    ASSERT_TRUE(run.waitForFinished(10000));
    EXPECT_EQ(run.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("--width=256 --height=256 --bit-depth=32")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("--width=16 --height=16 --bit-depth=4")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("--width=20 --height=30 --bit-depth=24")))
        << lines[2].toStdString();
}

TEST_F(Page5, ProgressStepsOncePerRecordWhileVisible) {
    m_sheet->m_aFormat = {{1, 32, 48, 48, 0},
                          {0, 8, 32, 32, 0},
                          {0, 4, 16, 16, 0},
                          {1, 8, 16, 16, 0},
                          {0, 24, 24, 24, 0}};
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("p"));
    std::vector<int> values;
    std::vector<bool> visible;
    QObject::connect(m_page->m_progress, &QProgressBar::valueChanged, [&](int v) {
        values.push_back(v);
        visible.push_back(m_page->m_progress->isVisible());
    });
    Messages messages;
    EXPECT_FALSE(m_page->OnWizardFinish());  // stays: closing is off
    EXPECT_EQ(m_page->m_progress->maximum(), 5);
    EXPECT_EQ(m_page->m_progress->minimum(), 0);
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (std::size_t i = 1; i < visible.size(); ++i) {
        EXPECT_TRUE(visible[i]) << i;
    }
    EXPECT_FALSE(m_page->m_progress->isVisible());
    const std::vector<Entry> entries = Directory(ReadAll(Path(QStringLiteral("p.ico"))));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].width, 48);
    EXPECT_EQ(entries[0].bitCount, 32);
    EXPECT_EQ(entries[1].width, 16);
    EXPECT_EQ(entries[1].bitCount, 8);
}

TEST_F(Page5, OverwriteQuestionNoKeepsTheFileYesReplacesIt) {
    const QString target = Path(QStringLiteral("old.ico"));
    const Bytes old(300, 0x5A);
    WriteAll(target, old);
    Enter(QStringLiteral("old"));
    {
        Messages no(MessageAnswer::kNo);
        QTest::mouseClick(Finish(), Qt::LeftButton);
        ASSERT_EQ(no.seen.size(), 1u);
        EXPECT_EQ(no.seen[0].text, kAskOverwrite);
        EXPECT_EQ(no.seen[0].icon, MessageIcon::kWarning);
        EXPECT_EQ(no.seen[0].buttons, MessageButtons::kYesNo);
        EXPECT_EQ(no.seen[0].defaultButton, MessageAnswer::kNo);
    }
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_TRUE(m_sheet->isVisible());
    EXPECT_EQ(m_sheet->currentPage(), m_page);
    EXPECT_TRUE(m_revealed.isEmpty());
    EXPECT_FALSE(StoredSetting("SavePath").isValid());  // nothing saved

    Messages yes(MessageAnswer::kYes);
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_EQ(yes.Texts(), (QStringList{kAskOverwrite, kCreated}));
    EXPECT_EQ(Directory(ReadAll(target)).size(), kDefaultFormats.size());
    EXPECT_FALSE(m_sheet->isVisible());
}

TEST_F(Page5, StayingOpenAsksAgainTheSecondTime) {
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("again"));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_TRUE(m_sheet->isVisible());
    EXPECT_EQ(m_sheet->currentPage(), m_page);
    EXPECT_NE(m_page->Preview(), nullptr);
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_EQ(messages.Texts(), (QStringList{kCreated, kAskOverwrite, kCreated}));
    EXPECT_EQ(m_revealed.size(), 2);
}

TEST_F(Page5, MissingFolderFailsToCreateAndWritesNothing) {
    Enter(m_dir.filePath(QStringLiteral("missing/x.ico")));
    Messages messages;
    std::vector<int> values;
    QObject::connect(m_page->m_progress, &QProgressBar::valueChanged,
                     [&](int v) { values.push_back(v); });
    EXPECT_FALSE(m_page->OnWizardFinish());
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].text, kCreateFailed);
    EXPECT_EQ(messages.seen[0].icon, MessageIcon::kError);
    EXPECT_TRUE(values.empty());  // nothing was rendered
    EXPECT_TRUE(FilesIn(m_dir.path()).isEmpty());
    EXPECT_TRUE(m_revealed.isEmpty());
}

// Runs the enclosed code without root's power over permissions (the effective user becomes
// nobody); does nothing for another user.
class Unprivileged {
  public:
    Unprivileged() : m_root(::geteuid() == 0) {
        if (m_root) {
            m_ok = ::seteuid(65534) == 0;
        }
    }
    ~Unprivileged() {
        if (m_root) {
            [[maybe_unused]] const int rc = ::seteuid(0);
        }
    }
    bool Ok() const { return !m_root || m_ok; }

  private:
    bool m_root;
    bool m_ok = false;
};

TEST_F(Page5, ReadOnlyFolderFailsToCreateAndKeepsTheFile) {
    const QString folder = Path(QStringLiteral("ro"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ro")));
    const QString target = folder + QStringLiteral("/kept.ico");
    const Bytes old(200, 0x33);
    WriteAll(target, old);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther);
    Enter(target);
    Messages messages;
    bool finished = true;
    {
        const Unprivileged nobody;
        ASSERT_TRUE(nobody.Ok());
        finished = m_page->OnWizardFinish();
    }
    QFile::setPermissions(folder, QFile::permissions(folder) | QFile::WriteOwner);
    EXPECT_FALSE(finished);
    EXPECT_EQ(messages.Texts(), (QStringList{kAskOverwrite, kCreateFailed}));
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(FilesIn(folder), QStringList{QStringLiteral("kept.ico")});
}

// Lowers the soft limit of the size of files this process writes for its lifetime; a write
// beyond it fails instead of raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool Ok() const { return m_ok; }

  private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_ok = false;
};

TEST_F(Page5, FailedSaveKeepsTheExistingFile) {
    const QString target = Path(QStringLiteral("keep.ico"));
    const Bytes old(500, 0x42);
    WriteAll(target, old);
    Enter(QStringLiteral("keep"));
    Messages messages;
    bool finished = true;
    {
        const FileSizeLimit limit(4000);  // the icon needs far more
        ASSERT_TRUE(limit.Ok());
        finished = m_page->OnWizardFinish();
    }
    EXPECT_FALSE(finished);
    ASSERT_EQ(messages.seen.size(), 2u);
    EXPECT_EQ(messages.seen[0].text, kAskOverwrite);
    EXPECT_EQ(messages.seen[1].text, kSaveFailed);
    EXPECT_EQ(messages.seen[1].icon, MessageIcon::kError);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{QStringLiteral("keep.ico")});
    EXPECT_FALSE(m_page->m_progress->isVisible());
    EXPECT_TRUE(m_revealed.isEmpty());
    EXPECT_FALSE(StoredSetting("SavePath").isValid());
    EXPECT_TRUE(m_sheet->isVisible());
}

// --- where the file goes and what the messages tell -------------------------------------

// The bar shows the finished work under the result message and goes when it is read.
TEST_F(Page5, ProgressBarStaysUnderTheResultMessage) {
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("bar"));
    std::vector<bool> visible;
    ScopedMessageHook hook([&](const MessageRequest&) {
        visible.push_back(m_page->m_progress->isVisible());
        return MessageAnswer::kOk;
    });
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_EQ(visible, std::vector<bool>{true});
    EXPECT_FALSE(m_page->m_progress->isVisible());
}

// A name typed without a folder goes beside the picture it was made from, and a relative
// folder is taken from there too; the message says where the file went.
TEST_F(Page5, BareAndRelativeNamesGoBesideThePicture) {
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("pics/sub")));
    m_sheet->m_strPictureFile = Path(QStringLiteral("pics/cat.png"));
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("out"));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);
    const QString written = Path(QStringLiteral("pics/out.ico"));
    EXPECT_EQ(Directory(ReadAll(written)).size(), kDefaultFormats.size());
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].text, kCreated);
    EXPECT_EQ(messages.seen[0].detail,
              QStringLiteral("保存先: %1").arg(QDir::toNativeSeparators(written)));
    EXPECT_EQ(m_revealed, QStringList{written});

    m_page->m_editFile->selectAll();
    QTest::keyClicks(m_page->m_editFile, QStringLiteral("sub/deep"));
    EXPECT_EQ(m_page->ResolvedPath(), Path(QStringLiteral("pics/sub/deep.ico")));
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("pics/sub/deep.ico"))));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("sub/deep.ico"))));
}

// Without a picture file the remembered folder takes its place, also for a relative
// folder, never the working folder of the process.
TEST_F(Page5, RelativeNamesWithoutAPictureGoToTheSaveFolder) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("sub/rel"));
    EXPECT_EQ(m_page->ResolvedPath(), Path(QStringLiteral("sub/rel.ico")));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("sub/rel.ico"))));
}

TEST_F(Page5, FailuresNameThePathAndTheReason) {
    const QString missing = m_dir.filePath(QStringLiteral("missing/x.ico"));
    Enter(missing);
    {
        Messages messages;
        EXPECT_FALSE(m_page->OnWizardFinish());
        ASSERT_EQ(messages.seen.size(), 1u);
        EXPECT_EQ(messages.seen[0].text, kCreateFailed);
        EXPECT_EQ(messages.seen[0].detail,
                  QStringLiteral("ファイル: %1\n理由: 保存先のフォルダがありません。")
                      .arg(QDir::toNativeSeparators(missing)));
    }
    // A folder where the file should go.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("taken.ico")));
    m_page->m_editFile->setText(Path(QStringLiteral("taken.ico")));
    {
        Messages messages(MessageAnswer::kYes);
        EXPECT_FALSE(m_page->OnWizardFinish());
        ASSERT_FALSE(messages.seen.empty());
        EXPECT_EQ(messages.seen.back().text, kCreateFailed);
        EXPECT_TRUE(messages.seen.back().detail.endsWith(
            QStringLiteral("理由: 同じ名前のフォルダがあります。")))
            << messages.seen.back().detail.toStdString();
    }
}

// Without any file manager (no session bus, no handler for folders, as in this test's
// platform) "open the folder" says so instead of doing nothing.
TEST_F(Page5, OpenTheFolderWithoutAFileManagerSaysSo) {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
        QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        GTEST_SKIP() << "a desktop may be there to open the folder";
    }
    m_page->SetFileRevealer([this](const QString& path) { m_page->RevealOrSay(path); });
    m_sheet->m_bFinishOpenFolder = true;
    m_sheet->m_bFinishClose = false;
    Enter(QStringLiteral("shown"));
    Messages messages;
    QTest::mouseClick(Finish(), Qt::LeftButton);
    ASSERT_EQ(messages.seen.size(), 2u);
    EXPECT_EQ(messages.seen[0].text, kCreated);
    EXPECT_EQ(messages.seen[1].text, QStringLiteral("保存フォルダを開けませんでした。"));
    EXPECT_EQ(
        messages.seen[1].detail,
        QStringLiteral("フォルダ: %1\n理由: フォルダを開くファイルマネージャーが見つかりません。")
            .arg(QDir::toNativeSeparators(m_dir.path())));
}

}  // namespace
}  // namespace varlen
