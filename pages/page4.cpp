// The formats page. Contract:
// - The tree always holds the four depth nodes (4, 8, 24, 32 bits, in that order, no check
//   box, item data = the depth); their children are the sizes of m_aFormat in list order,
//   text "W x H", item data W | H << 16, ticked = selected. A record whose depth matches no
//   node, or whose side lies outside 1 ... 512 (a damaged store), is left out, and so
//   leaves m_aFormat at the next SaveFormats.
// - Within a depth the sizes stand in descending order of the key W * 256 + H; AddSizeOf
//   walks the children to the first key <= the new one and inserts before it, or refuses an
//   equal key. The duplicate test is only sound because every list this page writes keeps
//   that order.
// - Commands act on the target: the right-clicked item while its context menu command
//   runs, else the item with the caret. After a menu command the caret goes back to the
//   item that had it, if that item still exists.
// - Preview, Copy and Export build the format from the sheet's picture with the smoothing
//   box's current state (not m_bSmoothing, which only Next stores), and from the size's own
//   picture where the sheet holds one (m_aSizePictures, marked on every node of that size).
// - That build and the view's preview run in the background for large pictures; a cancel
//   opens no window, leaves the clipboard as it was, writes no file; a cancelled view
//   preview leaves the view empty.
// - A preset replaces the whole tree only after the user said yes; the sizes' own pictures
//   stay, they belong to sizes, not to the list.
// Traps:
// - Qt's tree has no "drop highlight" on right click, so the right-clicked item is held in
//   m_pMenuTarget for the duration of the command.
// - The sheet is destroyed before its child pages; it calls OnDestroy first, and only a
//   page whose tree has been filled may write it back (an unvisited page has an empty tree).
// - The view holds a non-owning pointer to m_pPreview: it is cleared before the image goes.
#include "pages/page4.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "core/format.h"
#include "core/pipeline.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/clipboard_copy.h"
#include "gui/dialog_units.h"
#include "gui/file_manager.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"
#include "io/loaders.h"
#include "pages/export_dialog.h"
#include "pages/icon_preview_wnd.h"
#include "pages/icon_size_dialog.h"
#include "pages/page1_support.h"
#include "pages/page4_support.h"
#include "pages/windows_view_dialog.h"

namespace varlen {

namespace {

const char* const kPreparingView =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage4", "プレビューを作成しています...");
const char* const kBuildingPreview =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage4", "プレビューするフォーマットを作成しています...");
const char* const kBuildingCopy =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage4", "コピーするフォーマットを作成しています...");

unsigned ItemData(const QTreeWidgetItem* item) {
    return item->data(0, Qt::UserRole).toUInt();
}

int WidthOf(const QTreeWidgetItem* item) {
    return static_cast<int>(ItemData(item) & 0xFFFFu);
}

int HeightOf(const QTreeWidgetItem* item) {
    return static_cast<int>(ItemData(item) >> 16);
}

int SizeKey(int width, int height) {
    return width * 256 + height;
}

bool IsSizeNode(const QTreeWidgetItem* item) {
    return item != nullptr && item->parent() != nullptr;
}

std::unique_ptr<QTreeWidgetItem> MakeSizeNode(int width, int height, bool checked) {
    auto item = std::make_unique<QTreeWidgetItem>();
    item->setText(0, CVarlenPage4::SizeText(width, height));
    item->setData(
        0, Qt::UserRole,
        static_cast<unsigned>(width & 0xFFFF) | (static_cast<unsigned>(height & 0xFFFF) << 16));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

}  // namespace

// Rows of one fixed height, whatever the font and the style.
class FixedRowDelegate : public QStyledItemDelegate {
  public:
    FixedRowDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_height);
    }

  private:
    int m_height;
};

CCheckTreeCtrl::CCheckTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setItemDelegate(new FixedRowDelegate(kRowHeight, this));
    setUniformRowHeights(true);
}

void CCheckTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CCheckTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CCheckTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        const QTreeWidgetItem* item = currentItem();
        if (item == nullptr || (item->flags() & Qt::ItemIsUserCheckable) == 0) {
            event->accept();
            return;
        }
    }
    QTreeWidget::keyPressEvent(event);
}

void CCheckTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    emit menuRequested(keyboard ? nullptr : itemAt(event->pos()), event->pos(), keyboard);
    event->accept();
}

CVarlenPage4::CVarlenPage4(CVarlenState* sheet, QWidget* parent)
    : CVarlenPage(sheet, 4, tr("画像フォーマット"),
                  tr("アイコンファイルに複数のサイズを含めることができます。\n含める画"
                     "像フォーマットにチェックを入れてください。\nアイコンファイルを "
                     "Windows 2000 で使用する場合は、10種類以下にして下さい。"),
                  parent) {
    m_treeFormat = new CCheckTreeCtrl(this);
    m_treeFormat->setHeaderHidden(true);
    m_treeFormat->setColumnCount(1);
    m_treeFormat->setRootIsDecorated(true);
    m_treeFormat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_treeFormat->setSelectionMode(QAbstractItemView::SingleSelection);

    m_btnPreview = new QPushButton(tr("プレビュー(&P)"), this);
    m_btnCopy = new QPushButton(tr("コピー(&C)"), this);
    m_btnExport = new QPushButton(tr("エクスポート(&E)..."), this);
    m_btnAdd = new QPushButton(tr("追加(&A)..."), this);
    m_btnDelete = new QPushButton(tr("削除(&D)..."), this);
    m_btnWindowsView = new QPushButton(tr("Windows での表示(&W)..."), this);
    m_chkSmoothing = new QCheckBox(tr("画像のスムージング処理を有効にする(&S)"), this);
    m_chkSmoothing->setChecked(true);
    m_wndIcon = new CIconWnd(this);
    m_wndIcon->SetMode(0);
    m_btnPresets = new QPushButton(tr("プリセット(&T)"), this);
    m_btnPresets->setToolTip(tr("よく使われるサイズの組み合わせで一覧を置き換えます。"));
    m_pPresetMenu = BuildPresetMenu(this);
    m_btnPresets->setMenu(m_pPresetMenu);
    connect(m_pPresetMenu, &QMenu::triggered, this, &CVarlenPage4::OnPresetChosen);
    m_btnSizePicture = new QPushButton(tr("サイズ別の画像(&G)"), this);
    m_btnSizePicture->setToolTip(
        tr("選んだサイズだけ、縮小の代わりに手描きの画像などを使います。"));
    m_pSizePictureMenu = new QMenu(this);
    for (const auto& [text, id] : {std::pair{tr("このサイズに画像を使う(&U)..."), kIdSizePicture},
                                   std::pair{tr("元の画像に戻す(&M)"), kIdMainPicture}}) {
        QAction* action = m_pSizePictureMenu->addAction(text);
        const int command = id;
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
    m_btnSizePicture->setMenu(m_pSizePictureMenu);
    m_chooseFile = [](QWidget* owner, const QString& folder) {
        const std::unique_ptr<QFileDialog> dialog = BuildOpenDialog(owner, folder);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog->selectedFiles().constFirst();
    };

    for (const auto& [button, id] :
         {std::pair{m_btnPreview, kIdPreview}, std::pair{m_btnCopy, kIdCopy},
          std::pair{m_btnExport, kIdExport}, std::pair{m_btnAdd, kIdAdd},
          std::pair{m_btnDelete, kIdDelete}, std::pair{m_btnWindowsView, kIdWindowsView}}) {
        const int command = id;
        connect(button, &QPushButton::clicked, this, [this, command] { OnCommand(command); });
    }
    connect(m_treeFormat, &QTreeWidget::currentItemChanged, this, &CVarlenPage4::UpdateButtons);
    connect(m_treeFormat, &QTreeWidget::itemDoubleClicked, this,
            &CVarlenPage4::OnItemDoubleClicked);
    connect(m_treeFormat, &CCheckTreeCtrl::menuRequested, this, &CVarlenPage4::OnTreeContextMenu);

    // Layout: tree with the button column at its right and the smoothing box below them;
    // the square view at the right of the page.
    const DialogUnits du(fontMetrics());
    const int treeWidth =
        std::max(du.X(114), fontMetrics().horizontalAdvance(DepthText(32)) +
                                m_treeFormat->indentation() + fontMetrics().height() * 3);
    m_treeFormat->setFixedSize(treeWidth, du.Y(114));
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(du.Y(4));
    buttons->addWidget(m_btnPreview);
    buttons->addWidget(m_btnCopy);
    buttons->addWidget(m_btnExport);
    buttons->addSpacing(du.Y(8));
    buttons->addWidget(m_btnAdd);
    buttons->addWidget(m_btnDelete);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->setSpacing(du.X(4));
    top->addWidget(m_treeFormat);
    top->addLayout(buttons);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addSpacing(du.Y(4));
    auto* lists = new QHBoxLayout;
    lists->setSpacing(du.X(4));
    lists->addWidget(m_btnPresets);
    lists->addWidget(m_btnSizePicture);
    lists->addStretch(1);
    column->addLayout(lists);
    column->addSpacing(du.Y(4));
    column->addWidget(m_chkSmoothing);
    column->addSpacing(du.Y(4));
    // Below the check box, so that its text does not widen the button column (and with it
    // the column every page shares).
    column->addWidget(m_btnWindowsView, 0, Qt::AlignLeft);
    column->addStretch(1);
    auto* left = new QWidget(this);
    left->setLayout(column);
    LayOutBesideView(left, m_wndIcon);

    setTabOrder(m_treeFormat, m_btnPreview);
    setTabOrder(m_btnPreview, m_btnCopy);
    setTabOrder(m_btnCopy, m_btnExport);
    setTabOrder(m_btnExport, m_btnAdd);
    setTabOrder(m_btnAdd, m_btnDelete);
    setTabOrder(m_btnDelete, m_btnPresets);
    setTabOrder(m_btnPresets, m_btnSizePicture);
    setTabOrder(m_btnSizePicture, m_chkSmoothing);
    setTabOrder(m_chkSmoothing, m_btnWindowsView);
    UpdateButtons();
}

CVarlenPage4::~CVarlenPage4() {
    m_wndIcon->SetImage(nullptr);
}

QString CVarlenPage4::DepthText(int depth) {
    switch (depth) {
        case 4:
            return tr("4 ビット (16 色)");
        case 8:
            return tr("8 ビット (256 色)");
        case 24:
            return tr("24 ビット (フルカラー)");
        case 32:
            return tr("32 ビット (フルカラー + 半透明)");
        default:
            return {};
    }
}

QString CVarlenPage4::SizeText(int width, int height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

QPushButton* CVarlenPage4::Button(int id) const {
    switch (id) {
        case kIdPreview:
            return m_btnPreview;
        case kIdCopy:
            return m_btnCopy;
        case kIdExport:
            return m_btnExport;
        case kIdAdd:
            return m_btnAdd;
        case kIdDelete:
            return m_btnDelete;
        case kIdWindowsView:
            return m_btnWindowsView;
        default:
            return nullptr;
    }
}

void CVarlenPage4::OnSetActive() {
    CWaitCursor wait;
    ReleasePreview();
    FillTree(FormatsForUse(*m_pSheet));
    m_bFilled = true;
    m_chkSmoothing->setChecked(m_pSheet->m_bSmoothing);
    m_pSheet->EnableReset(!m_pSheet->m_aSizePictures.Empty());
    // The page is complete before its view's preview is made, which may take a while.
    ShowViewPreview();
}

void CVarlenPage4::ShowViewPreview() {
    const CIcon& working = *m_pSheet->m_pIcon;
    const EffectSettings effects = ToEffectSettings(*m_pSheet);
    std::unique_ptr<CIcon> preview;
    if (working.PixelCount() < kBackgroundFromPixels) {
        preview = BuildViewPreview(working, effects);
    } else {
        Workers& pool = m_pSheet->Pool();
        if (!RunInBackground(
                this, pool, tr(kPreparingView),
                [&] { preview = BuildViewPreview(working, effects, pool); }, true,
                m_pSheet->m_backgroundPacing)) {
            return;  // cancelled: the view stays empty, the page works as ever
        }
    }
    m_pPreview = std::move(preview);
    m_wndIcon->SetImage(m_pPreview.get());
}

void CVarlenPage4::FillTree(std::span<const FORMAT> formats) {
    m_treeFormat->clear();
    for (int depth : kFormatDepths) {
        auto node = std::make_unique<QTreeWidgetItem>();
        node->setText(0, DepthText(depth));
        node->setData(0, Qt::UserRole, static_cast<unsigned>(depth));
        node->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        m_treeFormat->addTopLevelItem(node.release());
    }
    for (const FORMAT& format : formats) {
        for (int i = 0; i < m_treeFormat->topLevelItemCount(); ++i) {
            QTreeWidgetItem* node = m_treeFormat->topLevelItem(i);
            if ((ItemData(node) & 0xFFFFu) == format.wBitCount) {
                node->addChild(
                    MakeSizeNode(format.wWidth, format.wHeight, format.bEnabled != 0).release());
                node->setExpanded(true);
                break;
            }
        }
    }
    m_treeFormat->setCurrentItem(m_treeFormat->topLevelItem(0));
    ShowSizePictures(*m_treeFormat, m_pSheet->m_aSizePictures);
    UpdateButtons();
}

void CVarlenPage4::OnPresetChosen(const QAction* action) {
    const int index = action->data().toInt();
    if (index >= 0 && static_cast<std::size_t>(index) < kFormatPresets.size()) {
        ApplyPreset(kFormatPresets[static_cast<std::size_t>(index)]);
    }
}

bool CVarlenPage4::ApplyPreset(const FormatPreset& preset) {
    if (ShowMessage(this, {PresetQuestion(preset.id), MessageIcon::kQuestion,
                           MessageButtons::kYesNo, MessageAnswer::kYes, tr("プリセット")}) !=
        MessageAnswer::kYes) {
        return false;
    }
    FillTree(preset.formats);
    return true;
}

void CVarlenPage4::OnReset() {
    m_pSheet->m_aSizePictures.Clear();
    ShowSizePictureState();
}

void CVarlenPage4::ShowSizePictureState() {
    ShowSizePictures(*m_treeFormat, m_pSheet->m_aSizePictures);
    UpdateButtons();
    m_pSheet->EnableReset(!m_pSheet->m_aSizePictures.Empty());
}

void CVarlenPage4::UseSizePicture() {
    const QTreeWidgetItem* target = TargetItem();
    if (!IsSizeNode(target)) {
        return;
    }
    const int width = WidthOf(target);
    const int height = HeightOf(target);
    const QString path = m_chooseFile(this, m_pSheet->m_strOpenPath);
    if (path.isEmpty()) {
        return;
    }
    std::unique_ptr<CIcon> picture;
    {
        CWaitCursor wait;
        picture = FromFile(FileSystemPath(path));
    }
    if (!picture) {
        ShowError(this, OpenFailedText());
        return;
    }
    m_pSheet->m_aSizePictures.Set(width, height, std::move(picture),
                                  QDir::toNativeSeparators(path).toStdString());
    ShowSizePictureState();
}

void CVarlenPage4::UseMainPicture() {
    const QTreeWidgetItem* target = TargetItem();
    if (IsSizeNode(target) && m_pSheet->m_aSizePictures.Remove(WidthOf(target), HeightOf(target))) {
        ShowSizePictureState();
    }
}

bool CVarlenPage4::OnWizardNext() {
    {
        // Not over the message below.
        const CWaitCursor wait;
        SaveFormats();
    }
    const auto& formats = m_pSheet->m_aFormat;
    if (std::none_of(formats.begin(), formats.end(),
                     [](const FORMAT& f) { return f.bEnabled != 0; })) {
        ShowMessage(this, {tr("最低でも１つ以上の画像フォーマットを選択する必要があります。"),
                           MessageIcon::kWarning, MessageButtons::kOk, MessageAnswer::kOk});
        return false;
    }
    const CWaitCursor wait;
    ReleasePreview();
    m_pSheet->m_bSmoothing = m_chkSmoothing->isChecked();
    m_pSheet->EnableReset(true);
    return true;
}

void CVarlenPage4::OnWizardBack() {
    CWaitCursor wait;
    SaveFormats();
    ReleasePreview();
    m_pSheet->EnableReset(true);
}

void CVarlenPage4::OnDestroy() {
    if (m_bFilled) {
        SaveFormats();
    }
}

void CVarlenPage4::ReleasePreview() {
    m_wndIcon->SetImage(nullptr);
    m_pPreview.reset();
}

void CVarlenPage4::SaveFormats() {
    std::vector<FORMAT>& formats = m_pSheet->m_aFormat;
    formats.clear();
    for (int i = 0; i < m_treeFormat->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* node = m_treeFormat->topLevelItem(i);
        const auto depth = static_cast<std::uint16_t>(ItemData(node));
        for (int j = 0; j < node->childCount(); ++j) {
            const QTreeWidgetItem* size = node->child(j);
            FORMAT format;
            format.bEnabled = size->checkState(0) == Qt::Checked ? 1 : 0;
            format.wBitCount = depth;
            format.wWidth = static_cast<std::uint16_t>(WidthOf(size));
            format.wHeight = static_cast<std::uint16_t>(HeightOf(size));
            format.wReserved = 0;
            formats.push_back(format);
        }
    }
}

void CVarlenPage4::UpdateButtons() {
    const QTreeWidgetItem* current = m_treeFormat->currentItem();
    const bool size = IsSizeNode(current);
    for (QPushButton* button :
         {m_btnPreview, m_btnExport, m_btnCopy, m_btnDelete, m_btnSizePicture}) {
        button->setEnabled(size);
    }
    const bool own = size && m_pSheet->m_aSizePictures.Find(WidthOf(current), HeightOf(current));
    for (QAction* action : m_pSizePictureMenu->actions()) {
        action->setEnabled(size && (action->data().toInt() != kIdMainPicture || own));
    }
}

QTreeWidgetItem* CVarlenPage4::TargetItem() const {
    return m_pMenuTarget != nullptr ? m_pMenuTarget : m_treeFormat->currentItem();
}

void CVarlenPage4::OnCommand(int id) {
    switch (id) {
        case kIdPreview:
            Preview();
            break;
        case kIdCopy:
            Copy();
            break;
        case kIdExport:
            Export();
            break;
        case kIdAdd:
            AddSize();
            break;
        case kIdDelete:
            DeleteSize();
            break;
        case kIdWindowsView:
            ShowWindowsView();
            break;
        case kIdSizePicture:
            UseSizePicture();
            break;
        case kIdMainPicture:
            UseMainPicture();
            break;
        default:
            break;
    }
}

void CVarlenPage4::AddSize() {
    CIconSizeDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    AddSizeOf(dialog.m_nWidth, dialog.m_nHeight);
}

bool CVarlenPage4::AddSizeOf(int width, int height) {
    QTreeWidgetItem* target = TargetItem();
    if (target == nullptr) {
        return false;
    }
    QTreeWidgetItem* node = target->parent() != nullptr ? target->parent() : target;
    QTreeWidgetItem* added = InsertSize(node, width, height);
    if (added == nullptr) {
        ShowMessage(this, {tr("そのサイズは既にリストにあります。"), MessageIcon::kWarning,
                           MessageButtons::kOk, MessageAnswer::kOk});
        return false;
    }
    m_treeFormat->setCurrentItem(added);
    m_treeFormat->scrollToItem(added);
    ShowSizePictures(*m_treeFormat, m_pSheet->m_aSizePictures);
    return true;
}

QTreeWidgetItem* CVarlenPage4::InsertSize(QTreeWidgetItem* node, int width, int height) {
    const int key = SizeKey(width, height);
    int at = node->childCount();
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* child = node->child(i);
        const int childKey = SizeKey(WidthOf(child), HeightOf(child));
        if (childKey <= key) {
            if (childKey == key) {
                return nullptr;
            }
            at = i;
            break;
        }
    }
    std::unique_ptr<QTreeWidgetItem> item = MakeSizeNode(width, height, true);
    QTreeWidgetItem* added = item.get();
    node->insertChild(at, item.release());
    node->setExpanded(true);
    return added;
}

std::vector<IconEntryShape> CVarlenPage4::TickedShapes() const {
    std::vector<IconEntryShape> shapes;
    for (int i = 0; i < m_treeFormat->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* node = m_treeFormat->topLevelItem(i);
        for (int j = 0; j < node->childCount(); ++j) {
            const QTreeWidgetItem* size = node->child(j);
            if (size->checkState(0) == Qt::Checked) {
                shapes.push_back({WidthOf(size), HeightOf(size), static_cast<int>(ItemData(node))});
            }
        }
    }
    return shapes;
}

void CVarlenPage4::AddSidesAt32(const std::vector<int>& sides) {
    for (int i = 0; i < m_treeFormat->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = m_treeFormat->topLevelItem(i);
        if (ItemData(node) != 32) {
            continue;
        }
        for (const int side : sides) {
            if (QTreeWidgetItem* existing = InsertSize(node, side, side); existing == nullptr) {
                // Already listed: tick it, so it is in the file.
                for (int j = 0; j < node->childCount(); ++j) {
                    QTreeWidgetItem* child = node->child(j);
                    if (WidthOf(child) == side && HeightOf(child) == side) {
                        child->setCheckState(0, Qt::Checked);
                    }
                }
            }
        }
    }
    ShowSizePictures(*m_treeFormat, m_pSheet->m_aSizePictures);
}

void CVarlenPage4::ShowWindowsView() {
    CWindowsViewDialog dialog([this] { return TickedShapes(); },
                              [this](const std::vector<int>& sides) { AddSidesAt32(sides); }, this);
    dialog.exec();
}

void CVarlenPage4::DeleteSize() {
    QTreeWidgetItem* target = TargetItem();
    if (!IsSizeNode(target)) {
        return;
    }
    QTreeWidgetItem* node = target->parent();
    const QString question = tr("%1 ビット %2 x %3 を削除します。\nよろしいですか？")
                                 .arg(ItemData(node))
                                 .arg(WidthOf(target))
                                 .arg(HeightOf(target));
    if (ShowMessage(this, {question, MessageIcon::kQuestion, MessageButtons::kYesNo,
                           MessageAnswer::kYes, tr("削除")}) != MessageAnswer::kYes) {
        return;
    }
    if (m_pMenuTarget == target) {
        m_pMenuTarget = nullptr;
    }
    const std::unique_ptr<QTreeWidgetItem> gone(node->takeChild(node->indexOfChild(target)));
}

std::optional<FormatRequest> CVarlenPage4::TargetFormat() const {
    const QTreeWidgetItem* target = TargetItem();
    if (!IsSizeNode(target)) {
        return std::nullopt;
    }
    return FormatRequest{WidthOf(target), HeightOf(target),
                         static_cast<int>(ItemData(target->parent()))};
}

std::unique_ptr<CIcon> CVarlenPage4::BuildTargetImage() const {
    const std::optional<FormatRequest> format = TargetFormat();
    if (!format) {
        return nullptr;
    }
    return BuildFormatIcon(*m_pSheet->m_pIcon, format->width, format->height, format->bpp,
                           m_chkSmoothing->isChecked(), ToEffectSettings(*m_pSheet),
                           &m_pSheet->m_aSizePictures);
}

std::unique_ptr<CIcon> CVarlenPage4::BuildTargetInBackground(const char* label) {
    const std::optional<FormatRequest> format = TargetFormat();
    if (!format) {
        return nullptr;
    }
    const bool smoothing = m_chkSmoothing->isChecked();
    Workers& pool = m_pSheet->Pool();
    std::unique_ptr<CIcon> image;
    if (!RunFormatWork(this, *m_pSheet, FormatSourcePixels(*m_pSheet, *format), tr(label),
                       [&] { image = BuildSheetFormat(*m_pSheet, *format, smoothing, pool); })) {
        return nullptr;  // cancelled
    }
    return image;
}

CIconPreviewWnd* CVarlenPage4::Preview() {
    std::unique_ptr<CIcon> image = BuildTargetInBackground(kBuildingPreview);
    if (image == nullptr) {
        return nullptr;
    }
    // Deletes itself when closed.
    auto* window = new CIconPreviewWnd(std::move(image), this);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CVarlenPage4::Copy() {
    // Only the build leaves this thread: the clipboard belongs to it.
    if (std::unique_ptr<CIcon> image = BuildTargetInBackground(kBuildingCopy)) {
        const CWaitCursor wait;
        CopyToClipboard(*image);
    }
}

void CVarlenPage4::Export() {
    if (const std::optional<FormatRequest> format = TargetFormat()) {
        ExportFormat(this, *m_pSheet, *format, m_chkSmoothing->isChecked());
    }
}

std::unique_ptr<QMenu> CVarlenPage4::BuildContextMenu(const QTreeWidgetItem* target) const {
    auto menu = std::make_unique<QMenu>();
    const bool size = IsSizeNode(target);
    const auto add = [&menu](const QString& text, int id, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setEnabled(enabled);
        return action;
    };
    QAction* preview = add(tr("プレビュー(&P)"), kIdPreview, size);
    add(tr("コピー(&C)"), kIdCopy, size);
    add(tr("エクスポート(&E)..."), kIdExport, size);
    menu->addSeparator();
    add(tr("追加(&A)..."), kIdAdd, target != nullptr);
    add(tr("削除(&D)..."), kIdDelete, size);
    menu->setDefaultAction(preview);
    return menu;
}

std::unique_ptr<QMenu> CVarlenPage4::BuildTreeMenu(const QTreeWidgetItem* target) const {
    std::unique_ptr<QMenu> menu = BuildContextMenu(target);
    const bool size = IsSizeNode(target);
    const bool own =
        size && m_pSheet->m_aSizePictures.Find(WidthOf(target), HeightOf(target)) != nullptr;
    menu->addSeparator();
    for (const QAction* entry : m_pSizePictureMenu->actions()) {
        QAction* action = menu->addAction(entry->text());
        const int id = entry->data().toInt();
        action->setData(id);
        action->setEnabled(size && (id != kIdMainPicture || own));
    }
    return menu;
}

void CVarlenPage4::RunMenuCommand(QTreeWidgetItem* target, int id) {
    QTreeWidgetItem* caret = m_treeFormat->currentItem();
    m_pMenuTarget = target;
    OnCommand(id);
    m_pMenuTarget = nullptr;
    if (caret != nullptr && Contains(caret)) {
        m_treeFormat->setCurrentItem(caret);
    }
}

bool CVarlenPage4::Contains(const QTreeWidgetItem* item) const {
    for (int i = 0; i < m_treeFormat->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* node = m_treeFormat->topLevelItem(i);
        if (node == item) {
            return true;
        }
        for (int j = 0; j < node->childCount(); ++j) {
            if (node->child(j) == item) {
                return true;
            }
        }
    }
    return false;
}

void CVarlenPage4::OnTreeContextMenu(QTreeWidgetItem* clicked, QPoint viewportPos, bool keyboard) {
    // A right click on an item targets it; otherwise the caret item is the target, and
    // from the keyboard the menu opens at that item's row.
    QTreeWidgetItem* target = clicked != nullptr ? clicked : m_treeFormat->currentItem();
    QPoint at = viewportPos;
    if (keyboard && target != nullptr) {
        const QRect r = m_treeFormat->visualItemRect(target);
        at = QPoint(r.left() + r.height() / 2, r.top() + r.height() / 2);
    }
    const std::unique_ptr<QMenu> menu = BuildTreeMenu(target);
    // While the menu is open its target is highlighted, the caret stays; afterwards the
    // highlight goes back to the caret.
    QTreeWidgetItem* caret = m_treeFormat->currentItem();
    if (target != nullptr && target != caret) {
        m_treeFormat->clearSelection();
        target->setSelected(true);
    }
    const QAction* chosen = menu->exec(m_treeFormat->viewport()->mapToGlobal(at));
    if (target != nullptr && target != caret && Contains(target)) {
        target->setSelected(false);
    }
    if (caret != nullptr && Contains(caret)) {
        caret->setSelected(true);
    }
    if (chosen != nullptr && target != nullptr) {
        RunMenuCommand(target, chosen->data().toInt());
    }
}

void CVarlenPage4::OnItemDoubleClicked(QTreeWidgetItem* /*item*/) {
    if (IsSizeNode(m_treeFormat->currentItem())) {
        QMetaObject::invokeMethod(
            this, [this] { OnCommand(kIdPreview); }, Qt::QueuedConnection);
    }
}

}  // namespace varlen
