#pragma once
// The device set-up dialogs of the main window: initialisation and maxima check.
// InstallDeviceSetupDialogs fills their hooks in MainDialogs().
namespace korvul {

void InstallDeviceSetupDialogs();

} // namespace korvul
