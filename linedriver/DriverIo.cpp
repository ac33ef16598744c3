// The byte-moving commands: dpWrite, dpRead, dpPurge, dpInQueue, dpSetParam.
#include "linedriver/Driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace linqor {

namespace {

// The errors a port gives once its device is gone (hang-up, adapter unplugged).
bool PortGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

// A write that the port accepts no byte of for this long ends as a line error.
constexpr int64_t kMinWriteStallMs = 1000;

// Modem lines watched by LineChecks: the first missing one's code, or 0. Lines that cannot be
// read count as present.
int32_t LineCheck() {
    const DriverState &s = State();
    int present = 0;
    if (s.port.modemLines(present) != 0) return 0;
    if ((s.lineChecks & lcCTS) && !(present & lcCTS)) return deNoCTS;
    if ((s.lineChecks & lcDSR) && !(present & lcDSR)) return deNoDataSetReady;
    if ((s.lineChecks & lcCarrier) && !(present & lcCarrier)) return deNoCarrier;
    return 0;
}

// One port read's wait: a CharTimeout slice, never past the read's deadline. A CharTimeout of 0
// waits up to the deadline.
int ByteWaitMs(const Deadline &deadline) {
    const int left = deadline.remainingMs();
    const int64_t slice = State().charTimeoutMs;
    return slice <= 0 ? left : int(std::min<int64_t>(slice, left));
}

// Reads up to `want` bytes one port read at a time; `got` counts what arrived even on failure.
int32_t ReceiveLoop(uint8_t *buffer, int32_t want, int32_t &got, int32_t *arg4) {
    DriverState &s = State();
    Trace &trace = TraceLog();
    Deadline deadline(s.receiveTimeoutMs);
    while (got < want) {
        if (s.lineChecks != 0) {
            int32_t code = LineCheck();
            if (code != 0) code = LineCheck();  // a line must be missing twice in a row
            if (code != 0) return code;
        }
        if (s.abortCheck && s.abortCheck() != 0) return deAborted;
        uint8_t byte = 0;
        bool came = false;
        const Deadline slice(ByteWaitMs(deadline));
        if (const int err = s.port.readByte(byte, slice, came); err != 0) {
            if (PortGone(err)) s.portGone = true;
            return PortFailure(err, err);
        }
        if (came) {
            buffer[got++] = byte;
            if (arg4) *arg4 = got;
            if (trace.on()) trace.receiveByte(byte);
            deadline.restart();
        } else if (deadline.expired()) {
            return deTimeout;
        }
    }
    return 0;
}

// Waits for the transmit queue to empty before a reconfiguration: at most ReceiveTimeout, and
// ends early with the raw error bits when the port reports a line error meanwhile.
int32_t DrainTransmitQueue(int32_t outQueue) {
    DriverState &s = State();
    const int64_t baud = std::max<int64_t>(s.port.currentBaud(), 1);
    Deadline deadline(s.receiveTimeoutMs);
    int32_t result = 0;
    QueueStatus q;
    q.outQueue = outQueue;
    while (q.outQueue > 0 && !deadline.expired() && result == 0) {
        // Roughly the time the queued bytes take on the line (10 bits each), 1..20 ms a step.
        const int64_t need = int64_t(q.outQueue) * 10000 / baud;
        SleepMs(std::clamp<int64_t>(need, 1, std::min<int64_t>(20, deadline.remainingMs() + 1)));
        if (s.port.queueStatus(q) != 0) q.outQueue = 0;
        s.commErrors = q.errors;
        if (CountsAsLineError(s.commErrors)) result = int32_t(s.commErrors);
    }
    SleepMs(1000 / baud + 1);  // the last character leaves the shift register
    return result;
}

int32_t Reconfigure(int32_t param, int32_t value) {
    DriverState &s = State();
    QueueStatus q;
    s.port.queueStatus(q);
    s.commErrors = q.errors;
    int32_t result = q.outQueue > 0 ? DrainTransmitQueue(q.outQueue) : 0;
    PortSettings change;
    switch (param) {
    case spBaudRate: change.baud = value; break;
    case spDataBits: change.dataBits = value & 0xFF; break;
    case spParity: change.parity = value & 0xFF; break;
    default: change.stopCode = value & 0xFF; break;
    }
    if (const int err = s.port.applySettings(change); err != 0 && s.port.isNetwork()) {
        result = PortFailure(err, err);
    } else if (err != 0) {
        s.commErrors = s.port.fetchErrors();
        // Without error bits the platform's reason is returned, so a refusal never reads as 0.
        result = s.commErrors != 0 ? int32_t(s.commErrors) : err;
    }
    s.port.setDtr(true);
    s.port.setRts(true);
    return result;
}

} // namespace

// Result: 0; deLineError when the port's device is gone (lsPortGone set), when the port reports errors (a lone parity error counts only when
// parity is significant) or the bytes could not all be written; deBadArgument.
int32_t CmdWrite(const void *data, int32_t *arg3, int32_t *arg4) {
    if (arg4) *arg4 = 0;
    if (!IsOpen()) return deNotOpen;
    if (!arg3 || *arg3 < 0 || (*arg3 > 0 && !data)) return deBadArgument;
    DriverState &s = State();
    const auto *bytes = static_cast<const uint8_t *>(data);
    const size_t count = size_t(*arg3);
    if (TraceLog().on()) TraceLog().sendBytes(bytes, count);
    Deadline stall(std::max(s.receiveTimeoutMs, kMinWriteStallMs));
    size_t written = 0;
    const int err = count ? s.port.writeAll(bytes, count, written, stall) : 0;
    if (arg4) *arg4 = int32_t(written);
    s.commErrors = s.port.fetchErrors();
    if (PortGone(err)) s.portGone = true;
    if (err != 0) return PortFailure(err, deLineError);
    return CountsAsLineError(s.commErrors) ? deLineError : 0;
}

// Result: 0 when *Arg3 bytes arrived; deTimeout, deAborted, deNo..., errno of a failed port read: EIO
// at once when the port hangs up (unplugged adapter, closed pseudo-terminal master), which also sets
// lsPortGone. *Arg4 counts the bytes stored, never more than *Arg3.
int32_t CmdRead(void *data, int32_t *arg3, int32_t *arg4) {
    if (arg4) *arg4 = 0;
    if (!IsOpen()) return deNotOpen;
    if (!arg3 || *arg3 < 0 || (*arg3 > 0 && !data)) return deBadArgument;
    const int32_t want = *arg3;  // taken once: AbortCheck may run code that changes *arg3
    if (want == 0) return 0;
    int32_t got = 0;
    const int32_t code = ReceiveLoop(static_cast<uint8_t *>(data), want, got, arg4);
    if (code != 0 && TraceLog().on()) {
        char text[48];
        const int n = snprintf(text, sizeof text, "Receive: State=%d", int(code));
        TraceLog().event(text, size_t(n));
    }
    return code;
}

int32_t PurgeQueues(int32_t flags) {
    DriverState &s = State();
    Trace &trace = TraceLog();
    s.port.fetchErrors();
    s.commErrors = 0;
    int32_t result = 0;
    if (flags & 1) {
        if (trace.on()) trace.event("Clear Buffer TX");
        if (const int err = s.port.flush(true); err != 0) result = PortFailure(err, deLineError);
    }
    if (flags & 2) {
        if (trace.on()) trace.event("Clear Buffer RX");
        if (const int err = s.port.flush(false); err != 0) result = PortFailure(err, deLineError);
        // Bytes still arriving are read away, but a peer that never stops cannot hold us here.
        Deadline deadline(s.receiveTimeoutMs);
        int count = 0;
        while (result == 0 && s.port.waiting(count) == 0 && count > 0 && !deadline.expired()) {
            uint8_t junk[32];
            size_t got = 0;
            if (s.port.readAvailable(junk, sizeof junk, got) != 0 || got == 0) break;
        }
    }
    return result;
}

int32_t CmdPurge(int32_t *arg3) {
    if (!arg3) return deBadArgument;
    return PurgeQueues(*arg3);
}

// Bytes waiting, or deLineError with the port's error bits kept in CommErrors.
int32_t CmdInQueue() {
    QueueStatus q;
    if (State().port.queueStatus(q) != 0) {
        State().commErrors = q.errors;
        return deLineError;
    }
    return q.inQueue;
}

int32_t CmdSetParam(void *data, int32_t *arg3, int32_t *arg4) {
    if (!IsOpen()) return deNotOpen;
    if (!arg3) return deBadArgument;
    DriverState &s = State();
    const int32_t param = *arg3;
    if (param == spAbortCheck) {
        s.abortCheck = reinterpret_cast<LineAbortCheck>(data);
        return 0;
    }
    if (param < 0 || param > spCharTimeout) return 0;  // unknown parameters change nothing
    if (!arg4) return deBadArgument;
    const int32_t value = *arg4;
    switch (param) {
    case spTimeout: s.receiveTimeoutMs = uint32_t(value); return 0;
    case spLineChecks: s.lineChecks = uint8_t(value & (lcCTS | lcDSR | lcCarrier)); return 0;
    // The port's own VMIN/VTIME stay 0; the next byte wait uses the new slice.
    case spCharTimeout: s.charTimeoutMs = uint32_t(value); return 0;
    default: return Reconfigure(param, value);
    }
}

} // namespace linqor
