#include "devsim/ModuleChannels.h"

namespace devsim {

ModuleEndDevices::ModuleEndDevices(const std::array<int, 4> &idents, int fallbackIdent, const ModelOptions &o,
                                   std::time_t now, std::unique_ptr<DeviceModel> &active) {
    active_ = -1;
    for (std::size_t i = 0; i < 4; ++i) {
        if (idents[i] == 0) continue;
        auto model = std::make_unique<DeviceModel>(TypeFromIdent(idents[i]), o, now);
        if (active_ < 0) {
            active_ = int(i);
            active = std::move(model);
        } else {
            parked_[i] = std::move(model);
        }
    }
    if (active_ < 0) {
        active_ = 0;
        active = std::make_unique<DeviceModel>(TypeFromIdent(fallbackIdent), o, now);
    }
}

void ModuleEndDevices::Select(int channel, std::unique_ptr<DeviceModel> &active) {
    const int i = channel - 1;
    if (i < 0 || i > 3 || i == active_ || !parked_[std::size_t(i)]) return;
    parked_[std::size_t(active_)] = std::move(active);
    active = std::move(parked_[std::size_t(i)]);
    active_ = i;
}

std::array<int, 4> ModuleChannelIdents(int endDevice, const std::array<int, 4> &choices) {
    std::array<int, 4> idents{endDevice, 0, 0, 0};
    for (std::size_t i = 0; i < 4; ++i)
        if (choices[i] >= 0) idents[i] = choices[i];
    return idents;
}

} // namespace devsim
