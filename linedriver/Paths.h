#pragma once
// Where the line driver looks for things: the folder of the running program; the configuration
// folder and the device behind a port name follow the rule of PortNames.h.
#include "linedriver/PortNames.h"

#include <string>

namespace linqor {

// Folder of the executable that loaded the library (/proc/self/exe), "" if unknown.
std::string ProgramDir();

} // namespace linqor
