#include "config/ConfigV2ADialogs.h"

#include "comm/Items.h"
#include "comm/TStrLst.h"
#include "config/DeviceAction.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700V2.h"
#include "main/MainDialogs.h"

namespace korvul {

void InstallConfigV2ADialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.ConfigQT700V2 = ShowConfigQT700V2;
    dialogs.ConfigQT700A = ShowConfigQT700A;
}

void WriteConfigItem(uint8_t code, const QString &value) {
    TStrList untouched;  // key 20 never enters a list
    RaiseOnResult(WriteItem(code, QString(QChar(20)), value, untouched));
}

} // namespace korvul
