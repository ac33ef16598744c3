#include "app/Wiring.h"

#include "config/ConfigMDialog.h"
#include "config/FoCheckMaxima.h"
#include "config/FoConfigNX17S.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700V2.h"
#include "config/FoInitDevice.h"
#include "main/ClockDialogs.h"
#include "main/FoNDAC.h"
#include "main/FormSetTime.h"
#include "main/RtcCheck.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "module/ModuleActions.h"
#include "comm/PortFailure.h"
#include "options/FoSettingsComm.h"
#include "options/FoTelephone.h"
#include "options/FormUserOptions.h"
#include "options/PortList.h"
#include "options/SerialPortSource.h"
#include "readout/ReadoutDialogs.h"
#include "ui/MainDialogs.h"

namespace korvul {

void InstallPortList() {
    PresentPortsProvider() = [] { return PresentPortsText(ListPorts(TSystemSerialPorts())); };
}

void InstallOptionDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.TelephoneList = ShowTelephoneDialog;
    dialogs.IntSettings = [](QWidget *parent) { ShowSettingsComm(parent); };
    dialogs.UserSettings = ShowUserOptions;
    TFormUserOptions::AccessCodeDialog() = [](QWidget *parent) { ShowNewAccessCodeDialog(parent); };
}

void InstallClockDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.SetDateAndTime = ShowSetTimeDialog;
    dialogs.DeleteMeasurements = DeleteMeasurements;
    dialogs.TestRTC = RunRtcTest;
    dialogs.NewZCode = [](QWidget *parent) { ShowNewAccessCodeDialog(parent); };
}

void InstallReadoutDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.ReadArchive = ReadArchiveFrom;
    dialogs.ReadProcessData = ReadProcessDataFrom;
    dialogs.MemoryDump = MemoryDumpFrom;
}

void InstallConfigMDialog() { MainDialogs().ConfigQT700M = ShowConfigQT700M; }

void InstallConfigV2ADialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.ConfigQT700V2 = ShowConfigQT700V2;
    dialogs.ConfigQT700A = ShowConfigQT700A;
}

void InstallConfigNXDialog() { MainDialogs().ConfigNX17S = ShowConfigNX17S; }

void InstallDeviceSetupDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.InitDevice = ShowInitDeviceDialog;
    dialogs.CheckMaxima = ShowCheckMaximaDialog;
}

void InstallModuleDialogs() { MainDialogs().ChangeModuleAccessCode = AskModuleAccessCodeFromMain; }

void InstallModuleWindow() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.OpenModuleWindow = OpenModuleWindow;
    dialogs.ModuleWindow = ModuleWindowWidget;
    dialogs.FreeModuleWindow = FreeModuleWindow;
    dialogs.RefreshModuleClock = RefreshModuleClock;
}

void InstallModuleTerminal() { MainDialogs().ModuleTerminal = OpenModuleTerminal; }

void InstallProgramDialogs() {
    InstallPortList();
    InstallOptionDialogs();
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

} // namespace korvul
