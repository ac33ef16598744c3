#include "config/DeviceSetupDialogs.h"

#include "config/FoCheckMaxima.h"
#include "config/FoInitDevice.h"
#include "main/MainDialogs.h"

namespace korvul {

void InstallDeviceSetupDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.InitDevice = ShowInitDeviceDialog;
    dialogs.CheckMaxima = ShowCheckMaximaDialog;
}

} // namespace korvul
