#pragma once
// The serial port as the operating system sees it: open with lock, termios, ioctl, poll. A port path
// that names a network port (NetworkTarget) is served by a NetPort behind the same functions.
// Every function returns 0 or the errno value captured right at the failing system call; the
// command layer (Driver*.cpp) turns those into the driver's result codes. Nothing here throws.
#include "linedriver/Deadline.h"
#include "linedriver/PortLock.h"
#include "linedriver/NetPort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <termios.h>

namespace linqor {

using Termios = struct ::termios;

// Line settings to write; an empty field keeps the value the port reports. Values outside the
// valid range (parity -1, data bits 9, an unknown baud rate) make ApplySettings fail with EINVAL.
struct PortSettings {
    std::optional<int64_t> baud;      // bits per second, one of the standard rates
    std::optional<int64_t> parity;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::optional<int64_t> dataBits;  // 5..8
    std::optional<int64_t> stopCode;  // 0 one, 1 one and a half (5 data bits only), 2 two
    std::optional<bool> parityCheck;  // input parity checking (INPCK)
};

// Error bits and queue counts as one query reports them.
struct QueueStatus {
    uint32_t errors = 0;   // ce... bits of linqor32.h
    int32_t inQueue = 0;   // bytes received and not yet read
    int32_t outQueue = 0;  // bytes written and not yet sent
};

class SerialPort {
public:
    bool isOpen() const { return fd_ >= 0 || net_.isOpen(); }
    bool isNetwork() const { return net_.isOpen(); }

    // A network port (tcp://, rfc2217://, or a ports-directory entry naming one) is connected with
    // NetPort::open and has its errors. Otherwise: opens `path` for reading and writing without
    // becoming its controlling terminal, takes the exclusive lock (flock) before anything else touches
    // the line, then TIOCEXCL, then the UUCP lock file (PortLock.h). Fails with ENOTTY for anything
    // that is not a terminal, EWOULDBLOCK/EBUSY when another holds it (EBUSY also for another
    // program's live lock file), EACCES without permission, ENOENT/ENXIO/ENODEV when the device is missing.
    int open(const char *path);
    void close();  // also removes this port's lock file

    // Which field of `s` no port accepts: 1 speed, 2 parity, 3 data bits, 4 stop bits; 0 when each
    // is valid on its own (the port refused the combination).
    static int RefusedField(const PortSettings &s);

    // Raw binary mode plus the given fields, written with tcsetattr. Returns 0 or errno (EINVAL
    // for an invalid field).
    int applySettings(const PortSettings &s);
    int64_t currentBaud() const;  // from the port's settings; 0 if unknown

    // The port's VMIN/VTIME pair; reads use poll(), so the driver keeps them at 0.
    int readTimeouts(uint8_t &vmin, uint8_t &vtime) const;
    int setTimeouts(uint8_t vmin, uint8_t vtime);

    // Error bits since the previous fetch (TIOCGICOUNT deltas); 0 when the port cannot say.
    uint32_t fetchErrors();
    // Error bits plus queue counts (inQueue includes the bytes read ahead and not yet delivered);
    // on failure the error bits are still filled in.
    int queueStatus(QueueStatus &out);

    // Bytes received and not yet delivered (port and read-ahead), without the error fetch.
    int waiting(int &count) const;
    int flush(bool transmit);  // discards the transmit (true) or receive (false, incl. read-ahead) queue
    // Present modem lines as lcCTS | lcDSR | lcCarrier bits; errno when they cannot be read.
    int modemLines(int &present) const;
    void setDtr(bool on);
    void setRts(bool on);

    // One byte: returns at once if one is waiting, else waits until `wait` expires. `got` tells
    // whether a byte came. A hang-up (POLLHUP/POLLERR, an unplugged adapter, a closed pseudo-terminal
    // master) is EIO at once, without waiting for `wait` (bytes received before it come first).
    // A port read takes everything waiting (up to kReceiveBuffer bytes) and keeps the surplus for the
    // next calls, so a burst costs one system call instead of one per byte.
    int readByte(uint8_t &byte, const Deadline &wait, bool &got);
    // Up to n bytes without waiting (the kept bytes first); `got` is the count read.
    int readAvailable(uint8_t *buf, size_t n, size_t &got);
    // Writes all n bytes, waiting for room while `stall` has not expired; the deadline restarts
    // with every byte accepted. ETIMEDOUT when the port takes nothing for the whole stall time.
    int writeAll(const uint8_t *data, size_t n, size_t &written, Deadline &stall);

private:
    struct Counts {
        uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool readCounts(Counts &c) const;
    bool onlyPtyFixedBitsDiffer(const Termios &wanted) const;

    static constexpr size_t kReceiveBuffer = 256;
    size_t buffered() const { return rxEnd_ - rxHead_; }
    void dropBuffered() { rxHead_ = rxEnd_ = 0; drained_ = false; }

    int fd_ = -1;
    UucpLock lock_;
    uint8_t rx_[kReceiveBuffer] = {};  // bytes read from the port and not yet delivered: [rxHead_, rxEnd_)
    size_t rxHead_ = 0, rxEnd_ = 0;
    bool drained_ = false;  // the last port read took all that was waiting
    Counts last_{};
    bool countsKnown_ = false;
    bool isPty_ = false;
    // The network port when one is open: no termios, error counts or modem lines (the line checks
    // see all lines present); time-outs, purges and reads behave as for a local port.
    NetPort net_;
};

} // namespace linqor
