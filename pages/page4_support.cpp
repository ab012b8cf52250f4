// The formats page's presets and size-picture marks. Traps: the mark is part of the node's
// text only; the node's size is read from its item data, never parsed from the text. The
// texts belong to the page's translation context, so they are translated with its own.
#include "pages/page4_support.h"

#include <QCoreApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QTreeWidget>
#include <span>

#include "core/size_pictures.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"

namespace varlen {

QString PresetText(FormatPresetId id) {
    switch (id) {
        case FormatPresetId::kWin11:
            return QCoreApplication::translate(
                "varlen::CVarlenPage4", "Windows 11 アプリ (32 ビット 256 ～ 16 の 14 サイズ)(&W)");
        case FormatPresetId::kClassic:
            return QCoreApplication::translate("varlen::CVarlenPage4",
                                               "クラシック (既定の 15 フォーマット)(&C)");
        case FormatPresetId::kFavicon:
            return QCoreApplication::translate("varlen::CVarlenPage4",
                                               "ファビコン (32 ビット 48, 32, 16)(&F)");
        case FormatPresetId::kLight:
            return QCoreApplication::translate(
                "varlen::CVarlenPage4",
                "小さく軽く (32 ビット 256, 48, 32, 24, 16 と 8 ビット 32, 16)(&L)");
    }
    return {};
}

QString PresetQuestion(FormatPresetId id) {
    // The entry's text without its mnemonic: "(&W)" at the end, or the "&" inside a word.
    QString name = PresetText(id);
    name.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
    name.remove(QLatin1Char('&'));
    return QCoreApplication::translate(
               "varlen::CVarlenPage4",
               "画像フォーマットの一覧を「%1」に置き換えます。\nよろしいですか？")
        .arg(name);
}

QMenu* BuildPresetMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (std::size_t i = 0; i < kFormatPresets.size(); ++i) {
        QAction* action = menu->addAction(PresetText(kFormatPresets[i].id));
        action->setData(static_cast<int>(i));
    }
    return menu;
}

QString SizePictureMark() {
    return QCoreApplication::translate("varlen::CVarlenPage4", " [画像]");
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

std::size_t FormatSourcePixels(const CVarlenState& sheet, const FormatRequest& format) {
    if (const CIcon* own = sheet.m_aSizePictures.Find(format.width, format.height)) {
        return own->PixelCount();
    }
    return sheet.m_pIcon->PixelCount();
}

std::unique_ptr<CIcon> BuildSheetFormat(const CVarlenState& sheet, const FormatRequest& format,
                                        bool smoothing, Workers& pool) {
    // BuildFormatIcons gives each format exactly BuildFormatIcon's image, with its rows on
    // the pool (and so counted and cancellable); BuildFormatIcon itself runs on one thread.
    return std::move(BuildFormatIcons(*sheet.m_pIcon, std::span(&format, 1), smoothing,
                                      ToEffectSettings(sheet), pool, nullptr,
                                      &sheet.m_aSizePictures)
                         .front());
}

bool RunFormatWork(QWidget* parent, CVarlenState& sheet, std::size_t pixels, const QString& label,
                   const std::function<void()>& work) {
    const CWaitCursor wait;
    if (pixels < kBackgroundFromPixels) {
        work();
        return true;
    }
    return RunInBackground(parent, sheet.Pool(), label, work, true, sheet.m_backgroundPacing);
}

}  // namespace varlen
