#pragma once
// Program start: language module, application title, main window, status register window, message loop.
class QApplication;

namespace korvul {

// Text of the message that the settings file exists but cannot be read (%s file, %s reason).
inline constexpr unsigned short kTextSettingsUnreadable = 3020;

// Says once, naming the file and the reason, that the settings file cannot be read and the defaults are
// in force: on standard error, and in a message box unless KORVUL_BATCH is set. Nothing when it is fine.
void ReportUnreadableSettings();

// Runs the whole program; returns the exit code (1 when the language module is missing).
// With KORVUL_BATCH set in the environment, start-up errors go to stderr only and no box waits for a
// click, so scripts and tests can check the exit code without a person at the screen.
int RunProgram(QApplication &app);

} // namespace korvul
