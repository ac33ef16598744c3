#pragma once
// The dialogs of a device session (TSessionDialog) opened through the hooks of ui/MainDialogs.h, for the
// main window that shows the session.
#include "main/DeviceSession.h"

#include <QString>
#include <optional>

class QWidget;

namespace korvul {

class TStrList;
struct TProcessDataHeader;

// The dialog's hook is filled in this build.
bool HasSessionDialog(TSessionDialog dialog);
// Runs the dialog modally over parent. The module window reads into moduleData; the process data window
// takes header. The telephone list saves the settings with the chosen number (a failed save is reported
// and the call goes ahead). False when the dialog is missing or was cancelled; dialogs without an
// answer give true.
bool RunSessionDialog(TSessionDialog dialog, QWidget *parent, TStrList &moduleData, const TProcessDataHeader &header);

// The module window while it exists, else nullptr; freeing it; the poll clock ("yymmddhhnnss") into its
// date and time fields. Each does nothing (nullptr) without the module windows in the build.
QWidget *SessionModuleWindow();
void FreeSessionModuleWindow();
void RefreshSessionModuleClock(const QString &clock);
// The module access code dialog over parent: the new code, or nothing on Cancel or without the dialog.
std::optional<QString> AskSessionModuleAccessCode(QWidget *parent);

} // namespace korvul
