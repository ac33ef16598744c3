#pragma once
// Where the port list learns which serial ports the system has and what they are. The program asks
// Qt's serial port information (udev, else sysfs); tests hand in a fixed table. Enumeration only:
// nothing here opens a port for use (the line driver alone does that).
#include <QString>
#include <vector>

namespace korvul {

struct TSerialPortFacts {
    QString Path;          // device node, e.g. "/dev/ttyUSB0"
    QString Description;   // product text, e.g. "FT232R USB UART"; may be empty
    QString Manufacturer;  // e.g. "FTDI"; may be empty
    QString SerialNumber;  // may be empty
    int VendorId = -1;     // USB vendor id, -1 when not a USB device
    int ProductId = -1;    // USB product id, -1 when not a USB device
};

class TSerialPortSource {
public:
    virtual ~TSerialPortSource() = default;
    virtual std::vector<TSerialPortFacts> Ports() const = 0;
};

// The ports Qt finds on this system.
class TSystemSerialPorts : public TSerialPortSource {
public:
    std::vector<TSerialPortFacts> Ports() const override;
};

} // namespace korvul
