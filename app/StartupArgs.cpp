#include "app/StartupArgs.h"

#include "base/Version.h"

#include <cstring>

namespace korvul {

TStartupRequest StartupRequest(int argc, const char *const *argv) {
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--") == 0) break;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return TStartupRequest::Help;
        if (std::strcmp(arg, "--version") == 0) return TStartupRequest::Version;
    }
    return TStartupRequest::Run;
}

QString StartupUsageText() {
    return QStringLiteral(R"(Usage: korvul [Qt options]
  or:  korvul --help | --version

Reads out and sets up metering field devices over a serial line, in a window.

Options:
  -h, --help   prints this text and ends
  --version    prints the program name and version and ends
  Qt's own options (-platform NAME, -style NAME, ...) are passed on to Qt.

Files:
  $XDG_CONFIG_HOME/korvul/korvul.ini   the settings (default ~/.config/korvul/korvul.ini)
  korvulDE.lng, korvulEN.lng          language modules beside the program ([LANGUAGE] LANGUAGE)
  TRRS232.TXT                         switches the line trace on (program folder or
                                      $XDG_CONFIG_HOME/korvul/)

korvul-read reads devices without a window (korvul-read --help).
)");
}

QString StartupVersionText() { return QStringLiteral("korvul %1\n").arg(ProgramFileVersion()); }

} // namespace korvul
