#include "ui/MainWindowAccess.h"

namespace korvul {

namespace {
IMainWindow *registered = nullptr;
}

IMainWindow *MainWindow() { return registered; }

void RegisterMainWindow(IMainWindow *window) { registered = window; }

} // namespace korvul
