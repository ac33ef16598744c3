#include "main/ClockDialogs.h"


#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Drivers.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "comm/DeviceFailure.h"
#include "main/FoNDAC.h"
#include "main/FormMain.h"
#include "main/FormSetTime.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "main/RtcCheck.h"

namespace korvul {

namespace {
constexpr uint16_t kDeleteQuestion = 1446, kDeleted = 1447, kDeleteRefused = 1448, kDeleteLocked = 1449;
constexpr int kLockedResult = 4;
constexpr uint8_t kAccessItem = 99, kRegisterAddress = 61, kRegisterWrite = 62;
} // namespace

void DeleteMeasurements(QWidget *parent) {
    if (!AskYesNo(parent, LanguageText(kDeleteQuestion), 0)) return;
    CommObject().SetOptions(coPollOff);  // no poll between the three writes
    try {
        QByteArray code = Settings().ACCESSCODE.toLatin1().left(8);
        code.append(QByteArray(8 - code.size(), '\0'));
        WriteItemOrRaise(kAccessItem, code);
        WriteItemOrRaise(kRegisterAddress, QByteArrayLiteral("8801"));
        WriteItemOrRaise(kRegisterWrite, QByteArrayLiteral("01"));
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) == TDeviceFailure::DeviceRefusal) {
            if (CommObject().Connected()) CommObject().SetOptions(coPollOn);
            return ShowMessageText(parent, LanguageText(e.Message().toInt() == kLockedResult ? kDeleteLocked : kDeleteRefused));
        }
        if (FormMain()) FormMain()->DisconnectSequence();
        return;
    }
    if (CommObject().Connected()) CommObject().SetOptions(coPollOn);
    ShowMessageText(parent, LanguageText(kDeleted));
}

} // namespace korvul
