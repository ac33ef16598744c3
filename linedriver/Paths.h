#pragma once
// Where the line driver looks for things: the user's korvul configuration folder, the folder of
// the running program, and the device behind a port name.
#include <string>
#include <string_view>

namespace linqor {

// $XDG_CONFIG_HOME/korvul (an absolute XDG_CONFIG_HOME only), else ~/.config/korvul.
std::string KorvulConfigDir();

// Folder of the executable that loaded the library (/proc/self/exe), "" if unknown.
std::string ProgramDir();

// Device path for a port name: tcp://... and rfc2217://... as they stand (NetPort); a name with "/" is a path as it stands; otherwise the entry
// <config>/ports/<NAME> when present (normally a symbolic link to the device); otherwise
// COMn (any letter case, n = 1..256) is /dev/ttyS<n-1>. "" when the name names nothing.
std::string ResolvePortName(std::string_view name);

} // namespace linqor
