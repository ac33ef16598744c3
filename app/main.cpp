#include "app/Startup.h"
#include "app/StartupArgs.h"
#include "app/DesktopIdentity.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv) {
    // Answered before QApplication exists: it would need a display, and these need none.
    switch (korvul::StartupRequest(argc, argv)) {
    case korvul::TStartupRequest::Help:
        std::fputs(korvul::StartupUsageText().toUtf8().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case korvul::TStartupRequest::Version:
        std::fputs(korvul::StartupVersionText().toUtf8().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case korvul::TStartupRequest::Run: break;
    }
    QApplication app(argc, argv);
    korvul::ApplyDesktopIdentity();
    return korvul::RunProgram(app);
}
