// The library's only export and its load/unload hooks.
#define KORVUL_LINQOR_BUILD
#include "linedriver/linqor32.h"

#include "linedriver/Driver.h"

extern "C" int32_t DriverProc(uint8_t Command, void *Data, int32_t *Arg3, int32_t *Arg4) {
    return linqor::Dispatch(Command, Data, Arg3, Arg4);
}

__attribute__((constructor)) static void LinqorLoaded() { linqor::ModuleLoad(); }

// dlclose (or process exit): stop the port, then close the trace.
__attribute__((destructor)) static void LinqorUnloaded() { linqor::ModuleUnload(); }
