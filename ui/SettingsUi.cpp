#include "ui/SettingsUi.h"

#include "ui/PlainText.h"
#include "base/Settings.h"

#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace korvul {

bool TrySaveSettings(QWidget *parent) {
    try {
        SaveSettings();
        return true;
    } catch (const std::exception &e) {
        ShowPlainBox(parent, QMessageBox::Critical, parent ? parent->windowTitle() : QString(),
                     QString::fromLocal8Bit(e.what()));
        return false;
    }
}

} // namespace korvul
