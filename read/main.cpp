// korvul-read: the device readouts of korvul without a window (common data, archive, process data).
// Needs no display: a QCoreApplication runs the event loop the communication layer waits in.
#include "base/Version.h"
#include "read/BatchRun.h"
#include "read/ReadOptions.h"
#include "read/ReadRun.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (!args.isEmpty() && args.first() == QLatin1String("batch")) {  // one run of this program per device
        korvul::InstallReadSignalHandlers();
        return korvul::RunBatch(args.mid(1));
    }
    const korvul::TReadParse parse = korvul::ParseReadArguments(args);
    if (parse.Options.Help) {
        std::fputs(korvul::ReadUsageText().toUtf8().constData(), stdout);
        return korvul::kExitOk;
    }
    if (parse.Options.Version) {
        std::printf("korvul-read %s\n", korvul::ProgramFileVersion().toUtf8().constData());
        return korvul::kExitOk;
    }
    if (!parse.Error.isEmpty()) {
        korvul::ReadMessage(parse.Error);
        korvul::ReadMessage(QStringLiteral("korvul-read --help lists the commands and options"));
        return korvul::kExitArguments;
    }
    korvul::InstallReadSignalHandlers();
    return korvul::RunReadCommand(parse.Options);
}
