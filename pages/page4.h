// The formats page: the list of image formats that the icon file holds, shown as a tree
// of four depth nodes with their sizes as checkable children. Sizes are added (in
// descending order, once per depth) and deleted here; any single format can be built at
// once to preview it, copy it to the clipboard or export it. Leaving the page writes the
// tree back into the sheet's m_aFormat.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "core/format.h"
#include "core/icon.h"
#include "core/icon_choice.h"
#include "core/pipeline.h"
#include "pages/varlen_page.h"

class QCheckBox;
class QMenu;
class QPushButton;

namespace varlen {

class CIconPreviewWnd;
class CIconWnd;

// A tree whose size nodes have check boxes. The space key toggles the check box of the
// current item only when it has one; on a depth node it is swallowed.
class CCheckTreeCtrl : public QTreeWidget {
    Q_OBJECT

  public:
    // Rows are kRowHeight pixels high.
    static constexpr int kRowHeight = 16;

    explicit CCheckTreeCtrl(QWidget* parent = nullptr);

  signals:
    // A context menu is asked for: by the mouse, with the item under it (null beside every
    // item) and the point in viewport coordinates; or by the keyboard (item null).
    void menuRequested(QTreeWidgetItem* clicked, QPoint viewportPos, bool keyboard);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A right press leaves the caret where it is: the menu's target is only highlighted.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class CVarlenPage4 : public CVarlenPage {
    Q_OBJECT

  public:
    // Command ids of the buttons and of the context menu's entries.
    static constexpr int kIdPreview = 1042;
    static constexpr int kIdCopy = 57634;
    static constexpr int kIdExport = 1054;
    static constexpr int kIdAdd = 1008;
    static constexpr int kIdDelete = 1009;
    static constexpr int kIdWindowsView = 1010;
    static constexpr int kIdSizePicture = 1101;  // "このサイズに画像を使う(&U)..."
    static constexpr int kIdMainPicture = 1102;  // "元の画像に戻す(&M)"

    // Asks for the picture file of a size, starting in folder; empty when cancelled.
    using FileChooser = std::function<QString(QWidget* parent, const QString& folder)>;

    CVarlenPage4(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage4() override;

    void OnSetActive() override;
    bool OnWizardNext() override;
    void OnWizardBack() override;
    // The wizard goes away while this page has been shown: its edits reach the list the
    // sheet stores.
    void OnDestroy() override;
    // Takes away every size's own picture (there is nothing else on this page to reset).
    void OnReset() override;

    // Writes the tree back into m_aFormat: depth nodes in order, their sizes in order.
    void SaveFormats();

    // Runs the command id (kId*) on the target item.
    void OnCommand(int id);
    void AddSize();
    // Inserts width x height under the target's depth in descending order, ticked and with
    // the caret; shows the duplicate message and adds nothing when the depth has it.
    // False when nothing was added.
    bool AddSizeOf(int width, int height);
    void DeleteSize();
    // The dialog of what Windows draws from the ticked formats, modal over the page.
    void ShowWindowsView();
    // The ticked formats as the loaders see them, in tree order.
    std::vector<IconEntryShape> TickedShapes() const;
    // Adds side x side at 32 bits for every side not yet there, ticked, in order.
    void AddSidesAt32(const std::vector<int>& sides);
    // Null when the window could not be made (the target is no size node, the build failed
    // or was cancelled).
    CIconPreviewWnd* Preview();
    void Copy();
    void Export();
    // The target's image at its format's size and depth, with the smoothing box's state
    // as it is now, built at once on this thread; null when the target is a depth node.
    // Preview and Copy get the same pixels from the background build.
    std::unique_ptr<CIcon> BuildTargetImage() const;
    // The target's format; none when the target is a depth node.
    std::optional<FormatRequest> TargetFormat() const;

    // Asks, then replaces the tree by the preset's list (all ticked); false when the user
    // said no.
    bool ApplyPreset(const FormatPreset& preset);
    // The target's size gets a picture of its own: a file chosen by the user, read by the
    // source page's loaders; a file that cannot be read is reported and changes nothing.
    void UseSizePicture();
    // The target's size is built from the main picture again.
    void UseMainPicture();
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The item the commands act on: the right-clicked item while its menu is open, else
    // the item with the caret.
    QTreeWidgetItem* TargetItem() const;
    // The context menu for target, not yet shown: "プレビュー(&P)" is the default entry;
    // on a depth node everything but "追加(&A)..." is disabled. Each action's data is its id.
    std::unique_ptr<QMenu> BuildContextMenu(const QTreeWidgetItem* target) const;
    // The menu the tree shows: BuildContextMenu's entries, a separator, then the size's own
    // picture: "このサイズに画像を使う(&U)..." (on size nodes) and "元の画像に戻す(&M)" (on
    // size nodes whose size has one).
    std::unique_ptr<QMenu> BuildTreeMenu(const QTreeWidgetItem* target) const;
    // What choosing id in target's context menu does: the command runs on target, then
    // the caret goes back to the item that had it, if that still exists.
    void RunMenuCommand(QTreeWidgetItem* target, int id);

    CCheckTreeCtrl* Tree() const { return m_treeFormat; }
    QPushButton* PresetsButton() const { return m_btnPresets; }
    QPushButton* SizePictureButton() const { return m_btnSizePicture; }
    QPushButton* Button(int id) const;
    QCheckBox* SmoothingBox() const { return m_chkSmoothing; }
    CIconWnd* View() const { return m_wndIcon; }
    const CIcon* PreviewImage() const { return m_pPreview.get(); }

    // Depth node texts, in tree order.
    static QString DepthText(int depth);
    static QString SizeText(int width, int height);

  private:
    void UpdateButtons();
    // Builds the view's filtered copy of the picture (in the background when large).
    void ShowViewPreview();
    // BuildTargetImage's image, in the background for large pictures with label (a
    // translation source of this page) in the progress dialog; null when cancelled.
    std::unique_ptr<CIcon> BuildTargetInBackground(const char* label);
    void FillTree(std::span<const FORMAT> formats);
    void OnPresetChosen(const QAction* action);
    void ShowSizePictureState();
    void OnTreeContextMenu(QTreeWidgetItem* clicked, QPoint viewportPos, bool keyboard);
    void OnItemDoubleClicked(QTreeWidgetItem* item);
    // Inserts width x height under node in descending order, ticked; returns it, or null
    // when node has that size already.
    QTreeWidgetItem* InsertSize(QTreeWidgetItem* node, int width, int height);
    void ReleasePreview();
    bool Contains(const QTreeWidgetItem* item) const;

    CCheckTreeCtrl* m_treeFormat = nullptr;
    QPushButton* m_btnPreview = nullptr;
    QPushButton* m_btnCopy = nullptr;
    QPushButton* m_btnExport = nullptr;
    QPushButton* m_btnAdd = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnWindowsView = nullptr;
    QCheckBox* m_chkSmoothing = nullptr;
    QPushButton* m_btnPresets = nullptr;      // opens m_pPresetMenu
    QPushButton* m_btnSizePicture = nullptr;  // opens m_pSizePictureMenu
    QMenu* m_pPresetMenu = nullptr;           // child of the page
    QMenu* m_pSizePictureMenu = nullptr;      // child of the page
    FileChooser m_chooseFile;
    CIconWnd* m_wndIcon = nullptr;
    // The filtered copy of the picture shown in the view, while the page is active.
    std::unique_ptr<CIcon> m_pPreview;
    // The right-clicked item while its context menu command runs; not owned.
    QTreeWidgetItem* m_pMenuTarget = nullptr;
    // The tree has been filled from m_aFormat at least once.
    bool m_bFilled = false;
};

}  // namespace varlen
