// What the formats page offers beside its tree of formats: the presets menu (named lists
// that replace the tree at once) and the marks of sizes that have a picture of their own.
// The lists themselves belong to core/format.h; only their texts are here.
#pragma once

#include <QString>
#include <memory>

#include "core/format.h"

class QMenu;
class QWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace varlen {

class SizePictures;

// The menu entry of a preset, with its mnemonic.
QString PresetText(FormatPresetId id);
// The question asked before a preset replaces the list.
QString PresetQuestion(FormatPresetId id);
// One entry per preset in kFormatPresets order; each action's data is its index there.
// The menu is a child of parent.
QMenu* BuildPresetMenu(QWidget* parent);

// The mark a size node's text carries while its size has a picture of its own.
QString SizePictureMark();
// The text of a size node: "W x H", with the mark when its size has a picture.
QString SizeNodeText(int width, int height, bool ownPicture);
// Gives every size node of tree (children of the top-level nodes, item data W | H << 16)
// its text and tooltip: the mark and the picture's file path where pictures has one for
// its size, the plain text and no tooltip elsewhere.
void ShowSizePictures(QTreeWidget& tree, const SizePictures& pictures);

}  // namespace varlen
