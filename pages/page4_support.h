// What the formats page offers beside its tree of formats: the presets menu (named lists
// that replace the tree at once), the marks of sizes that have a picture of their own, and
// the build of one format for its preview, copy and export.
// The lists themselves belong to core/format.h; only their texts are here.
// Contract: a format built here has exactly the pixels BuildFormatIcon gives, whether it is
// built at once or in the background, on one thread or many.
// Traps: the work given to RunFormatWork runs on another thread for large pictures, so it
// reads only what nobody changes meanwhile (the sheet's pictures; input is refused).
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>

#include "core/format.h"
#include "core/icon.h"
#include "core/pipeline.h"

class QMenu;
class QWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace varlen {

class CVarlenState;
class SizePictures;
class Workers;

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

// The pixels a build of format reads: those of its size's own picture where the sheet has
// one, else those of the sheet's picture.
std::size_t FormatSourcePixels(const CVarlenState& sheet, const FormatRequest& format);
// format built from the sheet's picture (or its size's own) and effects, rows spread over pool.
std::unique_ptr<CIcon> BuildSheetFormat(const CVarlenState& sheet, const FormatRequest& format,
                                        bool smoothing, Workers& pool);
// Runs work (which spreads its rows over the sheet's pool) under the wait cursor: at once for
// fewer than kBackgroundFromPixels pixels, else through RunInBackground over parent with
// label and the sheet's pacing. False when the user cancelled it.
bool RunFormatWork(QWidget* parent, CVarlenState& sheet, std::size_t pixels, const QString& label,
                   const std::function<void()>& work);

}  // namespace varlen
