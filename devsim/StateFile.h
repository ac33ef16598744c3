#pragma once
// Device state as a JSON file, so that a demo keeps the changes made to the simulated device.
#include "devsim/Device.h"

#include <QString>

namespace devsim {

// Loads `path` into the device; false (device untouched) when the file is missing or not ours, or was
// written for another identification number.
bool LoadState(const QString &path, Device &device);
// Writes the device state to `path` through a temporary file and a rename; false on failure.
bool SaveState(const QString &path, Device &device);

} // namespace devsim
