#include "module/ModuleActions.h"

#include "comm/TStrLst.h"

namespace korvul {

TModuleActionEnd TakePcTime(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ResetStatusRegister(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ResetWorkingHours(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ChangeHqPasswords(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ResetEventInputs(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ResetFaxMessageCounter(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd TestFaxReceiver(QWidget *, TStrList &, int) { return TModuleActionEnd::Stay; }
TModuleActionEnd ChangeModuleAccessCode(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd AdjustModuleRtc(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
TModuleActionEnd ChangeQtAccessCode(QWidget *, TStrList &) { return TModuleActionEnd::Stay; }
void InstallModuleDialogs() {}

} // namespace korvul
