// CVarlenPage5, the output page: the icon file's name, three options, and Finish, which
// builds every selected format from the working picture, writes the icon file and then
// may show it in the file manager and close the wizard.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/icon.h"
#include "pages/page5_support.h"
#include "pages/varlen_page.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace varlen {

class CIconWnd;

class CVarlenPage5 : public CVarlenPage {
    Q_OBJECT

  public:
    // Asks for the output file starting at path; empty when cancelled.
    using FileChooser = std::function<QString(QWidget* parent, const QString& path)>;
    // Shows a created file to the user.
    using FileRevealer = std::function<void(const QString& path)>;

    // The longest name the field takes.
    static constexpr int kMaxName = 260;

    CVarlenPage5(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage5() override;

    // Builds the preview and loads the controls; greys the reset button.
    void OnSetActive() override;
    // Creates the icon file; true only when the wizard is to close.
    bool OnWizardFinish() override;
    // Leaving by Back: keeps the name, drops the preview, the reset button comes back.
    void OnWizardBack() override;
    // Finish is enabled only while the name field is not empty.
    bool isComplete() const override;

    // The icon file's path for the name field's current text.
    QString ResolvedPath() const;
    // The browse button's handler.
    void OnBrowse();
    // What "open the folder" does unless replaced: shows path in the file manager, or
    // says why the folder could not be opened.
    void RevealOrSay(const QString& path);

    // Replace the dialog, the file manager and the standard folders (tests).
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetFileRevealer(FileRevealer revealer) { m_revealFile = std::move(revealer); }
    void SetSaveFolders(std::function<SaveFolders()> folders) {
        m_saveFolders = std::move(folders);
    }

    // The filtered picture the view shows while the page is active, else null.
    const CIcon* Preview() const { return m_pPreview.get(); }

    QLineEdit* m_editFile = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QCheckBox* m_chkPng = nullptr;
    QCheckBox* m_chkOpenFolder = nullptr;
    QCheckBox* m_chkClose = nullptr;
    QProgressBar* m_progress = nullptr;
    CIconWnd* m_wndIcon = nullptr;

  private:
    void BuildControls();
    void ConnectControls();
    void DropPreview();
    // Makes the view's preview (in the background for a large picture) and shows it.
    void ShowViewPreview();
    // Builds every enabled format (all at once, in the background), stepping the progress
    // bar once per record as the records' images are complete, and writes the file. False
    // when the file could not be written; nothing when the user cancelled (no file written).
    std::optional<bool> WriteIconFile(const QString& path, int& error);

    std::unique_ptr<CIcon> m_pPreview;
    FileChooser m_chooseFile;
    FileRevealer m_revealFile;
    std::function<SaveFolders()> m_saveFolders;
};

}  // namespace varlen
