// Message boxes. Contract: every message of the program goes through ShowMessage, which
// either runs a QMessageBox titled "Varlen" or, while a test has installed a hook, hands
// the request to the hook. The hook is the one deliberate process-wide variable of the
// GUI: it is only touched on the user-interface thread and is scoped by ScopedMessageHook.
// Trap: the Esc key or the close box must give the "no" answer of a Yes/No box, never Yes.
#include "gui/message_box.h"

#include <QMessageBox>
#include <utility>

namespace varlen {

namespace {

MessageHook& InstalledHook() {
    static MessageHook hook;
    return hook;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kInformation:
            return QMessageBox::Information;
        case MessageIcon::kWarning:
            return QMessageBox::Warning;
        case MessageIcon::kError:
            return QMessageBox::Critical;
        case MessageIcon::kQuestion:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQtButton(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::kOk:
            return QMessageBox::Ok;
        case MessageAnswer::kYes:
            return QMessageBox::Yes;
        case MessageAnswer::kNo:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageRequest& request) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(kMessageTitle)
                                                : request.title);
    box->setText(request.text);
    if (!request.detail.isEmpty()) {
        box->setInformativeText(request.detail);
    }
    // After the informative text, so that a path in it is never read as markup either.
    box->setTextFormat(Qt::PlainText);
    box->setIcon(ToQtIcon(request.icon));
    if (request.buttons == MessageButtons::kYesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(ToQtButton(request.defaultButton == MessageAnswer::kNo
                                             ? MessageAnswer::kNo
                                             : MessageAnswer::kYes));
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    return box;
}

MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) {
    if (const MessageHook& hook = InstalledHook()) {
        return hook(request);
    }
    const std::unique_ptr<QMessageBox> box = BuildMessageBox(parent, request);
    box->exec();
    if (request.buttons == MessageButtons::kOk) {
        return MessageAnswer::kOk;
    }
    return box->clickedButton() == box->button(QMessageBox::Yes) ? MessageAnswer::kYes
                                                                 : MessageAnswer::kNo;
}

void ShowError(QWidget* parent, const QString& text) {
    ShowMessage(parent, {text, MessageIcon::kError, MessageButtons::kOk, MessageAnswer::kOk});
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return ShowMessage(parent, {text, MessageIcon::kQuestion, MessageButtons::kYesNo,
                                MessageAnswer::kYes}) == MessageAnswer::kYes;
}

ScopedMessageHook::ScopedMessageHook(MessageHook hook)
    : m_previous(std::exchange(InstalledHook(), std::move(hook))) {}

ScopedMessageHook::~ScopedMessageHook() {
    InstalledHook() = std::move(m_previous);
}

}  // namespace varlen
