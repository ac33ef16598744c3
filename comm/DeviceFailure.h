#pragma once
// The one rule by which device actions sort the communication layer's exception: "ERROR" or a negative
// number means the connection is broken; a positive number is the device's refusal; any other text
// (a library load text, a language text such as 251 or 256) is shown as it stands.
#include "comm/Drivers.h"

namespace korvul {

enum class TDeviceFailure { ConnectionBroken, DeviceRefusal, Other };

inline TDeviceFailure ClassifyDeviceFailure(const TCommClassException &e) {
    const QString text = e.Message();
    if (text == QLatin1String(kErrorText)) return TDeviceFailure::ConnectionBroken;
    bool isNumber = false;
    const int result = text.toInt(&isNumber, 10);
    if (!isNumber) return TDeviceFailure::Other;
    return result < 0 ? TDeviceFailure::ConnectionBroken : result > 0 ? TDeviceFailure::DeviceRefusal
                                                                      : TDeviceFailure::Other;
}

} // namespace korvul
