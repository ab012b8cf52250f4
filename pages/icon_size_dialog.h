// CIconSizeDialog: "サイズの追加", asks for the width and height of a new format. The
// height follows the width until the user edits the height itself; OK is enabled only
// while both lie in 1 ... 512.
#pragma once

#include <QDialog>

class QPushButton;

namespace varlen {

class CNumberEdit;

class CIconSizeDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMinSide = 1;
    static constexpr int kMaxSide = 512;

    explicit CIconSizeDialog(QWidget* parent = nullptr);

    // The last values read from the fields; 32 at first.
    int m_nWidth = 32;
    int m_nHeight = 32;

    CNumberEdit* WidthEdit() const { return m_editWidth; }
    CNumberEdit* HeightEdit() const { return m_editHeight; }
    QPushButton* OkButton() const { return m_btnOk; }

  protected:
    // The width's text is selected, so typing replaces it.
    void showEvent(QShowEvent* event) override;

  private:
    void OnWidthChanged();
    void OnHeightChanged();
    // Reads both fields into the members and enables OK by the range rule.
    void ReadSizes();

    CNumberEdit* m_editWidth = nullptr;
    CNumberEdit* m_editHeight = nullptr;
    QPushButton* m_btnOk = nullptr;
};

}  // namespace varlen
