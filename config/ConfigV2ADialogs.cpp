#include "config/ConfigV2ADialogs.h"

#include "comm/Items.h"
#include "comm/StrList.h"
#include "ui/DeviceAction.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700V2.h"
#include "ui/MainDialogs.h"

namespace korvul {

void WriteConfigItem(uint8_t code, const QString &value) {
    TStrList untouched;  // key 20 never enters a list
    RaiseOnResult(WriteItem(code, QString(QChar(20)), value, untouched));
}

} // namespace korvul
