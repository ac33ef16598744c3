// A driver library for tests: its DriverProc forwards every call to a handler that the test installs
// through FakeDriverInstall. The library is linked with -z nodelete, so the installed handler survives
// the program closing and reopening the library.
#include <cstdint>

extern "C" {

typedef int32_t (*FakeDriverHandler)(void *context, uint8_t command, void *data, int32_t *arg3, int32_t *arg4);

static FakeDriverHandler g_handler = nullptr;
static void *g_context = nullptr;

__attribute__((visibility("default"))) void FakeDriverInstall(FakeDriverHandler handler, void *context) {
    g_handler = handler;
    g_context = context;
}

// -21: unknown command, the answer of a driver that does not serve a call.
__attribute__((visibility("default"))) int32_t DriverProc(uint8_t command, void *data, int32_t *arg3,
                                                          int32_t *arg4) {
    return g_handler ? g_handler(g_context, command, data, arg3, arg4) : -21;
}

} // extern "C"
