#pragma once
// Message boxes of the main window and the windows it starts. Tests replace them through the hooks so
// that nothing waits on a modal box.
#include <QString>
#include <functional>

class QWidget;

namespace korvul {

// Yes/No question with a Help button that opens helpContext (0: no Help button). The Help button
// leaves the question open. Returns true for Yes.
bool AskYesNo(QWidget *parent, const QString &text, int helpContext);
// Question with the buttons OK and No (no Help); true for OK. The AskYesNo hook answers it too
// (Yes standing for OK), so tests see every question in one place.
bool AskOkNo(QWidget *parent, const QString &text);
// Information box with an OK button.
void ShowMessageText(QWidget *parent, const QString &text);
// Error box (error icon) with its own caption and an OK button; the message hook receives the text.
void ShowErrorText(QWidget *parent, const QString &text, const QString &caption);

using TAskYesNoHook = std::function<bool(const QString &text, int helpContext)>;
using TShowMessageHook = std::function<void(const QString &text)>;
// An empty function restores the real box.
void SetAskYesNoHook(TAskYesNoHook hook);
void SetShowMessageHook(TShowMessageHook hook);

} // namespace korvul
