#include "main/SessionDialogs.h"

#include "ui/MainDialogs.h"
#include "ui/SettingsUi.h"

namespace korvul {

namespace {

// The dialogs that take only their parent and give no answer.
const std::function<void(QWidget *)> *PlainDialog(TSessionDialog dialog) {
    const TMainDialogs &d = MainDialogs();
    switch (dialog) {
    case TSessionDialog::ModuleTerminal: return &d.ModuleTerminal;
    case TSessionDialog::ReadArchive: return &d.ReadArchive;
    case TSessionDialog::ConfigQT700V2: return &d.ConfigQT700V2;
    case TSessionDialog::ConfigQT700A: return &d.ConfigQT700A;
    case TSessionDialog::ConfigQT700M: return &d.ConfigQT700M;
    case TSessionDialog::ConfigNX17S: return &d.ConfigNX17S;
    default: return nullptr;
    }
}

} // namespace

bool HasSessionDialog(TSessionDialog dialog) {
    const TMainDialogs &d = MainDialogs();
    if (const auto *plain = PlainDialog(dialog)) return bool(*plain);
    switch (dialog) {
    case TSessionDialog::TelephoneList: return bool(d.TelephoneList);
    case TSessionDialog::ModuleWindow: return bool(d.OpenModuleWindow);
    case TSessionDialog::ReadProcessData: return bool(d.ReadProcessData);
    case TSessionDialog::InitDevice: return bool(d.InitDevice);
    case TSessionDialog::UserSettings: return bool(d.UserSettings);
    default: return false;
    }
}

bool RunSessionDialog(TSessionDialog dialog, QWidget *parent, TStrList &moduleData, const TProcessDataHeader &header) {
    if (!HasSessionDialog(dialog)) return false;
    const TMainDialogs &d = MainDialogs();
    if (const auto *plain = PlainDialog(dialog)) return (*plain)(parent), true;
    switch (dialog) {
    case TSessionDialog::TelephoneList:
        if (!d.TelephoneList(parent)) return false;
        TrySaveSettings(parent);
        return true;
    case TSessionDialog::ModuleWindow: return d.OpenModuleWindow(parent, moduleData), true;
    case TSessionDialog::ReadProcessData: return d.ReadProcessData(parent, header), true;
    case TSessionDialog::InitDevice: return d.InitDevice(parent);
    case TSessionDialog::UserSettings: return d.UserSettings(parent);
    default: return false;
    }
}

QWidget *SessionModuleWindow() { return MainDialogs().ModuleWindow ? MainDialogs().ModuleWindow() : nullptr; }

void FreeSessionModuleWindow() {
    if (MainDialogs().FreeModuleWindow) MainDialogs().FreeModuleWindow();
}

void RefreshSessionModuleClock(const QString &clock) {
    if (MainDialogs().RefreshModuleClock) MainDialogs().RefreshModuleClock(clock);
}

std::optional<QString> AskSessionModuleAccessCode(QWidget *parent) {
    if (!MainDialogs().ChangeModuleAccessCode) return std::nullopt;
    return MainDialogs().ChangeModuleAccessCode(parent);
}

} // namespace korvul
