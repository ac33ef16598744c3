#include "ui/MainMessages.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "base/Version.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <utility>

namespace korvul {

namespace {
TAskYesNoHook askYesNoHook;
TShowMessageHook showMessageHook;

// Texts of the box buttons from the language module (text base of the main window).
constexpr uint16_t kYesText = 175, kNoText = 176, kHelpText = 177, kOkText = 178;

void TranslateButtons(QMessageBox &box) {
    for (const auto &[button, text] : {std::pair{QMessageBox::Yes, kYesText}, std::pair{QMessageBox::No, kNoText},
                                       std::pair{QMessageBox::Help, kHelpText}, std::pair{QMessageBox::Ok, kOkText}})
        if (QAbstractButton *b = box.button(button)) b->setText(LanguageText(text));
}
} // namespace

void SetAskYesNoHook(TAskYesNoHook hook) { askYesNoHook = std::move(hook); }
void SetShowMessageHook(TShowMessageHook hook) { showMessageHook = std::move(hook); }

bool AskYesNo(QWidget *parent, const QString &text, int helpContext) {
    if (askYesNoHook) return askYesNoHook(text, helpContext);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (helpContext != 0) buttons |= QMessageBox::Help;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), QString(), buttons, parent);
    SetPlainText(box, text);
    box.setDefaultButton(QMessageBox::Yes);
    TranslateButtons(box);
    // A QMessageBox closes on every button, so Help shows its topic and asks again.
    for (;;) {
        const int answer = box.exec();
        if (answer != QMessageBox::Help) return answer == QMessageBox::Yes;
        ShowHelpContext(helpContext);
    }
}

bool AskOkNo(QWidget *parent, const QString &text) {
    if (askYesNoHook) return askYesNoHook(text, 0);
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), QString(),
                    QMessageBox::Ok | QMessageBox::No, parent);
    SetPlainText(box, text);
    box.setDefaultButton(QMessageBox::Ok);
    TranslateButtons(box);
    return box.exec() == QMessageBox::Ok;
}

void ShowMessageText(QWidget *parent, const QString &text) {
    if (showMessageHook) return showMessageHook(text);
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationTitle), QString(), QMessageBox::Ok, parent);
    SetPlainText(box, text);
    TranslateButtons(box);
    box.exec();
}

void ShowErrorText(QWidget *parent, const QString &text, const QString &caption) {
    if (showMessageHook) return showMessageHook(text);
    QMessageBox box(QMessageBox::Critical, caption, QString(), QMessageBox::Ok, parent);
    SetPlainText(box, text);
    TranslateButtons(box);
    box.exec();
}

} // namespace korvul
