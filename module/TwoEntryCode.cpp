#include "module/TwoEntryCode.h"

#include "base/LangSupp.h"
#include "ui/FormMeldung.h"
#include "ui/MainMessages.h"
#include "module/ModuleItems.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace korvul {

namespace {
constexpr uint16_t kEntriesDifferText = 1720;
} // namespace

TTwoEntryCode::TTwoEntryCode(QDialog *dialog, QLineEdit *first, QLineEdit *confirm, QPushButton *send,
                             std::function<void(const QString &)> accepted)
    : QObject(dialog), dialog_(dialog), first_(first), confirm_(confirm), send_(send), accepted_(std::move(accepted)) {
    for (QLineEdit *edit : {first_, confirm_}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, &TTwoEntryCode::Update);
    }
    connect(send_, &QPushButton::clicked, this, &TTwoEntryCode::Send);
    Update();
}

void TTwoEntryCode::Update() {
    const TTwoEntryEnabling e = TwoEntryEnabling(first_->text(), confirm_->text());
    confirm_->setEnabled(e.ConfirmEnabled);
    if (follower_) follower_->setEnabled(e.ConfirmEnabled);
    send_->setEnabled(e.SendEnabled);
}

void TTwoEntryCode::Send() {
    if (!send_->isEnabled()) return;
    if (first_->text() != confirm_->text()) return ShowMessageText(dialog_, LanguageText(kEntriesDifferText));
    accepted_(first_->text());
    dialog_->accept();
}

bool TTwoEntryCode::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return QObject::eventFilter(watched, event);
    if (watched == first_ && confirm_->isEnabled()) confirm_->setFocus();
    else Send();
    return true;
}

void CentreDialogOn(QWidget *dialog, const QWidget *on) {
    dialog->adjustSize();
    if (!on) return;
    const QPoint c = WindowCentre(on);
    dialog->move(c.x() - dialog->width() / 2, c.y() - dialog->height() / 2);
}

} // namespace korvul
