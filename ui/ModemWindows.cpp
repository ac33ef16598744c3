#include "ui/ModemWindows.h"

#include "comm/CommState.h"
#include "ui/FoDialing.h"
#include "ui/FormMeldung.h"
#include "comm/Modem.h"
#include "ui/FoPassword.h"

#include <QApplication>
#include <QPointer>

namespace korvul {

namespace {

QPointer<QWidget> &Owner() {
    static QPointer<QWidget> owner;
    return owner;
}

QPointer<TfoDialing> &DialingWindow() {
    static QPointer<TfoDialing> window;
    return window;
}

QWidget *Anchor() { return Owner() ? Owner().data() : QApplication::activeWindow(); }

void CentreOn(QWidget *window, const QWidget *on) {
    window->adjustSize();
    if (!on) return;
    const QPoint c = WindowCentre(on);
    window->move(c.x() - window->width() / 2, c.y() - window->height() / 2);
}

void ShowDialing(const QString &number) {
    if (DialingWindow()) {
        DialingWindow()->hide();
        DialingWindow()->deleteLater();
    }
    auto *window = new TfoDialing(Anchor());
    QObject::connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->SetNumber(number);
    CentreOn(window, Anchor());
    window->show();
    window->raise();
    DialingWindow() = window;
}

// The window may already be gone: its Cancel button ends (and frees) it.
void CloseDialing() {
    if (DialingWindow()) {
        DialingWindow()->hide();
        DialingWindow()->deleteLater();
    }
    DialingWindow() = nullptr;
}

std::optional<QString> AskPassword() {
    TFoPassword dlg(Anchor());
    CentreOn(&dlg, Anchor());
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.PasswordText();
}

} // namespace

void InstallModemSupport(QWidget *owner) {
    Owner() = owner;
    InstallModemRoutines();
    TCommUiHooks &hooks = CommUiHooks();
    hooks.ShowDialing = ShowDialing;
    hooks.CloseDialing = CloseDialing;
    hooks.AskPassword = AskPassword;
}

} // namespace korvul
