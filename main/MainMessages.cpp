#include "main/MainMessages.h"

#include "app/HelpViewer.h"
#include "app/Startup.h"

#include <QMessageBox>

namespace korvul {

namespace {
TAskYesNoHook askYesNoHook;
TShowMessageHook showMessageHook;
} // namespace

void SetAskYesNoHook(TAskYesNoHook hook) { askYesNoHook = std::move(hook); }
void SetShowMessageHook(TShowMessageHook hook) { showMessageHook = std::move(hook); }

bool AskYesNo(QWidget *parent, const QString &text, int helpContext) {
    if (askYesNoHook) return askYesNoHook(text, helpContext);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (helpContext != 0) buttons |= QMessageBox::Help;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    // A QMessageBox closes on every button, so Help shows its topic and asks again.
    for (;;) {
        const int answer = box.exec();
        if (answer != QMessageBox::Help) return answer == QMessageBox::Yes;
        ShowHelpContext(helpContext);
    }
}

void ShowMessageText(QWidget *parent, const QString &text) {
    if (showMessageHook) return showMessageHook(text);
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowErrorText(QWidget *parent, const QString &text, const QString &caption) {
    if (showMessageHook) return showMessageHook(text);
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace korvul
