#pragma once
// The serial ports the settings dialog offers: every COMn the program can open (links in the ports
// folder, COM1..COM9 on a serial port the system lists) and every other serial port present, with
// what the system knows about it, whether this user may open it and whether another program holds
// it. Nothing here opens a port.
#include "options/OptionRules.h"
#include "options/SerialPortSource.h"

#include <QString>
#include <map>
#include <sys/types.h>
#include <vector>

namespace korvul {

// <devRoot>/serial/by-id links: canonical device path -> by-id path (the first in name order).
std::map<QString, QString> ByIdNames(const QString &devRoot);

// Whether a file with this mode, owner and group may be opened for reading and writing by a user
// with effective id `uid` and the groups `groups` (uid 0 may always).
bool PermitsReadWrite(mode_t mode, uid_t owner, gid_t group, uid_t uid, const std::vector<gid_t> &groups);

// The listed ports in this order: COM1..COM9 (links first, then serial ports by number), then the
// ports no COMn names, in the source's order. A COMn whose device is missing is left out.
std::vector<TListedPort> ListPorts(const TSerialPortSource &source, const QString &devRoot = QStringLiteral("/dev"));

// The entry's text: "COM3 (/dev/ttyUSB0)" or "/dev/ttyUSB0", then the known facts and the
// permission and in-use marks, e.g. "COM3 (/dev/ttyUSB0) - FT232R USB UART, FTDI, A1B2, 0403:6001".
QString PortEntryText(const TListedPort &port);

// "COM1 (/dev/ttyS0), /dev/ttyUSB0" for the messages that name the ports present; "" when none.
QString PresentPortsText(const std::vector<TListedPort> &ports);

} // namespace korvul
