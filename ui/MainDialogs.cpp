#include "ui/MainDialogs.h"

#include "ui/MainWindowAccess.h"

#include <QCoreApplication>

namespace korvul {

TMainDialogs &MainDialogs() {
    static TMainDialogs dialogs;
    return dialogs;
}

void PostConnectionBroken(QWidget *dialog) {
    if (IMainWindow *main = MainWindow()) QCoreApplication::postEvent(main->Widget(), new TDialogBrokenEvent(dialog));
}

} // namespace korvul
