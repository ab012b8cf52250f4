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
// - Everything runs inside the Finish handler on the user-interface thread; the progress
//   bar is repainted explicitly after each step, since no event is processed meanwhile.
//   The formats are built one at a time so that the bar can move, each with its rows
//   spread over the page's worker pool; the images are the same as the batch front end's.
// - The wait cursor covers the work but not the message boxes.
// - The view points at the preview; it is given null before the preview goes away.
#include "pages/page5.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

#include "core/pipeline.h"
#include "core/workers.h"
#include "gui/file_manager.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"
#include "io/icons.h"
#include "pages/page1_support.h"

namespace varlen {

namespace {

const char* const kAskOverwrite = QT_TRANSLATE_NOOP(
    "varlen::CVarlenPage5", "同名のファイルが既に存在しています。\n上書きしますか？");
const char* const kCreateFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "ファイルの作成に失敗しました。");
const char* const kSaveFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "アイコンの保存に失敗しました。");
const char* const kCreated =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage5", "アイコンの作成が完了しました。");

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
      m_revealFile(RevealInFileManager),
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
    LayOutBesideView(left, *column, m_wndIcon);

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
    {
        const CWaitCursor wait;
        m_pPreview =
            BuildViewPreview(*m_pSheet->m_pIcon, ToEffectSettings(*m_pSheet), m_pSheet->Pool());
        m_wndIcon->SetImage(m_pPreview.get());
    }
    m_editFile->setText(m_pSheet->m_strIconFile);
    m_chkPng->setChecked(m_pSheet->m_bPng);
    m_chkOpenFolder->setChecked(m_pSheet->m_bFinishOpenFolder);
    m_chkClose->setChecked(m_pSheet->m_bFinishClose);
    emit completeChanged();
    m_pSheet->EnableReset(false);
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
    return ResolveIconPath(m_editFile->text(), m_pSheet->m_strSavePath, m_saveFolders());
}

void CVarlenPage5::OnBrowse() {
    const QString chosen = m_chooseFile(this, ResolvedPath());
    if (chosen.isEmpty()) {
        return;
    }
    m_pSheet->m_strSavePath = FolderOf(chosen);
    m_editFile->setText(chosen);
}

bool CVarlenPage5::WriteIconFile(const QString& path) {
    const CWaitCursor wait;
    repaint();
    const std::vector<FORMAT>& formats = m_pSheet->m_aFormat;
    m_progress->setRange(0, static_cast<int>(formats.size()));
    m_progress->setValue(0);
    m_progress->show();
    m_progress->repaint();

    const EffectSettings effects = ToEffectSettings(*m_pSheet);
    CIcons icons;
    for (const FORMAT& f : formats) {
        if (f.bEnabled != 0) {
            const FormatRequest request{f.wWidth, f.wHeight, f.wBitCount};
            auto built =
                BuildFormatIcons(*m_pSheet->m_pIcon, std::span(&request, 1), m_pSheet->m_bSmoothing,
                                 effects, m_pSheet->Pool(), &m_pSheet->m_aSizePictures);
            icons.Add(std::move(built.front()));
        }
        m_progress->setValue(m_progress->value() + 1);
        m_progress->repaint();
    }
    return icons.Save(FileSystemPath(path), m_pSheet->m_bPng);
}

bool CVarlenPage5::OnWizardFinish() {
    const QString path = ResolvedPath();
    if (QFileInfo::exists(path) &&
        ShowMessage(this, {tr(kAskOverwrite), MessageIcon::kWarning, MessageButtons::kYesNo,
                           MessageAnswer::kNo}) != MessageAnswer::kYes) {
        return false;
    }
    if (!CanWriteFile(path)) {
        ShowError(this, tr(kCreateFailed));
        return false;
    }
    const bool saved = WriteIconFile(path);
    m_progress->hide();
    if (!saved) {
        ShowError(this, tr(kSaveFailed));
        return false;
    }
    ShowMessage(this,
                {tr(kCreated), MessageIcon::kInformation, MessageButtons::kOk, MessageAnswer::kOk});
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
