#include "options/SerialPortSource.h"

#include <QSerialPortInfo>

namespace korvul {

std::vector<TSerialPortFacts> TSystemSerialPorts::Ports() const {
    std::vector<TSerialPortFacts> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        TSerialPortFacts f;
        f.Path = info.systemLocation();
        f.Description = info.description();
        f.Manufacturer = info.manufacturer();
        f.SerialNumber = info.serialNumber();
        if (info.hasVendorIdentifier()) f.VendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) f.ProductId = info.productIdentifier();
        ports.push_back(f);
    }
    return ports;
}

} // namespace korvul
