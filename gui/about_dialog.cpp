// The About dialog and the link label. Contract: the link's target is exactly its own
// text, captured when the text is set; an empty target shows the arrow cursor and opens
// nothing. Trap: the cursor is chosen on every mouse move (not once at construction), so
// a link whose text changes later shows the right cursor. A failing open is ignored.
#include "gui/about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace varlen {

namespace {

void OpenWithDesktop(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

}  // namespace

CStaticLink::CStaticLink(const QString& text, QWidget* parent)
    : QLabel(parent), m_opener(OpenWithDesktop) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    SetLink(text);
}

void CStaticLink::SetLink(const QString& text) {
    setText(text);
    m_strLink = text;
    UpdateCursor();
}

void CStaticLink::UpdateCursor() {
    setCursor(m_strLink.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void CStaticLink::mouseMoveEvent(QMouseEvent* event) {
    UpdateCursor();
    QLabel::mouseMoveEvent(event);
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_strLink.isEmpty() && m_opener) {
        m_opener(m_strLink);
    }
    QLabel::mousePressEvent(event);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("バージョン情報"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    const QIcon appIcon = parent != nullptr ? parent->windowIcon() : windowIcon();
    icon->setPixmap(appIcon.pixmap(48, 48));
    icon->setFixedSize(48, 48);

    auto* version = new QLabel(QStringLiteral("Varlen Version 1.6.1"), this);
    auto* line2 = new QLabel(tr("Copyright (C) Orvik　ライセンス: GPL-3.0-or-later"), this);
    m_pLink1 = new CStaticLink(QStringLiteral("https://orvik.example/varlen/"), this);
    m_pLink2 = new CStaticLink(QStringLiteral("https://orvik.example/"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(line2, 1, 1);
    grid->addWidget(m_pLink1, 2, 1, Qt::AlignLeft);
    grid->addWidget(m_pLink2, 3, 1, Qt::AlignLeft);
    grid->setHorizontalSpacing(16);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace varlen
