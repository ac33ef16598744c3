// Exported entry point of the QT-family protocol driver prqt__32.so. All line traffic goes through the
// line driver's DriverProc handed over by dpBind; no exception leaves this file.
#include "linedriver/linqor32.h"
#include "protocol/QtFrame.h"
#include "protocol/QtSession.h"

#include <new>
#include <string>

namespace {

prqt::QtSession g_session;
bool g_busy = false;  // re-entry from the line driver's abort callback gets deBusy

int32_t ReadCommand(void *data, int32_t *arg3, int32_t *arg4) {
    if (!data || !arg4) return prqt::peBadArgument;
    std::string answer;
    int32_t r = g_session.ReadItem(static_cast<uint8_t>(*arg4), answer);
    if (r != 0) return r;
    prqt::CopyAnswer(answer, arg3 ? *arg3 : 0, static_cast<char *>(data));
    return 0;
}

int32_t WriteCommand(void *data, int32_t *arg3, int32_t *arg4) {
    if (!arg3 || !arg4 || *arg3 < 0) return prqt::peBadArgument;
    if (*arg3 > 0 && !data) return prqt::peBadArgument;
    std::string value(static_cast<const char *>(data), static_cast<std::size_t>(*arg3));
    return g_session.WriteItem(static_cast<uint8_t>(*arg4), value);
}

int32_t Dispatch(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    switch (command) {
    case dpReset:
    case dpRelease:
    case dpStop:
        g_session.Reset();
        return 0;
    case dpVersion:
        if (arg3) *arg3 = 0;
        if (arg4) *arg4 = prqt::ProtocolVersion;
        return 0;
    case dpBind:
        if (!data) return prqt::peBadArgument;
        g_session.Bind(reinterpret_cast<DriverProcFn>(data));
        return 0;
    default:
        break;
    }
    if (command != dpOpen && command != dpClose && command != dpRead && command != dpWrite &&
        command != dpWriteOem)
        return deUnknownCommand;
    if (!g_session.Bound()) return prqt::peNotBound;
    switch (command) {
    case dpOpen: return g_session.SignOn();
    case dpClose: return g_session.SignOff();
    case dpRead: return ReadCommand(data, arg3, arg4);
    default: return WriteCommand(data, arg3, arg4);  // dpWrite, dpWriteOem: the caller converted the text
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t DriverProc(uint8_t Command, void *Data, int32_t *Arg3,
                                                                    int32_t *Arg4) {
    if (g_busy) return deBusy;
    g_busy = true;
    int32_t r;
    try {
        r = Dispatch(Command & 0x7F, Data, Arg3, Arg4);
    } catch (...) {
        r = prqt::peInternal;
    }
    g_busy = false;
    return r;
}
