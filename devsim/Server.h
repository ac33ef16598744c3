#pragma once
// The simulator's port side: a pseudo-terminal (with a link pointing at it) or a given tty, the event
// loop, output throttled to the baud rate against absolute deadlines, byte corruption, SIGTERM.
#include "devsim/Device.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace devsim {

struct ServerOptions {
    QString portLink;       // symlink to create pointing at the pty slave (replaced atomically)
    QString tty;            // serve this terminal device instead of a pty
    int baud = 0;           // 0: no throttling
    int bitsPerChar = 10;   // start + data + parity + stop bits
    int dataBits = 8;       // character format of a real port (--format)
    char parity = 'N';
    int stopBits = 1;
    int corruptEvery = 0;   // flip every n-th byte sent (0: never)
    QString stateFile;      // saved at exit and after changes
    bool verbose = false;   // traffic to stderr
    bool exitWithParent = false;  // SIGTERM when the parent process ends (tests that crash leave no devsim)
};

// Deadlines of throttled output: byte k of a continuous burst leaves at start + k x byte time, so
// rounding of the wait never accumulates; an idle line starts a new burst.
class Throttle {
public:
    Throttle(int baud, int bitsPerChar);
    // Deadline for the next byte queued now; lineBusy: earlier bytes are still waiting to be sent.
    int64_t NextDeadlineNs(int64_t nowNs, bool lineBusy);
    bool Enabled() const { return byteNs_ > 0; }
    // Bytes a UART's receive FIFO hands over at once when throttled: the receive trigger level of a
    // 16550A as Linux sets it (8 bytes). The group leaves when its last byte has arrived.
    int GroupBytes() const { return byteNs_ > 0 ? kFifoTrigger : 1; }
    static constexpr int kFifoTrigger = 8;
private:
    int64_t byteNs_ = 0;
    int64_t burstStartNs_ = 0;
    int64_t burstBytes_ = 0;
};

class Server {
public:
    Server(Device &device, const ServerOptions &o);
    ~Server();
    // Serves until SIGTERM/SIGINT; returns the process exit code.
    int Run();
    QString SlaveName() const { return slaveName_; }

private:
    bool OpenPort();
    bool ConfigureTty();
    bool MakeLink();
    void RemoveLink();
    void ReadInput(int64_t nowNs);
    void QueueDue(int64_t nowNs);
    void QueueAnswer(const std::string &bytes, int64_t nowNs);
    void WriteDue(int64_t nowNs);
    int64_t NextWakeNs(int64_t nowNs) const;
    void MaybeSave(int64_t nowNs, bool force);

    Device &device_;
    ServerOptions o_;
    Throttle throttle_;
    int fd_ = -1;
    int sigFd_ = -1;
    QString slaveName_;
    bool isPty_ = false;
    std::vector<Emit> pending_;                           // answers waiting for their send time
    std::deque<std::pair<int64_t, uint8_t>> out_;         // bytes with their send deadlines (ns)
    int64_t sentBytes_ = 0;
    uint64_t savedChanges_ = 0;
    int64_t lastSaveNs_ = 0;
};

int64_t MonotonicNs();

} // namespace devsim
