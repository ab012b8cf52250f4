// CVarlenPage1, the source page: open, paste or drop a picture and place it in the icon
// square (move, zoom and rotate it in the view or with the size and rotation fields,
// mirror it, keep it free of margins, lay it on a background colour). Next renders the
// placed picture once and hands it to the sheet; Back brings the unplaced picture back
// with the placement as it was, and Next with nothing changed hands on the same picture
// again (with the transparent regions page 2 made in it).
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/icon.h"
#include "pages/varlen_page.h"

class QCheckBox;
class QLabel;
class QMimeData;
class QPushButton;

namespace varlen {

class CColorButton;
class CIconWnd;
class CRotationEdit;
class CSizeEdit;
class CUpDown;

class CVarlenPage1 : public CVarlenPage {
    Q_OBJECT

  public:
    // Asks for a picture file starting in folder; empty when cancelled.
    using FileChooser = std::function<QString(QWidget* parent, const QString& folder)>;
    // Asks for a colour starting at colour; nothing when cancelled.
    using ColorChooser = std::function<std::optional<ColorRef>(QWidget* parent, ColorRef colour)>;

    CVarlenPage1(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage1() override;

    // Loads a picture file and makes it current, proposing the output name from its path.
    // False (nothing changed) when it cannot be loaded.
    bool LoadFile(const QString& path);
    // Loads from clipboard or drop data: a file list file by file (the first that loads
    // wins, no other format is tried), else the picture data; the output name is emptied.
    bool LoadDataObject(const QMimeData& mime);
    // Pushes the sheet's state into the view and the controls.
    void UpdateControls();

    void OnSetActive() override;
    bool OnWizardNext() override;
    void OnReset() override;
    bool CanDrop(const QMimeData& mime) const override;
    bool OnDrop(const QMimeData& mime) override;

    // The command handlers of the open and paste buttons.
    void OnOpen();
    void OnPaste();

    // Replace the dialogs (tests answer them instead of a user).
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetColorChooser(ColorChooser chooser) { m_chooseColor = std::move(chooser); }

    // The unplaced picture while the user is on a later page; null while page 1 is shown.
    const CIcon* Original() const { return m_pOriginal.get(); }

    QPushButton* m_btnOpen = nullptr;
    QPushButton* m_btnPaste = nullptr;
    CSizeEdit* m_editSize = nullptr;
    CUpDown* m_spinSize = nullptr;
    CRotationEdit* m_editRotation = nullptr;
    CUpDown* m_spinRotation = nullptr;
    QCheckBox* m_chkMirror = nullptr;
    QCheckBox* m_chkNoMargin = nullptr;
    QCheckBox* m_chkBackground = nullptr;
    CColorButton* m_btnColor = nullptr;
    CIconWnd* m_wndIcon = nullptr;

  private:
    void BuildControls();
    void ConnectControls();
    // What the wizard's start does once: the command-line picture, else the clipboard's,
    // silently; then the placement from the sheet.
    void Startup();
    void ShowNewPicture(std::unique_ptr<CIcon> picture);
    void ShowSize();
    void ShowRotation();
    void EnableFields(bool enable);
    void UpdatePasteButton();

    void OnSizeText();
    void OnSizeStep(int delta);
    void OnRotationText();
    void OnRotationStep(int delta);
    void OnNoMargin(bool checked);
    void OnBackground(bool checked);
    void OnColor();

    // What a placed picture is made from, besides the picture itself.
    struct Placement {
        Rect source;
        bool mirror = false;
        int rotation = 0;
        std::optional<ColorRef> background;
        friend bool operator==(const Placement&, const Placement&) = default;
    };

    std::unique_ptr<CIcon> m_pOriginal;
    // While page 1 is shown after Back: the picture it handed on last time, as the later
    // pages left it, and what it was placed with; null once the picture is replaced.
    std::unique_ptr<CIcon> m_pPlaced;
    Placement m_placed;
    bool m_bStarted = false;
    FileChooser m_chooseFile;
    ColorChooser m_chooseColor;
};

}  // namespace varlen
