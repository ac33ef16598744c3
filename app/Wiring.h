#pragma once
// The one place that wires the program: it fills the main window's dialog hooks (ui/MainDialogs.h) with
// the dialogs and windows of the subsystems. Nothing else fills them. Each subsystem has its own step,
// so a test can wire only what it exercises.

namespace korvul {

// Every step below, plus the option dialogs. Called once at start-up before the main window runs.
void InstallProgramDialogs();

void InstallPortList();         // the ports present, named when a port is missing
void InstallOptionDialogs();      // telephone list, serial settings, user options (and their code dialog)
void InstallClockDialogs();       // set time, delete measurements, RTC test, new access code
void InstallReadoutDialogs();     // archive readout, process data, memory dump
void InstallConfigMDialog();      // QT-700/M configuration
void InstallConfigV2ADialogs();   // QT-700/V2 and /A configuration
void InstallConfigNXDialog();     // NX-17S configuration
void InstallDeviceSetupDialogs(); // initialisation and maxima check
void InstallModuleDialogs();      // the module access code dialog
void InstallModuleWindow();       // the CLM-300 module window
void InstallModuleTerminal();     // the module terminal

} // namespace korvul
