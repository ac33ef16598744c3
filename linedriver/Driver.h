#pragma once
// The line driver's module state and its commands (inside the library only). One port per loaded
// library; all state lives in static storage that needs no destructor, so unloading is safe.
#include "linedriver/Port.h"
#include "linedriver/Trace.h"
#include "linedriver/linqor32.h"

#include <atomic>
#include <cstdint>

namespace linqor {

struct DriverState {
    std::atomic<bool> busy{false};    // a command runs; a call meanwhile gets deBusy
    uint8_t lineState = 0;            // lsInitialised | lsPortOpen
    bool portGone = false;            // a read or write found the device gone (dpStatus: lsPortGone)
    SerialPort port;
    uint32_t commErrors = 0;          // ce... bits the port reported last
    int64_t receiveTimeoutMs = 500;   // longest wait for the next byte of a read
    int64_t charTimeoutMs = 100;      // slice of one port read; AbortCheck is asked between slices
    bool paritySignificant = true;    // a lone parity error counts as a line error
    uint8_t lineChecks = 0;           // lcCTS | lcDSR | lcCarrier watched during reads
    LineAbortCheck abortCheck = nullptr;
    bool savedTimeoutsValid = false;  // the port's own VMIN/VTIME were read once after open
    uint8_t savedVmin = 0;
    uint8_t savedVtime = 0;
};

DriverState &State();
Trace &TraceLog();

// Load and unload steps of the library: tracing set up and the state at its initial values;
// at unload dpStop, then the trace closed. Neither throws.
void ModuleLoad() noexcept;
void ModuleUnload() noexcept;

// DriverProc's body: the busy guard, the command (low 7 bits) and a catch-all.
int32_t Dispatch(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) noexcept;

// Shared steps of the commands.
bool IsOpen();  // initialised and port open
bool CountsAsLineError(uint32_t errors);  // any bit, except parity alone when it is not significant
int32_t PurgeQueues(int32_t flags);       // dpPurge's work: 1 transmit, 2 receive
int32_t ClosePort();                      // dpClose's work
// A port failure's result: deNetConnection when a network port lost or never had its connection,
// else `otherwise`.
int32_t PortFailure(int err, int32_t otherwise);

int32_t CmdWrite(const void *data, int32_t *arg3, int32_t *arg4);
int32_t CmdRead(void *data, int32_t *arg3, int32_t *arg4);
int32_t CmdPurge(int32_t *arg3);
int32_t CmdInQueue();
int32_t CmdSetParam(void *data, int32_t *arg3, int32_t *arg4);

} // namespace linqor
