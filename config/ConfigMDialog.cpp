#include "config/ConfigMDialog.h"

#include "config/FoConfigQT700M.h"
#include "ui/MainDialogs.h"

namespace korvul {

void ShowConfigQT700M(QWidget *parent) {
    TFoConfigQT700M dialog(parent);
    // A failure while the dialog was created may already have closed it through message 1127.
    if (!dialog.ConnectionBroken()) dialog.exec();
}


} // namespace korvul
