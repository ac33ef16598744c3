// devsim: a device simulator for the QT family on a pseudo-terminal or a serial port. docs/simulator.md
// describes its options. It shares no code with the program, so it can also serve a real cable.
#include "devsim/Device.h"
#include "devsim/Options.h"
#include "devsim/Server.h"
#include "devsim/StateFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);  // for the option parser only; devsim runs its own poll loop
    QCoreApplication::setApplicationName("devsim");
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVUL_VERSION));
    devsim::CommandLine cl;
    QString error;
    if (!devsim::ParseCommandLine(QCoreApplication::arguments(), cl, error)) {
        std::fprintf(stderr, "devsim: %s\n", qPrintable(error));
        return 2;
    }
    devsim::Device device(cl.device, std::time(nullptr));
    if (!cl.server.stateFile.isEmpty() && QFileInfo::exists(cl.server.stateFile) &&
        !devsim::LoadState(cl.server.stateFile, device))
        std::fprintf(stderr, "devsim: %s is not a state of this device type; starting fresh\n",
                     qPrintable(cl.server.stateFile));
    devsim::Server server(device, cl.server);
    return server.Run();
}
