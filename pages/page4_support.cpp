// The formats page's presets and size-picture marks. Trap: the mark is part of the node's
// text only; the node's size is read from its item data, never parsed from the text.
#include "pages/page4_support.h"

#include <QMenu>
#include <QTreeWidget>

#include "core/size_pictures.h"

namespace varlen {

QString PresetText(FormatPresetId id) {
    switch (id) {
        case FormatPresetId::kWin11:
            return QStringLiteral("Windows 11 アプリ (32 ビット 256 ～ 16 の 14 サイズ)(&W)");
        case FormatPresetId::kClassic:
            return QStringLiteral("標準 (15 種類の既定のフォーマット)(&S)");
        case FormatPresetId::kFavicon:
            return QStringLiteral("ファビコン (32 ビット 48, 32, 16)(&F)");
        case FormatPresetId::kLight:
            return QStringLiteral(
                "小さく軽く (32 ビット 256, 48, 32, 24, 16 と 8 ビット 32, 16)(&L)");
    }
    return {};
}

QString PresetQuestion(FormatPresetId id) {
    QString name = PresetText(id);
    name.truncate(name.lastIndexOf(QStringLiteral("(&")));
    return QStringLiteral("画像フォーマットの一覧を「%1」に置き換えます。\nよろしいですか？")
        .arg(name);
}

std::unique_ptr<QMenu> BuildPresetMenu() {
    auto menu = std::make_unique<QMenu>();
    for (std::size_t i = 0; i < kFormatPresets.size(); ++i) {
        QAction* action = menu->addAction(PresetText(kFormatPresets[i].id));
        action->setData(static_cast<int>(i));
    }
    return menu;
}

QString SizePictureMark() {
    return QStringLiteral(" [画像]");
}

QString SizeNodeText(int width, int height, bool ownPicture) {
    const QString text = QStringLiteral("%1 x %2").arg(width).arg(height);
    return ownPicture ? text + SizePictureMark() : text;
}

void ShowSizePictures(QTreeWidget& tree, const SizePictures& pictures) {
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tree.topLevelItem(i);
        for (int j = 0; j < node->childCount(); ++j) {
            QTreeWidgetItem* size = node->child(j);
            const unsigned data = size->data(0, Qt::UserRole).toUInt();
            const int width = static_cast<int>(data & 0xFFFFu);
            const int height = static_cast<int>(data >> 16);
            const bool own = pictures.Find(width, height) != nullptr;
            size->setText(0, SizeNodeText(width, height, own));
            size->setToolTip(
                0, own ? QString::fromStdString(pictures.Label(width, height)) : QString());
        }
    }
}

}  // namespace varlen
