#include "linedriver/Driver.h"

#include "linedriver/OpenText.h"
#include "linedriver/Paths.h"
#ifdef KORVUL_LINQOR_TESTING
#include "linedriver/TestHooks.h"
#endif

#include <cerrno>
#include <cstring>
#include <string>

namespace linqor {

namespace {

constinit DriverState g_state;
constinit Trace g_trace;

// An open text longer than this is not a port name and settings (the program sends at most 255).
constexpr size_t kMaxOpenText = 64 * 1024;

void ApplyTimeouts() {
    DriverState &s = g_state;
    if (!s.savedTimeoutsValid && s.port.readTimeouts(s.savedVmin, s.savedVtime) == 0)
        s.savedTimeoutsValid = true;
    // Reads never block in read(): each byte is waited for with poll() in CharTimeout slices.
    s.port.setTimeouts(0, 0);
}

int32_t CmdReset() {
    DriverState &s = g_state;
    int32_t result = 0;
    if (IsOpen()) result = ClosePort();
    s.lineState = lsInitialised;
    s.abortCheck = nullptr;
    s.paritySignificant = true;
    s.lineChecks = 0;
    s.commErrors = 0;
    return result;
}

// Hands the stage and errno of a failed open to the caller (either pointer may be null).
int32_t OpenFailed(int32_t result, int32_t stage, int err, int32_t *arg3, int32_t *arg4) {
    if (arg3) *arg3 = stage;
    if (arg4) *arg4 = err;
    return result;
}

// Result: 0, deNotInitialised, deBadArgument, deOpenFailed (no such port, not a terminal, held by
// another) or the errno of a configuration the port rejects (EINVAL for invalid fields). A failure
// also fills *Arg3 (OpenStage) and *Arg4 (errno), see linqor32.h.
int32_t CmdOpen(const void *data, int32_t *arg3, int32_t *arg4) {
    DriverState &s = g_state;
    if (!(s.lineState & lsInitialised)) return deNotInitialised;
    s.lineChecks = 0;
    if (!data) return deBadArgument;
    const char *text = static_cast<const char *>(data);
    const size_t length = strnlen(text, kMaxOpenText);
    if (length == kMaxOpenText) return deBadArgument;
    const OpenText parsed = ParseOpenText(std::string_view(text, length));
    if (!parsed.hasColon || parsed.portTooLong) return OpenFailed(deOpenFailed, osPort, 0, arg3, arg4);
    const std::string path = ResolvePortName(parsed.port);
    if (path.empty()) return OpenFailed(deOpenFailed, osPort, 0, arg3, arg4);
    if (IsOpen()) ClosePort();  // a second open replaces the first instead of leaking it
    if (const int err = s.port.open(path.c_str()); err != 0)
        return OpenFailed(IsConnectionError(err) ? deNetConnection : deOpenFailed, osPort, err, arg3, arg4);
    const int err = parsed.badTimeout ? EINVAL : s.port.applySettings(parsed.settings);
    if (err != 0) {
        s.port.close();
        const int field = parsed.badTimeout ? osTimeout : SerialPort::RefusedField(parsed.settings);
        return OpenFailed(err, field != 0 ? field : osCombination, err, arg3, arg4);
    }
    s.receiveTimeoutMs = parsed.receiveTimeoutMs.value_or(500);
    s.paritySignificant = !parsed.ignoreParity;
    PurgeQueues(3);
    ApplyTimeouts();
    s.port.setDtr(true);
    s.port.setRts(true);
    s.portGone = false;
    s.lineState |= lsPortOpen;
    return 0;
}

int32_t CmdStop() {
    DriverState &s = g_state;
    if (!(s.lineState & lsInitialised)) return deNotInitialised;
    if (IsOpen()) ClosePort();
    s.lineState = 0;
    return 0;
}

int32_t CmdStatus(int32_t *arg3, int32_t *arg4) {
    if (arg3) *arg3 = g_state.lineState | (g_state.portGone ? lsPortGone : 0);
    if (arg4) *arg4 = int32_t(g_state.commErrors);
    return 0;
}

int32_t CmdVersion(int32_t *arg3, int32_t *arg4) {
    if (arg3) *arg3 = 0;
    if (arg4) *arg4 = LINQOR32_VERSION;
    return 0;
}

int32_t RunCommand(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    switch (command) {
    case dpReset: return CmdReset();
    case dpOpen: return CmdOpen(data, arg3, arg4);
    case dpWrite: return CmdWrite(data, arg3, arg4);
    case dpRead: return CmdRead(data, arg3, arg4);
    case dpPurge: return IsOpen() ? CmdPurge(arg3) : deNotOpen;
    case dpClose: return IsOpen() ? ClosePort() : deNotOpen;
    case dpStop: return CmdStop();
    case dpStatus: return CmdStatus(arg3, arg4);
    case dpVersion: return CmdVersion(arg3, arg4);
    case dpSetParam: return CmdSetParam(data, arg3, arg4);
    case dpInQueue: return IsOpen() ? CmdInQueue() : deNotOpen;
    default: return deUnknownCommand;  // dpBind, dpRelease, 13 and up
    }
}

} // namespace

DriverState &State() { return g_state; }
Trace &TraceLog() { return g_trace; }

bool IsOpen() {
    return (g_state.lineState & (lsInitialised | lsPortOpen)) == (lsInitialised | lsPortOpen);
}

int32_t PortFailure(int err, int32_t otherwise) {
    return g_state.port.isNetwork() && IsConnectionError(err) ? deNetConnection : otherwise;
}

bool CountsAsLineError(uint32_t errors) {
    return errors != 0 && !(errors == ceParity && !g_state.paritySignificant);
}

int32_t ClosePort() {
    DriverState &s = g_state;
    s.port.setDtr(false);
    s.port.setRts(false);
    if (s.savedTimeoutsValid) {
        s.port.setTimeouts(0, 0);
        s.savedTimeoutsValid = false;  // the next open reads them again
    }
    s.port.close();
    s.portGone = false;
    s.lineState &= uint8_t(~lsPortOpen);
    return 0;
}

int32_t Dispatch(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) noexcept {
    if (g_state.busy.exchange(true)) return deBusy;
    int32_t result;
    try {
        result = RunCommand(command & 0x7F, data, arg3, arg4);
    } catch (...) {
        result = deLineError;  // only an allocation can throw; the caller sees a failed command
    }
    g_state.busy.store(false);
    return result;
}

void ModuleLoad() noexcept {
    try {
        g_trace.start();
    } catch (...) {
        g_trace.stop();
    }
    DriverState &s = g_state;
    s.busy.store(false);
    s.commErrors = 0;
    s.lineState = 0;
    s.receiveTimeoutMs = 500;
    s.charTimeoutMs = 100;
    s.abortCheck = nullptr;
    s.paritySignificant = true;
    s.lineChecks = 0;
    s.savedTimeoutsValid = false;
}

void ModuleUnload() noexcept {
    int32_t a3 = 0, a4 = 0;
    Dispatch(dpStop, nullptr, &a3, &a4);
    g_trace.stop();
}

#ifdef KORVUL_LINQOR_TESTING
void testing::Load() { ModuleLoad(); }
void testing::Unload() { ModuleUnload(); }
int32_t testing::Call(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    return Dispatch(command, data, arg3, arg4);
}
#endif

} // namespace linqor
