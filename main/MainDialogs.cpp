#include "main/MainDialogs.h"

#include "main/FormMain.h"

#include <QCoreApplication>

namespace korvul {

TMainDialogs &MainDialogs() {
    static TMainDialogs dialogs;
    return dialogs;
}

void PostConnectionBroken(QWidget *dialog) {
    if (TFormMain *main = FormMain()) QCoreApplication::postEvent(main, new TDialogBrokenEvent(dialog));
}

} // namespace korvul
