#pragma once
// A device's serial line reached through the network: "tcp://HOST:PORT" carries the bytes as they are
// (the gateway's own line settings apply), "rfc2217://HOST:PORT" speaks telnet with the COM-PORT
// option, so baud rate, data bits, parity, stop bits and purges reach the remote port.
// Same error contract as SerialPort: 0 or an errno value, nothing throws. A connection the server
// closes shows as ECONNRESET; IsConnectionError() tells the command layer which values mean that the
// network connection failed (deNetConnection) rather than the port.
#include "linedriver/Deadline.h"
#include "linedriver/Telnet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace linqor {

struct PortSettings;
struct QueueStatus;

// Longest wait for the TCP connection and, for rfc2217://, for the server's agreement to the COM-PORT
// option, in ms.
inline constexpr int64_t kNetConnectTimeoutMs = 5000;

// True for a name starting with "tcp://" or "rfc2217://" (any letter case).
bool IsNetworkPortName(std::string_view name);

// Length of the network port name "SCHEME://HOST:PORT" (HOST may be "[v6 address]") at the start of
// an open text, up to the end of PORT's digits; 0 when the text does not start with a network scheme.
size_t NetworkNameLength(std::string_view text);

// The network port a resolved port path stands for: the path itself when it is such a name, else the
// target of a symbolic link or the first line of a small regular file (a ports-directory entry) when
// that is one. False for everything else (a device path).
bool NetworkTarget(const char *path, std::string &url);

// Errno values that mean the connection could not be made or was lost (refused, unreachable, reset,
// closed by the server, no COM-PORT agreement).
bool IsConnectionError(int err);

class NetPort {
public:
    constexpr NetPort() = default;
    bool isOpen() const { return fd_ >= 0; }

    // Connects to `url` (EINVAL when malformed, EHOSTUNREACH when the host has no address, the
    // connect's errno, ETIMEDOUT after kNetConnectTimeoutMs). For rfc2217:// also negotiates the
    // COM-PORT option (EPROTONOSUPPORT when the server refuses it or does not answer in time).
    int open(std::string_view url);
    void close();

    // rfc2217://: sends the given fields to the remote port (EINVAL for a value it cannot carry);
    // tcp://: checks them only. The baud rate last set is kept for currentBaud().
    int applySettings(const PortSettings &s);
    int64_t currentBaud() const { return baud_; }

    int queueStatus(QueueStatus &out) const;
    int waiting(int &count) const;
    // Receive: drops what is held and, for rfc2217://, asks the server to drop its buffer of bytes from
    // the device; transmit: for rfc2217:// asks the server to drop the bytes not yet sent to the device.
    int flush(bool transmit);

    // As SerialPort: one byte or none within `wait`; ECONNRESET when the server closed the connection.
    int readByte(uint8_t &byte, const Deadline &wait, bool &got);
    int readAvailable(uint8_t *buf, size_t n, size_t &got);
    int writeAll(const uint8_t *data, size_t n, size_t &written, Deadline &stall);

private:
    static constexpr size_t kReceiveBuffer = 512;
    size_t buffered() const { return rxEnd_ - rxHead_; }
    void dropBuffered() { rxHead_ = rxEnd_ = 0; }
    int connectTo(std::string_view hostPort, const Deadline &deadline);
    int negotiate(const Deadline &deadline);
    int receive();  // one non-blocking socket read, decoded into the empty receive buffer
    int sendRaw(const uint8_t *data, size_t n, Deadline &stall);
    int sendCommand(uint8_t command, uint32_t value, int size);

    int fd_ = -1;
    bool telnet_ = false;
    int lost_ = 0;  // why the connection ended (ECONNRESET ...); every later read and write fails with it
    int64_t baud_ = 0;
    TelnetDecoder decoder_;
    uint8_t rx_[kReceiveBuffer] = {};  // data bytes not yet delivered: [rxHead_, rxEnd_)
    size_t rxHead_ = 0, rxEnd_ = 0;
};

} // namespace linqor
