// A library without DriverProc: the program must close it again and report the missing entry point.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t NotTheDriverProc(void) { return 0; }
