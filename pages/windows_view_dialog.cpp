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
#include <QLocale>
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

QString CWindowsViewDialog::Text(const char* japanese, const char* english) {
    const QLocale::Language language = QLocale().language();
    const bool source = language == QLocale::Japanese || language == QLocale::C;
    return QString::fromUtf8(source ? japanese : english);
}

QString CWindowsViewDialog::SurfaceName(const WindowsIconSurface& surface) {
    const std::string_view id = surface.id;
    if (id == "menu-titlebar-tray") {
        return Text("コンテキストメニュー、タイトルバー、通知領域",
                    "Context menu, title bar, system tray");
    }
    if (id == "taskbar-search-allapps") {
        return Text("タスクバー、検索、スタートのすべてのアプリ",
                    "Taskbar, search, Start all-apps list");
    }
    if (id == "start-pins") {
        return Text("スタートのピン留め", "Start pins");
    }
    const QString side = QString::fromUtf8(id.substr(id.rfind('-') + 1).data(),
                                           static_cast<qsizetype>(id.size() - id.rfind('-') - 1));
    return Text("エクスプローラーの %1 の表示 (実測)", "Explorer views of %1 (measured)").arg(side);
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
    setWindowTitle(Text("Windows での表示", "How Windows draws the icon"));
    auto* intro = new QLabel(
        Text("チェックされた画像フォーマットのうち、Windows が各表示場所と拡大率で描く画像です。\n"
             "= そのまま　↓ 縮小　↑ 拡大 (ぼやけます)　* LoadIcon/LoadImage では別の画像",
             "The image Windows draws from the ticked formats on each surface at each display "
             "scale.\n= exact   ↓ scaled down   ↑ scaled up (blurred)   * LoadIcon/LoadImage "
             "take another image"),
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
    m_btnAdd = new QPushButton(
        Text("拡大されるサイズを追加(&A)", "&Add the sizes that are scaled up"), this);
    auto* box = new QDialogButtonBox(this);
    box->addButton(m_btnAdd, QDialogButtonBox::ActionRole);
    QPushButton* close = box->addButton(QDialogButtonBox::Close);
    close->setText(Text("閉じる", "Close"));
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
    m_table->setMinimumSize(
        m_table->verticalHeader()->sizeHint().width() + m_table->horizontalHeader()->length() + frame,
        m_table->horizontalHeader()->sizeHint().height() + m_table->verticalHeader()->length() +
            frame);
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
                item->setToolTip(Text("LoadIcon/LoadImage: %1", "LoadIcon/LoadImage: %1")
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
        summary = Text("チェックされた画像フォーマットがありません。", "No format is ticked.");
    } else {
        summary = Text("拡大: %1 か所、1.5 倍を超える縮小: %2 か所。",
                       "Scaled up: %1 cells; scaled down by more than 1.5 x: %2 cells.")
                      .arg(scaledUp)
                      .arg(downMuch);
        if (!m_aSidesToAdd.empty()) {
            QStringList sides;
            for (const int side : m_aSidesToAdd) {
                sides << QString::number(side);
            }
            summary += QLatin1Char('\n') +
                       Text("追加するサイズ (32 ビット): %1", "Sizes to add (32 bits): %1")
                           .arg(sides.join(QStringLiteral(", ")));
        }
        if (beyond) {
            summary += QLatin1Char('\n') + Text("%1 を超えるサイズは追加できません。",
                                                "Sizes above %1 cannot be added.")
                                               .arg(CIconSizeDialog::kMaxSide);
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
