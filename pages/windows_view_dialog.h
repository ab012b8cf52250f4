// CWindowsViewDialog: which of the ticked formats Windows draws on each surface at each
// display scale, and whether it is drawn exactly, scaled down or scaled up. One button adds
// the sizes whose absence makes Windows scale up; the table follows at once.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "core/icon_choice.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace varlen {

class CWindowsViewDialog : public QDialog {
    Q_OBJECT

  public:
    // The shapes of the formats as they are now (ticked ones only).
    using ShapeSource = std::function<std::vector<IconEntryShape>()>;
    // Adds these sides at 32 bits; called by the add button.
    using AddSides = std::function<void(const std::vector<int>&)>;

    CWindowsViewDialog(ShapeSource shapes, AddSides add, QWidget* parent = nullptr);

    // Rebuilds the table from the shapes.
    void Refresh();

    // The sides the add button adds now (within the format limit).
    const std::vector<int>& SidesToAdd() const { return m_aSidesToAdd; }

    QTableWidget* Table() const { return m_table; }
    QPushButton* AddButton() const { return m_btnAdd; }
    QLabel* Summary() const { return m_summary; }

    // The surface's name in the dialog's language.
    static QString SurfaceName(const WindowsIconSurface& surface);
    // A cell's text: "40: 48 ↓1.20" (requested side, image side, how it is drawn).
    static QString CellText(int side, const IconEntryShape& image, const IconPick& pick);

  private:
    void OnAdd();

    ShapeSource m_shapes;
    AddSides m_add;
    std::vector<int> m_aSidesToAdd;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_btnAdd = nullptr;
};

}  // namespace varlen
