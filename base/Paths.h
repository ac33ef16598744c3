#pragma once
// Where korvul finds its files on Linux.
#include <QString>

namespace korvul {

// Full path of the running program file (/proc/self/exe). Tests may override it.
QString ProgramFilePath();
// Directory of the program file, without a trailing "/". Language, help and driver files live here.
QString ProgramDir();
// Replaces the program file path (tests only: the language and help rules depend on the file name).
void SetProgramFilePathForTests(const QString &path);

// $XDG_CONFIG_HOME/korvul, or ~/.config/korvul when XDG_CONFIG_HOME is unset, empty or relative (the
// line driver's rule, linedriver/PortNames.h). Not created here.
QString ConfigDir();
// ConfigDir() + "/korvul.ini".
QString SettingsFilePath();

} // namespace korvul
