#include "main/MainDialogs.h"

#include "app/SettingsComm.h"
#include "app/Telephone.h"
#include "app/UserOptions.h"
#include "config/ConfigMDialog.h"
#include "config/ConfigV2ADialogs.h"
#include "config/FoConfigNX17S.h"
#include "config/DeviceSetupDialogs.h"
#include "main/ClockDialogs.h"
#include "main/FormMain.h"
#include "module/ModuleActions.h"
#include "module/FoCLMTerm.h"
#include "module/FoCLM300.h"
#include "readout/ReadoutDialogs.h"

#include <QCoreApplication>

namespace korvul {

TMainDialogs &MainDialogs() {
    static TMainDialogs dialogs;
    return dialogs;
}

void InstallProgramDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.TelephoneList = ShowTelephoneDialog;
    dialogs.IntSettings = [](QWidget *parent) { ShowSettingsComm(parent); };
    dialogs.UserSettings = ShowUserOptions;
    InstallReadoutDialogs();
    InstallClockDialogs();
    InstallConfigMDialog();
    InstallModuleDialogs();
    InstallModuleWindow();
    InstallDeviceSetupDialogs();
    InstallConfigV2ADialogs();
    InstallConfigNXDialog();
    InstallModuleTerminal();
}

void PostConnectionBroken(QWidget *dialog) {
    if (TFormMain *main = FormMain()) QCoreApplication::postEvent(main, new TDialogBrokenEvent(dialog));
}

} // namespace korvul
