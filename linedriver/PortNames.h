#pragma once
// The one rule that turns a port name into the device the line driver opens. Plain C++ and libc, so
// the driver and the program (its port list and messages) use the very same code.
//
//   1. A name with a "scheme://" prefix is handed on unchanged (network ports are not devices).
//   2. A name holding "/" is a device path as it stands.
//   3. Otherwise the entry <config>/ports/<NAME>, when present (normally a symbolic link to the
//      device), where <config> is KorvulConfigDir().
//   4. Otherwise COMn, n = 1..256 in decimal without leading zeros, any letter case, is
//      /dev/ttyS<n-1>.
//   Anything else ("", ".", "..", "COM0", "COM01", "LPT1") names nothing: "".
#include <string>
#include <string_view>

namespace linqor {

// $XDG_CONFIG_HOME/korvul when XDG_CONFIG_HOME is an absolute path; otherwise ~/.config/korvul
// ($HOME, else the password database). A relative or empty XDG_CONFIG_HOME is ignored, as the XDG
// rules ask. "" when no home folder is known.
std::string KorvulConfigDir();

// KorvulConfigDir() + "/ports"; "" when there is no configuration folder.
std::string PortsDir();

// True for "scheme://rest" with a scheme of letters, digits, '+', '-', '.' starting with a letter.
bool HasScheme(std::string_view name);

// The n of a COMn name (rule 4), else 0.
int ComNumber(std::string_view name);

// The device path (or link path, or scheme name) for a port name by the rule above; "" if none.
std::string ResolvePortName(std::string_view name);

// The path with every symbolic link followed (realpath); the path itself when that fails.
std::string CanonicalPath(const std::string &path);

} // namespace linqor
