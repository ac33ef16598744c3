#pragma once
// The program's own command-line options, looked at before the application object exists: --help and
// --version print to standard output and end the program without opening a display. Every other
// argument is left to Qt (-platform, -style, ...).
#include <QString>

namespace korvul {

enum class TStartupRequest { Run, Help, Version };

// What argv (argv[0] being the program) asks for; the first of --help, -h and --version counts.
// Arguments after "--" are not options.
TStartupRequest StartupRequest(int argc, const char *const *argv);

// The --help text: usage, the options, where settings, language modules and the line trace are found.
QString StartupUsageText();
// The --version line: "korvul a.b.c.d".
QString StartupVersionText();

} // namespace korvul
