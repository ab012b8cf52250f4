// The dialog of what Windows draws. Contract: see windows_view_dialog.h; the choice itself
// is core's (WindowsIconView), this only shows it.
// Traps: cells follow the surfaces' own loader (LoadIconWithScaleDown's rule); where
// LoadIcon/LoadImage would take another image the cell is marked with * and its tooltip
// says which. Sides beyond the format limit cannot be added: they are named, not offered.
#include "pages/windows_view_dialog.h"

#include <QBrush>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "pages/icon_size_dialog.h"

namespace varlen {

namespace {

const QColor kScaledUp(255, 214, 214);
const QColor kScaledDownMuch(255, 236, 196);

QString Factor(double f) {
    return QString::number(f, 'f', 2);
}

}  // namespace

QString CWindowsViewDialog::SurfaceName(const WindowsIconSurface& surface) {
    const std::string_view id = surface.id;
    if (id == "menu-titlebar-tray") {
        return tr("コンテキストメニュー、タイトルバー、通知領域");
    }
    if (id == "taskbar-search-allapps") {
        return tr("タスクバー、検索、スタートのすべてのアプリ");
    }
    if (id == "start-pins") {
        return tr("スタートのピン留め");
    }
    const QString side = QString::fromUtf8(id.substr(id.rfind('-') + 1).data(),
                                           static_cast<qsizetype>(id.size() - id.rfind('-') - 1));
    return tr("エクスプローラーの %1 の表示 (実測)").arg(side);
}

QString CWindowsViewDialog::CellText(int side, const IconEntryShape& image, const IconPick& pick) {
    const QString drawn = pick.draw == IconDraw::kExact ? QStringLiteral("=")
                          : pick.draw == IconDraw::kScaledDown
                              ? QStringLiteral("↓") + Factor(pick.factor)
                              : QStringLiteral("↑") + Factor(pick.factor);
    const QString size = image.width == image.height
                             ? QString::number(image.width)
                             : QStringLiteral("%1x%2").arg(image.width).arg(image.height);
    return QStringLiteral("%1: %2 %3").arg(side).arg(size, drawn);
}

CWindowsViewDialog::CWindowsViewDialog(ShapeSource shapes, AddSides add, QWidget* parent)
    : QDialog(parent), m_shapes(std::move(shapes)), m_add(std::move(add)) {
    setWindowTitle(tr("Windows での表示"));
    auto* intro = new QLabel(
        tr("チェックされた画像フォーマットのうち、Windows が各表示場所と拡大率で描く画像です。\n"
           "= そのまま　↓ 縮小　↑ 拡大 (ぼやけます)　* LoadIcon/LoadImage では別の画像"),
        this);
    intro->setWordWrap(true);
    m_table = new QTableWidget(static_cast<int>(kWindowsIconSurfaces.size()),
                               static_cast<int>(kWindowsScalePercents.size()), this);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    QStringList columns;
    for (const int percent : kWindowsScalePercents) {
        columns << QStringLiteral("%1 %").arg(percent);
    }
    m_table->setHorizontalHeaderLabels(columns);
    QStringList rows;
    for (const WindowsIconSurface& surface : kWindowsIconSurfaces) {
        rows << SurfaceName(surface);
    }
    m_table->setVerticalHeaderLabels(rows);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_btnAdd = new QPushButton(tr("拡大されるサイズを追加(&A)"), this);
    auto* box = new QDialogButtonBox(this);
    box->addButton(m_btnAdd, QDialogButtonBox::ActionRole);
    QPushButton* close = box->addButton(QDialogButtonBox::Close);
    close->setText(tr("閉じる"));
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_btnAdd, &QPushButton::clicked, this, &CWindowsViewDialog::OnAdd);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addWidget(box);
    Refresh();
    m_table->resizeColumnsToContents();
    m_table->setCurrentCell(-1, -1);
    // The whole table in view, without scroll bars.
    const int frame = 2 * m_table->frameWidth();
    m_table->setMinimumSize(m_table->verticalHeader()->sizeHint().width() +
                                m_table->horizontalHeader()->length() + frame,
                            m_table->horizontalHeader()->sizeHint().height() +
                                m_table->verticalHeader()->length() + frame);
}

void CWindowsViewDialog::Refresh() {
    const std::vector<IconEntryShape> shapes = m_shapes();
    const std::vector<WindowsIconCell> cells = WindowsIconView(shapes);
    int scaledUp = 0;
    int downMuch = 0;
    for (const WindowsIconCell& c : cells) {
        auto* item = new QTableWidgetItem;
        if (c.scaleDown) {
            const IconPick& pick = *c.scaleDown;
            const IconEntryShape& image = shapes[static_cast<std::size_t>(pick.entry)];
            QString text = CellText(c.side, image, pick);
            if (c.lookup && c.lookup->entry != pick.entry) {
                const IconEntryShape& other = shapes[static_cast<std::size_t>(c.lookup->entry)];
                text += QStringLiteral(" *");
                item->setToolTip(QStringLiteral("LoadIcon/LoadImage: %1")
                                     .arg(CellText(c.side, other, *c.lookup)));
            }
            item->setText(text);
            if (pick.draw == IconDraw::kScaledUp) {
                item->setBackground(QBrush(kScaledUp));
                ++scaledUp;
            } else if (IsPoorPick(pick)) {
                item->setBackground(QBrush(kScaledDownMuch));
                ++downMuch;
            }
        } else {
            item->setText(QStringLiteral("-"));
        }
        m_table->setItem(c.surface, c.scale, item);
    }

    m_aSidesToAdd = varlen::SidesToAdd(shapes, CIconSizeDialog::kMaxSide);
    const std::vector<int> up = SidesScaledUp(shapes);
    const bool beyond = !up.empty() && up.back() > CIconSizeDialog::kMaxSide;
    QString summary;
    if (shapes.empty()) {
        summary = tr("チェックされた画像フォーマットがありません。");
    } else {
        summary = tr("拡大: %1 か所、1.5 倍を超える縮小: %2 か所。").arg(scaledUp).arg(downMuch);
        if (!m_aSidesToAdd.empty()) {
            QStringList sides;
            for (const int side : m_aSidesToAdd) {
                sides << QString::number(side);
            }
            summary += QLatin1Char('\n') +
                       tr("追加するサイズ (32 ビット): %1").arg(sides.join(QStringLiteral(", ")));
        }
        if (beyond) {
            summary += QLatin1Char('\n') +
                       tr("%1 を超えるサイズは追加できません。").arg(CIconSizeDialog::kMaxSide);
        }
    }
    m_summary->setText(summary);
    m_btnAdd->setEnabled(!m_aSidesToAdd.empty());
}

void CWindowsViewDialog::OnAdd() {
    if (m_aSidesToAdd.empty()) {
        return;
    }
    m_add(m_aSidesToAdd);
    Refresh();
}

}  // namespace varlen
