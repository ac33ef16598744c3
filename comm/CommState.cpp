#include "comm/CommState.h"

#include <QCoreApplication>
#include <QDebug>

namespace korvul {

uint8_t PollItem = 'z';
bool HQFlag = false;
bool ModuleAccess = false;
bool CancelRequested = false;
uint8_t ModemState = 0;

TModemRoutines &ModemRoutines() {
    static TModemRoutines routines;
    return routines;
}

TCommUiHooks &CommUiHooks() {
    static TCommUiHooks hooks;
    return hooks;
}

void ProcessMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void ShowException(const std::exception &e) {
    if (CommUiHooks().ShowException) CommUiHooks().ShowException(e);
    else qWarning("korvul: %s", e.what());
}

} // namespace korvul
