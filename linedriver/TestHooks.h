#pragma once
// Hooks of the test-only build of the line driver (KORVUL_LINQOR_TESTING). The shipped
// linqor32.so is compiled without them and exports nothing but DriverProc.
#ifndef KORVUL_LINQOR_TESTING
#error "linedriver/TestHooks.h belongs to the test build only"
#endif
#include <cstdint>

namespace linqor::testing {

// Replaces the port's error counters: asked at every error fetch, returns the ce... bits to report.
using ErrorSource = uint32_t (*)();
// Replaces the modem status query: returns 0 and the present lc... bits, or an errno for
// "cannot be read".
using ModemSource = int (*)(int &present);

void SetErrorSource(ErrorSource source);  // nullptr: the real port again
void SetModemSource(ModemSource source);

// The library's load and unload steps and its entry point, for tests linked with the test build.
void Load();
void Unload();
int32_t Call(uint8_t command, void *data, int32_t *arg3, int32_t *arg4);

} // namespace linqor::testing
