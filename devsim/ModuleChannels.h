#pragma once
// The end devices behind a CLM-300's four channels. The Device talks to one end device model at a time
// (its `model_`); switching through to another channel parks the current model in its slot and takes
// the model of the new channel out of its own, so every end device keeps its state.
#include "devsim/DeviceModel.h"

#include <array>
#include <ctime>
#include <memory>

namespace devsim {

class ModuleEndDevices {
public:
    // idents: identification of each channel's end device, 0 for none. `active` receives the model of the
    // first channel that has one (or of `fallbackIdent` when no channel has one).
    ModuleEndDevices(const std::array<int, 4> &idents, int fallbackIdent, const ModelOptions &o,
                     std::time_t now, std::unique_ptr<DeviceModel> &active);
    // Makes channel (1..4) the active one; nothing for a channel without an end device.
    void Select(int channel, std::unique_ptr<DeviceModel> &active);
    int ActiveChannel() const { return active_ + 1; }

private:
    std::array<std::unique_ptr<DeviceModel>, 4> parked_;
    int active_ = 0;  // 0-based channel whose model is `active`
};

// Channel idents from the end device option and the per-channel choices (-1: not given): channel 1
// defaults to `endDevice`, the others to none.
std::array<int, 4> ModuleChannelIdents(int endDevice, const std::array<int, 4> &choices);

} // namespace devsim
