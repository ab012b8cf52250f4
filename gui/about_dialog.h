// CAboutDlg, the version dialog, and CStaticLink, a text that opens itself as a link.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <functional>

namespace varlen {

// A label whose own text is its link target: link-coloured on the window colour, a hand
// cursor over it while the target is not empty, and a click opens the target.
class CStaticLink : public QLabel {
    Q_OBJECT

  public:
    using Opener = std::function<void(const QString&)>;

    // The default opener hands the target to the desktop (QDesktopServices).
    explicit CStaticLink(const QString& text, QWidget* parent = nullptr);

    // Sets text and target together.
    void SetLink(const QString& text);
    QString Link() const { return m_strLink; }
    // Replaces what a click does (tests record the target instead of opening it).
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void UpdateCursor();

    QString m_strLink;
    Opener m_opener;
};

// The version dialog: the program's icon at 48 x 48, kVersionText (core/version.h), a second
// line and two links. Modal; OK closes it.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CStaticLink* m_pLink1 = nullptr;
    CStaticLink* m_pLink2 = nullptr;
};

}  // namespace varlen
