// The source page.
//
// Contract: while the page is shown the sheet's m_pIcon is the unplaced picture and the
// view holds the placement; the sheet's m_rcSource is written at start, on Next and on
// reset, m_bMirror and m_nRotation on Next and on reset. Next renders the placed square
// (always smoothed) into a new picture that becomes m_pIcon and keeps the unplaced one in
// m_pOriginal; coming back puts it back, so Next, Back, Next renders from the same picture
// every time. Loaders and the placement live in io and core; the page only gathers their
// parameters and shows the messages of a failed open, paste or drop.
//
// Traps:
// - The view only points at the picture. On Next the unplaced picture moves into
//   m_pOriginal, so the view's pointer stays valid while later pages are shown.
// - The size and rotation fields act on every change of their text, also the page's own:
//   writing the side back is harmless (the same square), and writing the rotation with one
//   decimal leaves the view at the value shown.
// - The size field limits typed text to 6 characters, but the page's own "%d x %d" text is
//   longer, so the limit is a validator of edits rather than QLineEdit's maximum length
//   (which would cut the page's text).
// - A zoomed-out square can ask for a huge picture; Next refuses squares above
//   PlacementLimit before allocating anything.
// - Next renders in the background (the picture is only read meanwhile, and every input is
//   refused); a cancel keeps the page as it was.
// - The command-line picture is read at the first activation, because the sheet receives
//   its path after it has been constructed. When it cannot be opened the user hears the
//   Open button's message, and the clipboard's picture is taken as when no path was given.
// - Back keeps the placed picture the later pages worked on (page 2 marks it in place);
//   Next with the same picture and the same placement, mirror, rotation and background hands
//   that one on instead of placing again. Every new picture or reset drops it.
#include "pages/page1.h"
#include "gui/dialog_units.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <filesystem>

#include "core/placement.h"
#include "gui/background_work.h"
#include "gui/clipboard_adapter.h"
#include "gui/controls.h"
#include "gui/file_manager.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "gui/up_down.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"
#include "io/loaders.h"
#include "pages/page1_support.h"

namespace varlen {

namespace {

constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr int kMaxTypedSize = 6;

const char* const kHelpText = QT_TRANSLATE_NOOP(
    "varlen::CVarlenPage1",
    "画像を左ボタンドラッグで移動、[Ctrl]キー+左ボタンドラッグで回転、右ボタンドラッグで拡大縮"
    "小できます。\nここでの画像はスムージング処理されていませんので、表示が荒く見える場合がありま"
    "す。実際に作成されるアイコンは、画像フォーマット選択時にプレビューで確認できます。");
const char* const kPasteFailed =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage1",
                      "クリップボードが開けません。\n画像ではないか、対応していない形式です。");
const char* const kDropFailed = QT_TRANSLATE_NOOP(
    "varlen::CVarlenPage1", "ドロップできません。\n画像ではないか、対応していない形式です。");
const char* const kPlacing = QT_TRANSLATE_NOOP("varlen::CVarlenPage1", "画像を配置しています...");
const char* const kTooLarge = QT_TRANSLATE_NOOP(
    "varlen::CVarlenPage1", "配置した画像が大きすぎます。\nサイズを %1 以下にしてください。");

// Refuses edits that leave more than a number of characters; text set by the program is
// not checked.
class TypedLengthValidator : public QValidator {
  public:
    TypedLengthValidator(int length, QObject* parent) : QValidator(parent), m_length(length) {}
    State validate(QString& input, int& /*pos*/) const override {
        return input.size() <= m_length ? Acceptable : Invalid;
    }

  private:
    int m_length;
};

QString AskForPicture(QWidget* parent, const QString& folder) {
    const std::unique_ptr<QFileDialog> dialog = BuildOpenDialog(parent, folder);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return dialog->selectedFiles().constFirst();
}

std::optional<ColorRef> AskForColor(QWidget* parent, ColorRef colour) {
    const QColor chosen = QColorDialog::getColor(ColorOf(colour), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return ColorRefOf(chosen);
}

// The width of a line edit that shows sample without scrolling.
int FieldWidthFor(const QLineEdit& edit, const QString& sample) {
    const QMargins m = edit.textMargins();
    return edit.fontMetrics().horizontalAdvance(sample) + m.left() + m.right() +
           edit.fontMetrics().averageCharWidth() * 2;
}

QHBoxLayout* FieldWithArrows(QWidget* field, CUpDown* arrows) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(field, 1);
    row->addWidget(arrows);
    arrows->SetBuddy(field);
    return row;
}

}  // namespace

CVarlenPage1::CVarlenPage1(CVarlenState* sheet, QWidget* parent)
    : CVarlenPage(sheet, 1, tr("画像を開く"),
                  tr("アイコンに使用する画像を用意します。\n画像をファイルから開くか、クリップボー"
                     "ドから貼り付けるか、\nまたはウィンドウ上にドロップしてください。\n "),
                  parent),
      m_chooseFile(AskForPicture),
      m_chooseColor(AskForColor) {
    BuildControls();
    ConnectControls();
    m_wndIcon->SetMode(CIconWnd::ICONWND_MOVE | CIconWnd::ICONWND_ZOOM | CIconWnd::ICONWND_ROTATE);
    UpdatePasteButton();
}

CVarlenPage1::~CVarlenPage1() = default;

void CVarlenPage1::BuildControls() {
    const DialogUnits du(fontMetrics());
    m_btnOpen = new QPushButton(tr("ファイルから開く(&O)..."), this);
    m_btnPaste = new QPushButton(tr("クリップボードから貼り付け(&P)"), this);
    m_btnPaste->setEnabled(false);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* help = new QLabel(tr(kHelpText), this);
    help->setWordWrap(true);
    help->setTextFormat(Qt::PlainText);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_editSize = new CSizeEdit(this);
    m_editSize->setValidator(new TypedLengthValidator(kMaxTypedSize, m_editSize));
    m_editSize->setMinimumWidth(FieldWidthFor(*m_editSize, QStringLiteral("00000 x 00000")));
    m_spinSize = new CUpDown(this);
    m_editRotation = new CRotationEdit(this);
    m_editRotation->setMinimumWidth(FieldWidthFor(*m_editRotation, QStringLiteral("000.00")));
    m_spinRotation = new CUpDown(this);
    auto* sizeLabel = new QLabel(tr("サイズ(&S):"), this);
    sizeLabel->setBuddy(m_editSize);
    auto* rotationLabel = new QLabel(tr("回転(&R):"), this);
    rotationLabel->setBuddy(m_editRotation);
    m_chkMirror = new QCheckBox(tr("左右反転(&V)"), this);
    m_chkNoMargin = new QCheckBox(tr("余白なし(&N)"), this);
    m_chkBackground = new QCheckBox(tr("背景色(&C):"), this);
    m_btnColor = new CColorButton(this);
    m_btnColor->setMinimumHeight(du.Y(14));
    m_wndIcon = new CIconWnd(this);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(du.X(4));
    grid->setVerticalSpacing(du.Y(3));
    grid->addWidget(sizeLabel, 0, 0);
    grid->addLayout(FieldWithArrows(m_editSize, m_spinSize), 0, 1);
    grid->addWidget(rotationLabel, 0, 2);
    grid->addLayout(FieldWithArrows(m_editRotation, m_spinRotation), 0, 3);
    grid->addWidget(m_chkMirror, 1, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_chkBackground, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_btnColor, 1, 3);
    grid->addWidget(m_chkNoMargin, 2, 0, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 54);
    grid->setColumnStretch(3, 42);

    auto* column = new QVBoxLayout;
    column->setSpacing(du.Y(4));
    column->addWidget(m_btnOpen);
    column->addWidget(m_btnPaste);
    column->addWidget(line);
    column->addWidget(help);
    column->addLayout(grid);
    column->addStretch(1);

    auto* left = new QWidget(this);
    left->setLayout(column);
    column->setContentsMargins(0, 0, 0, 0);
    LayOutBesideView(left, m_wndIcon);

    setTabOrder(m_btnOpen, m_btnPaste);
    setTabOrder(m_btnPaste, m_editSize);
    setTabOrder(m_editSize, m_editRotation);
    setTabOrder(m_editRotation, m_chkMirror);
    setTabOrder(m_chkMirror, m_chkNoMargin);
    setTabOrder(m_chkNoMargin, m_chkBackground);
    setTabOrder(m_chkBackground, m_btnColor);
}

void CVarlenPage1::ConnectControls() {
    connect(m_btnOpen, &QPushButton::clicked, this, &CVarlenPage1::OnOpen);
    connect(m_btnPaste, &QPushButton::clicked, this, &CVarlenPage1::OnPaste);
    connect(m_chkMirror, &QCheckBox::clicked, m_wndIcon, &CIconWnd::SetMirror);
    connect(m_chkNoMargin, &QCheckBox::clicked, this, &CVarlenPage1::OnNoMargin);
    connect(m_chkBackground, &QCheckBox::clicked, this, &CVarlenPage1::OnBackground);
    connect(m_btnColor, &QPushButton::clicked, this, &CVarlenPage1::OnColor);
    connect(m_editSize, &QLineEdit::textChanged, this, &CVarlenPage1::OnSizeText);
    connect(m_editRotation, &QLineEdit::textChanged, this, &CVarlenPage1::OnRotationText);
    connect(m_spinSize, &CUpDown::deltaPos, this, &CVarlenPage1::OnSizeStep);
    connect(m_spinRotation, &CUpDown::deltaPos, this, &CVarlenPage1::OnRotationStep);
    connect(m_wndIcon, &CIconWnd::moved, this, &CVarlenPage1::ShowSize);
    connect(m_wndIcon, &CIconWnd::zoomed, this, &CVarlenPage1::ShowSize);
    connect(m_wndIcon, &CIconWnd::rotated, this, &CVarlenPage1::ShowRotation);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CVarlenPage1::UpdatePasteButton);
}

void CVarlenPage1::UpdatePasteButton() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    m_btnPaste->setEnabled(mime != nullptr && OffersPicture(*mime));
}

bool CVarlenPage1::LoadFile(const QString& path) {
    std::unique_ptr<CIcon> picture = FromFile(FileSystemPath(path));
    if (!picture) {
        return false;
    }
    m_pSheet->m_strIconFile = IconFileFor(path);
    m_pSheet->m_strPictureFile = QFileInfo(path).absoluteFilePath();
    ShowNewPicture(std::move(picture));
    return true;
}

bool CVarlenPage1::LoadDataObject(const QMimeData& mime) {
    if (OffersFiles(mime)) {
        const QStringList paths = FilePathsOf(mime);
        return std::any_of(paths.begin(), paths.end(),
                           [this](const QString& path) { return LoadFile(path); });
    }
    std::unique_ptr<CIcon> picture = FromDataObject(MimeDataSource(mime));
    if (!picture) {
        return false;
    }
    m_pSheet->m_strIconFile.clear();
    m_pSheet->m_strPictureFile.clear();
    ShowNewPicture(std::move(picture));
    return true;
}

void CVarlenPage1::ShowNewPicture(std::unique_ptr<CIcon> picture) {
    m_pPlaced.reset();
    m_pSheet->m_bPictureLoaded = true;
    m_pSheet->m_pIcon = std::move(picture);
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    m_wndIcon->SetRotation(0);
    ShowSize();
    ShowRotation();
    EnableFields(true);
}

void CVarlenPage1::ShowSize() {
    m_editSize->SetValue(m_wndIcon->GetSourceRect().Width());
    m_editSize->repaint();
}

void CVarlenPage1::ShowRotation() {
    m_editRotation->SetValue(m_wndIcon->GetRotation());
    m_editRotation->repaint();
}

void CVarlenPage1::EnableFields(bool enable) {
    for (QWidget* w :
         {static_cast<QWidget*>(m_editSize), static_cast<QWidget*>(m_spinSize),
          static_cast<QWidget*>(m_editRotation), static_cast<QWidget*>(m_spinRotation)}) {
        w->setEnabled(enable);
    }
}

void CVarlenPage1::OnOpen() {
    const QString path = m_chooseFile(this, m_pSheet->m_strOpenPath);
    if (path.isEmpty()) {
        return;
    }
    bool loaded = false;
    {
        const CWaitCursor wait;
        m_pSheet->m_strOpenPath = FolderOf(path);
        loaded = LoadFile(path);
    }
    if (!loaded) {
        ShowError(this, OpenFailedText());
    }
}

void CVarlenPage1::OnPaste() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    bool loaded = false;
    if (mime != nullptr) {
        const CWaitCursor wait;
        loaded = LoadDataObject(*mime);
    }
    if (!loaded) {
        ShowError(this, tr(kPasteFailed));
    }
}

bool CVarlenPage1::CanDrop(const QMimeData& mime) const {
    return OffersPicture(mime);
}

bool CVarlenPage1::OnDrop(const QMimeData& mime) {
    bool loaded = false;
    {
        const CWaitCursor wait;
        loaded = LoadDataObject(mime);
    }
    if (!loaded) {
        ShowError(this, tr(kDropFailed));
    }
    return loaded;
}

void CVarlenPage1::OnSizeText() {
    m_wndIcon->SetSourceRect(SquareAround(m_wndIcon->GetSourceRect(), m_editSize->GetValue()));
}

void CVarlenPage1::OnSizeStep(int delta) {
    m_wndIcon->SetSourceRect(Inflated(m_wndIcon->GetSourceRect(), -delta));
    ShowSize();
}

void CVarlenPage1::OnRotationText() {
    m_wndIcon->SetRotation(m_editRotation->GetValue());
}

void CVarlenPage1::OnRotationStep(int delta) {
    m_wndIcon->SetRotation(m_wndIcon->GetRotation() - (delta * 1000) / 10);
    ShowRotation();
}

void CVarlenPage1::OnNoMargin(bool checked) {
    m_pSheet->m_bNoMargin = checked;
    m_wndIcon->SetNoMargin(checked);
    ShowSize();
}

void CVarlenPage1::OnBackground(bool checked) {
    m_pSheet->m_bBackground = checked;
    m_btnColor->setEnabled(checked);
    m_wndIcon->SetBackground(m_pSheet->m_bBackground, m_pSheet->m_crBackground);
}

void CVarlenPage1::OnColor() {
    const std::optional<ColorRef> colour = m_chooseColor(this, m_btnColor->GetColor());
    if (!colour) {
        return;
    }
    m_pSheet->m_crBackground = *colour;
    m_btnColor->SetColor(*colour);
    m_wndIcon->SetBackground(m_pSheet->m_bBackground, m_pSheet->m_crBackground);
}

void CVarlenPage1::OnReset() {
    m_pPlaced.reset();
    m_pSheet->m_bPictureLoaded = false;
    m_pSheet->m_pIcon = CreateIcon(512, 512, 32);
    m_pSheet->m_strPictureFile.clear();
    m_pSheet->m_bMirror = false;
    m_pSheet->m_nRotation = 0;
    m_pSheet->m_bNoMargin = false;
    m_pSheet->m_bBackground = false;
    m_pSheet->m_crBackground = kWhite;
    m_wndIcon->SetMirror(false);
    m_wndIcon->SetRotation(0);
    m_wndIcon->SetNoMargin(false);
    m_wndIcon->SetBackground(false, kWhite);
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    m_pSheet->m_rcSource = m_wndIcon->GetSourceRect();
    UpdateControls();
}

void CVarlenPage1::UpdateControls() {
    m_wndIcon->SetMirror(m_pSheet->m_bMirror);
    m_wndIcon->SetRotation(m_pSheet->m_nRotation);
    m_wndIcon->SetNoMargin(m_pSheet->m_bNoMargin);
    m_wndIcon->SetBackground(m_pSheet->m_bBackground, m_pSheet->m_crBackground);
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    m_wndIcon->SetSourceRect(m_pSheet->m_rcSource);
    ShowSize();
    ShowRotation();
    m_chkNoMargin->setChecked(m_pSheet->m_bNoMargin);
    m_chkMirror->setChecked(m_wndIcon->GetMirror());
    EnableFields(m_pSheet->m_pIcon != nullptr);
    m_chkBackground->setChecked(m_pSheet->m_bBackground);
    m_btnColor->SetColor(m_pSheet->m_crBackground);
    m_btnColor->setEnabled(m_pSheet->m_bBackground);
}

void CVarlenPage1::Startup() {
    m_bStarted = true;
    const QString& startup = m_pSheet->m_strStartupFile;
    const bool opened = !startup.isEmpty() && LoadFile(startup);
    if (!startup.isEmpty() && !opened) {
        ShowError(this, OpenFailedText());
    }
    if (!opened) {
        if (const QMimeData* mime = QApplication::clipboard()->mimeData()) {
            LoadDataObject(*mime);
        }
    }
    m_pSheet->m_rcSource = m_wndIcon->GetSourceRect();
    m_wndIcon->SetMirror(m_pSheet->m_bMirror);
    m_wndIcon->SetRotation(m_pSheet->m_nRotation);
    m_wndIcon->SetNoMargin(m_pSheet->m_bNoMargin);
    m_wndIcon->SetBackground(m_pSheet->m_bBackground, m_pSheet->m_crBackground);
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    m_pSheet->m_rcSource = m_wndIcon->GetSourceRect();
}

void CVarlenPage1::OnSetActive() {
    if (m_pOriginal) {
        m_pPlaced = std::move(m_pSheet->m_pIcon);
        m_pSheet->m_pIcon = std::move(m_pOriginal);
    }
    if (!m_bStarted) {
        Startup();
    }
    UpdateControls();
    CVarlenPage::OnSetActive();
}

bool CVarlenPage1::OnWizardNext() {
    const Rect source = m_wndIcon->GetSourceRect();
    const int limit = PlacementLimit(*m_pSheet->m_pIcon);
    if (source.Width() > limit || source.Height() > limit) {
        ShowError(this, tr(kTooLarge).arg(limit));
        return false;
    }
    const CWaitCursor wait;
    Placement placement{source, m_wndIcon->GetMirror(), m_wndIcon->GetRotation(),
                        m_chkBackground->isChecked()
                            ? std::optional<ColorRef>(m_btnColor->GetColor())
                            : std::nullopt};
    std::unique_ptr<CIcon> placed;
    if (m_pPlaced && placement == m_placed) {
        placed = std::move(m_pPlaced);
    } else {
        m_pPlaced.reset();  // its memory may be needed for the new one
        const CIcon& picture = *m_pSheet->m_pIcon;
        Workers& pool = m_pSheet->Pool();
        if (!RunInBackground(
                this, pool, tr(kPlacing),
                [&] {
                    placed = PlacePicture(picture, source, placement.mirror, placement.rotation,
                                          placement.background, pool);
                },
                true, m_pSheet->m_backgroundPacing)) {
            return false;  // cancelled: the page stays as it was
        }
        if (!placed) {
            return false;
        }
        m_placed = placement;
    }
    m_pSheet->m_rcSource = source;
    m_pSheet->m_bMirror = placement.mirror;
    m_pSheet->m_nRotation = placement.rotation;
    m_pSheet->m_bBackground = m_chkBackground->isChecked();
    m_pSheet->m_crBackground = m_btnColor->GetColor();
    // Here m_pIcon changes meaning: from the unplaced picture to the placed square. The
    // unplaced picture itself is kept (the view still shows it), not a copy.
    m_pOriginal = std::move(m_pSheet->m_pIcon);
    m_pSheet->m_pIcon = std::move(placed);
    return true;
}

}  // namespace varlen
