// The output page.
//
// Contract: while the page is active the view shows a filtered copy of the working picture
// (the page owns it); the name field's text is the output name, resolved to a path by
// ResolveIconPath whenever it is used. Finish asks before replacing an existing file,
// checks that the file can be written, builds every enabled format of the sheet's list in
// list order (one progress step per record, enabled or not), writes the icon file, and on
// success saves the settings, may reveal the file and may close the wizard.
//
// Traps:
// - The write check never creates or truncates the target: a failed build or save leaves
//   an existing file exactly as it was, because CIcons::Save replaces it only when the new
//   file is complete.
// - The formats are built as the batch front end builds them (all at once: shared resizes,
//   one worker pool), in the background while the user-interface thread goes on; the images
//   are the same as the batch front end's. The page's bar steps once per record, in list
//   order, as soon as the images of the records up to it are complete (a disabled record
//   counts as complete); the background dialog shows the rows and offers Cancel.
// - A cancel is heard up to the start of the write; nothing is written then. Once the write
//   has begun it completes (it replaces the old file only when complete anyway).
// - The wait cursor covers the work but not the message boxes; the progress bar stays
//   until the result message has been answered.
// - errno is read right after the failing call, on the thread that made it (errno is the
//   thread's own), before anything else can change it.
// - The view points at the preview; it is given null before the preview goes away. A large
//   picture's preview is made in the background; a cancel leaves the view empty.
#include "pages/page5.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <span>

#include "core/pipeline.h"
#include "core/progress.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/file_manager.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"
#include "io/icons.h"
#include "pages/failure_detail.h"
#include "pages/page1_support.h"
#include "pages/page4_support.h"

namespace varlen {

namespace {

const char* const kPreparingView =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "プレビューを作成しています...");
const char* const kAskOverwrite = QT_TRANSLATE_NOOP(
    "varlen::CVarlenPage5", "同名のファイルが既に存在しています。\n上書きしますか？");
const char* const kCreateFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "ファイルの作成に失敗しました。");
const char* const kSaveFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "アイコンの保存に失敗しました。");
const char* const kCreated =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "アイコンの作成が完了しました。");
const char* const kSavedAs = QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "保存先: %1");
const char* const kRevealFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "保存フォルダを開けませんでした。");
const char* const kNoFileManager =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5",
                      "フォルダ: %1\n理由: フォルダを開くファイルマネージャーが見つかりません。");
const char* const kCreating =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "アイコンを作成しています...");
constexpr int kBarUpdateMs = 50;

QString AskForIconFile(QWidget* parent, const QString& path) {
    const std::unique_ptr<QFileDialog> dialog = BuildIconSaveDialog(parent, path);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return dialog->selectedFiles().constFirst();
}

}  // namespace

CVarlenPage5::CVarlenPage5(CVarlenState* sheet, QWidget* parent)
    : CVarlenPage(sheet, 5, tr("アイコンファイルの作成"),
                  tr("作成するアイコンファイルの名前を入れてください。\n[完了]"
                     "をクリックすると、ファイルが作成されます。\nリサイズ、減色処理を"
                     "行うため、多少時間がかかります。\n "),
                  parent),
      m_chooseFile(AskForIconFile),
      m_revealFile([this](const QString& path) { RevealOrSay(path); }),
      m_saveFolders(UserSaveFolders) {
    BuildControls();
    ConnectControls();
}

CVarlenPage5::~CVarlenPage5() {
    DropPreview();
}

void CVarlenPage5::BuildControls() {
    const QFontMetrics fm = fontMetrics();
    auto* label = new QLabel(tr("ファイル名(&F):"), this);
    m_editFile = new QLineEdit(this);
    m_editFile->setMaxLength(kMaxName);
    label->setBuddy(m_editFile);
    m_btnBrowse = new QPushButton(QStringLiteral("..."), this);
    m_btnBrowse->setFixedWidth(fm.horizontalAdvance(QStringLiteral("...")) +
                               fm.averageCharWidth() * 4);
    m_chkPng = new QCheckBox(tr("32 ビット 64 x 64 以上のアイコンを PNG 圧縮する(&P)"), this);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_chkOpenFolder = new QCheckBox(tr("完了後、保存フォルダを開く(&O)"), this);
    m_chkClose = new QCheckBox(tr("完了後、ウィンドウを閉じる(&C)"), this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->hide();
    // Hidden, the bar keeps its room so that the column does not jump when it appears.
    QSizePolicy keep = m_progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keep);
    m_wndIcon = new CIconWnd(this);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(fm.averageCharWidth() / 2);
    nameRow->addWidget(m_editFile, 1);
    nameRow->addWidget(m_btnBrowse);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(fm.height() / 2);
    column->addWidget(label);
    column->addLayout(nameRow);
    column->addWidget(m_chkPng);
    column->addWidget(line);
    column->addWidget(m_chkOpenFolder);
    column->addWidget(m_chkClose);
    column->addStretch(1);
    column->addWidget(m_progress);

    auto* left = new QWidget(this);
    left->setLayout(column);
    m_wndIcon->SetMode(0);
    LayOutBesideView(left, m_wndIcon);

    setTabOrder(m_editFile, m_btnBrowse);
    setTabOrder(m_btnBrowse, m_chkPng);
    setTabOrder(m_chkPng, m_chkOpenFolder);
    setTabOrder(m_chkOpenFolder, m_chkClose);
}

void CVarlenPage5::ConnectControls() {
    connect(m_editFile, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CVarlenPage5::OnBrowse);
    connect(m_chkPng, &QCheckBox::clicked, this, [this](bool on) { m_pSheet->m_bPng = on; });
    connect(m_chkOpenFolder, &QCheckBox::clicked, this,
            [this](bool on) { m_pSheet->m_bFinishOpenFolder = on; });
    connect(m_chkClose, &QCheckBox::clicked, this,
            [this](bool on) { m_pSheet->m_bFinishClose = on; });
}

void CVarlenPage5::DropPreview() {
    m_wndIcon->SetImage(nullptr);
    m_pPreview.reset();
}

void CVarlenPage5::OnSetActive() {
    ShowViewPreview();
    m_editFile->setText(m_pSheet->m_strIconFile);
    m_chkPng->setChecked(m_pSheet->m_bPng);
    m_chkOpenFolder->setChecked(m_pSheet->m_bFinishOpenFolder);
    m_chkClose->setChecked(m_pSheet->m_bFinishClose);
    emit completeChanged();
    m_pSheet->EnableReset(false);
}

void CVarlenPage5::ShowViewPreview() {
    const CIcon& working = *m_pSheet->m_pIcon;
    const EffectSettings effects = ToEffectSettings(*m_pSheet);
    Workers& pool = m_pSheet->Pool();
    std::unique_ptr<CIcon> preview;
    if (!RunFormatWork(this, *m_pSheet, working.PixelCount(), tr(kPreparingView),
                       [&] { preview = BuildViewPreview(working, effects, pool); })) {
        return;  // cancelled: the view stays empty, the page works as ever
    }
    m_pPreview = std::move(preview);
    m_wndIcon->SetImage(m_pPreview.get());
}

void CVarlenPage5::OnWizardBack() {
    m_pSheet->m_strIconFile = m_editFile->text();
    DropPreview();
    m_pSheet->EnableReset(true);
}

bool CVarlenPage5::isComplete() const {
    return !m_editFile->text().isEmpty();
}

QString CVarlenPage5::ResolvedPath() const {
    // A name without a folder goes beside the picture when it came from a file; a name
    // with a relative folder is taken from that same folder, never from the working one.
    const QString pictureFolder = m_pSheet->m_strPictureFile.isEmpty()
                                      ? QString()
                                      : QFileInfo(m_pSheet->m_strPictureFile).absolutePath();
    const SaveFolders folders = m_saveFolders();
    const QString base = pictureFolder.isEmpty() ? m_pSheet->m_strSavePath : pictureFolder;
    const QString path = ResolveIconPath(m_editFile->text(), base, folders);
    if (!QFileInfo(path).isRelative()) {
        return path;
    }
    for (const QString& folder : {base, folders.pictures, folders.documents, QDir::homePath()}) {
        if (!folder.isEmpty()) {
            return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
        }
    }
    return path;
}

void CVarlenPage5::RevealOrSay(const QString& path) {
    if (RevealInFileManager(path)) {
        return;
    }
    ShowMessage(this,
                {tr(kRevealFailed), MessageIcon::kWarning, MessageButtons::kOk, MessageAnswer::kOk,
                 QString(),
                 tr(kNoFileManager).arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()))});
}

void CVarlenPage5::OnBrowse() {
    const QString chosen = m_chooseFile(this, ResolvedPath());
    if (chosen.isEmpty()) {
        return;
    }
    m_pSheet->m_strSavePath = FolderOf(chosen);
    m_editFile->setText(chosen);
}

std::optional<bool> CVarlenPage5::WriteIconFile(const QString& path, int& error) {
    const CWaitCursor wait;
    const std::vector<FORMAT>& formats = m_pSheet->m_aFormat;
    m_progress->setRange(0, static_cast<int>(formats.size()));
    m_progress->setValue(0);
    m_progress->show();

    std::vector<FormatRequest> requests;
    std::vector<int> requestOf(formats.size(), -1);  // per record: its request, -1 if disabled
    for (std::size_t r = 0; r < formats.size(); ++r) {
        const FORMAT& f = formats[r];
        if (f.bEnabled != 0) {
            requestOf[r] = static_cast<int>(requests.size());
            requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
        }
    }
    const auto complete = std::make_unique<std::atomic<bool>[]>(requests.size());
    // Steps the bar over every record whose own image and those before it are complete.
    const auto stepBar = [&] {
        for (int r = m_progress->value(); r < static_cast<int>(formats.size()); ++r) {
            const int q = requestOf[static_cast<std::size_t>(r)];
            if (q >= 0 && !complete[static_cast<std::size_t>(q)].load()) {
                break;
            }
            m_progress->setValue(r + 1);
        }
    };
    QTimer follow;
    connect(&follow, &QTimer::timeout, this, stepBar);
    follow.start(kBarUpdateMs);

    const CIcon& working = *m_pSheet->m_pIcon;
    const bool smoothing = m_pSheet->m_bSmoothing;
    const bool png = m_pSheet->m_bPng;
    const EffectSettings effects = ToEffectSettings(*m_pSheet);
    Workers& pool = m_pSheet->Pool();
    const SizePictures& pictures = m_pSheet->m_aSizePictures;
    const std::filesystem::path target = FileSystemPath(path);
    bool saved = false;
    const bool finished = RunInBackground(
        this, pool, tr(kCreating),
        [&] {
            auto images = BuildFormatIcons(
                working, requests, smoothing, effects, pool,
                [&complete](std::size_t i) { complete[i].store(true); }, &pictures);
            if (const Progress* progress = pool.Observer()) {
                progress->Check();  // the last moment a cancel leaves no file behind
            }
            CIcons icons;
            for (auto& image : images) {
                icons.Add(std::move(image));
            }
            errno = 0;
            saved = icons.Save(target, png);
            error = errno;
        },
        true, m_pSheet->m_backgroundPacing);
    follow.stop();
    if (!finished) {
        return std::nullopt;
    }
    stepBar();
    return saved;
}

bool CVarlenPage5::OnWizardFinish() {
    const QString path = ResolvedPath();
    if (QFileInfo::exists(path) &&
        ShowMessage(this, {tr(kAskOverwrite), MessageIcon::kWarning, MessageButtons::kYesNo,
                           MessageAnswer::kNo}) != MessageAnswer::kYes) {
        return false;
    }
    errno = 0;
    if (!CanWriteFile(path)) {
        const int error = errno;
        ShowMessage(this, {tr(kCreateFailed), MessageIcon::kError, MessageButtons::kOk,
                           MessageAnswer::kOk, QString(), WriteFailureDetail(path, error)});
        return false;
    }
    int error = 0;
    const std::optional<bool> written = WriteIconFile(path, error);
    if (!written) {
        m_progress->hide();
        return false;  // cancelled: nothing was written
    }
    const bool saved = *written;
    // The full bar stays under the result message and goes when the message has been read.
    if (!saved) {
        ShowMessage(this, {tr(kSaveFailed), MessageIcon::kError, MessageButtons::kOk,
                           MessageAnswer::kOk, QString(), WriteFailureDetail(path, error)});
        m_progress->hide();
        return false;
    }
    ShowMessage(this,
                {tr(kCreated), MessageIcon::kInformation, MessageButtons::kOk, MessageAnswer::kOk,
                 QString(),
                 tr(kSavedAs).arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))});
    m_progress->hide();
    m_pSheet->SaveSettings(this);
    if (m_pSheet->m_bFinishOpenFolder) {
        m_revealFile(path);
    }
    if (!m_pSheet->m_bFinishClose) {
        return false;
    }
    DropPreview();
    return true;
}

}  // namespace varlen
