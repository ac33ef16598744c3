#pragma once
// The one-shot maintenance actions of the module window. Each runs its question or small dialog
// (centred on `parent`, the module window), one protected write, and its confirmation text or re-read,
// and tells the window what to do next. The window enables them only with ModuleAccess.
//
// Failures: a refused write or read (status > 0) shows the action's own refusal text and the window
// stays; a negative status ends the action with Disconnect; "ERROR" shows language text 2207 first.
// Actions that test OperationActive (take PC time, HQ passwords, module access code, RTC, QT access
// code) return Stay at once while it is set, and clear it again before reporting anything.
// A cancelled question or dialog ends the action without a write (Stay).
#include <QString>
#include <optional>

class QWidget;

namespace korvul {

class TStrList;

enum class TModuleActionEnd {
    Stay,        // nothing for the window to do (cancelled, refused, or done without new data)
    Redisplay,   // ModuleData holds a re-read item: show it
    RereadPage,  // re-read the items of the current page (the page change read)
    Disconnect,  // the connection broke: run the window's Disconnect
};

// "G" with the PC clock (seconds 00), then "g" re-read into moduleData. Refused: 4181.
TModuleActionEnd TakePcTime(QWidget *parent, TStrList &moduleData);
// Question 1697, "E" with "0", then "e" re-read. Refused: 4182.
TModuleActionEnd ResetStatusRegister(QWidget *parent, TStrList &moduleData);
// Question 1698, "F" with "000000", then "f" re-read. Refused: 4183.
TModuleActionEnd ResetWorkingHours(QWidget *parent, TStrList &moduleData);
// Password dialog, "B", text 4186. Refused: 4185.
TModuleActionEnd ChangeHqPasswords(QWidget *parent, TStrList &moduleData);
// Reset events dialog, "S"; RereadPage on success. Refused: 4187.
TModuleActionEnd ResetEventInputs(QWidget *parent, TStrList &moduleData);
// Reset fax counter dialog, "T", text 4197. Refused: 4188.
TModuleActionEnd ResetFaxMessageCounter(QWidget *parent, TStrList &moduleData);
// "R" with the receiver digit (1..4), no question and no confirmation. Refused: 4189.
TModuleActionEnd TestFaxReceiver(QWidget *parent, TStrList &moduleData, int receiver);
// Access code dialog, "L", text 4193; the code becomes CLM300ACCESSCODE and the settings are saved.
// Refused: 4192.
TModuleActionEnd ChangeModuleAccessCode(QWidget *parent, TStrList &moduleData);
// Clock correction dialog, "M", text 4196. Refused: 4195.
TModuleActionEnd AdjustModuleRtc(QWidget *parent, TStrList &moduleData);
// The main window's new device access code dialog, centred on the module window. Refused: 42006.
TModuleActionEnd ChangeQtAccessCode(QWidget *parent, TStrList &moduleData);

// The module access code dialog as the main window opens it (its own captions): the new code, or
// nothing on Cancel.
std::optional<QString> AskModuleAccessCodeFromMain(QWidget *parent);

} // namespace korvul
