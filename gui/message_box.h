// The one way the program shows a message: a QMessageBox with the application title
// "Varlen", an icon, and Yes/No or OK. Tests install a hook that reads the request and
// answers it, so no modal dialog ever runs in a test.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace varlen {

enum class MessageIcon { kInformation, kWarning, kError, kQuestion };
enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

struct MessageRequest {
    QString text;
    MessageIcon icon = MessageIcon::kInformation;
    MessageButtons buttons = MessageButtons::kOk;
    MessageAnswer defaultButton = MessageAnswer::kOk;  // kYes or kNo with kYesNo
    QString title{};  // the window title; empty means the application title "Varlen"
    // Shown below the text in the box's smaller type: the details of a failure (the path
    // and the reason) or where a file went. Empty for none.
    QString detail{};
};

inline constexpr char kMessageTitle[] = "Varlen";

// The message box for request, not yet shown (parent may be null).
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageRequest& request);

// Shows request modally and returns the button pressed; closing the box without a button
// answers kNo for Yes/No and kOk for OK. With a hook installed, the hook answers instead.
MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request);

// Shorthands: OK with the error icon; Yes/No with the question icon (Yes as default).
void ShowError(QWidget* parent, const QString& text);
bool AskYesNo(QWidget* parent, const QString& text);

using MessageHook = std::function<MessageAnswer(const MessageRequest&)>;

// Installs hook for its lifetime (user-interface thread only) and puts the previous one
// back when it ends.
class ScopedMessageHook {
  public:
    explicit ScopedMessageHook(MessageHook hook);
    ~ScopedMessageHook();
    ScopedMessageHook(const ScopedMessageHook&) = delete;
    ScopedMessageHook& operator=(const ScopedMessageHook&) = delete;

  private:
    MessageHook m_previous;
};

}  // namespace varlen
