#pragma once
// devsim's command line: device type, port, modem, throttling, faults and state file.
#include "devsim/Device.h"
#include "devsim/Server.h"

#include <QString>
#include <QStringList>

namespace devsim {

struct CommandLine {
    DeviceOptions device;
    ServerOptions server;
};

// Factor for devsim's own delays from KORVUL_TIME_SCALE (1 when unset or not a positive number).
double TimeScale();

// Parses the arguments (arguments[0] is the program); false with a message on bad input.
bool ParseCommandLine(const QStringList &arguments, CommandLine &cl, QString &error);

} // namespace devsim
