#pragma once
// The QT-700/M's own register behaviour: the memory partition (register 2810) and the sensor adjustment
// command (register 3812 = "01"). Called by DeviceModel::WriteRegister after the access check.
#include "devsim/DeviceModel.h"

namespace devsim {

// "0n" + four hexadecimal digits makes the share of channel n (register 1401) that value; "FFFFFF"
// closes the partition and is refused (03) when the shares do not add up to the total memory (register
// 0400), which never changes. Other texts: refusal 03.
Reply WriteMemoryPartition(DeviceState &state, const std::string &value);

// The sensor adjustment of one channel: offset (3011) := lower value (3810); slope (3012) := (higher -
// lower) / maximum (3010), as 8 hexadecimal mantissa digits with the finest decimal exponent that fits.
// Refusal 03 when a value is missing or malformed, the maximum is 0 or the higher value lies below the
// lower one.
Reply ComputeSensorScaling(ChannelState &channel);

} // namespace devsim
