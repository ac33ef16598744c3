#pragma once
// Network serial port names as the line driver takes them (tcp://HOST:PORT, rfc2217://HOST:PORT), for
// the program's side: lists of ports and messages. Pure logic besides reading one ports-directory entry.
#include <QString>

namespace korvul {

// True for a name starting with "tcp://" or "rfc2217://" (any letter case).
bool IsNetworkPortName(const QString &name);

// The network port a ports-directory entry names: the target of a symbolic link, or the first line of
// a small regular file, when that is a network port name; else "".
QString NetworkPortEntry(const QString &entryPath);

} // namespace korvul
