#pragma once
// Every message box of the program goes through ShowMessageBox: the title is always "Sonicrop".
// Tests install a hook that records the message and answers at once, so no test waits on a modal box.
#include <QString>
#include <functional>

class QWidget;

enum class MessageIcon { Exclamation, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

MessageAnswer ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::Exclamation,
    MessageButtons buttons = MessageButtons::Ok);

using MessageBoxHook = std::function<MessageAnswer(const QString& text, MessageIcon icon, MessageButtons buttons)>;
// An empty hook restores the real message box.
void SetMessageBoxHook(MessageBoxHook hook);
