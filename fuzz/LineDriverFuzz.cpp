// libFuzzer target for linqor32: arbitrary open texts and trace option files.
// The first input byte picks the path:
//   0: the open-text parser alone, checking its promises;
//   1: dpOpen with "<pseudo-terminal>:" + input, so the settings reach a real (pseudo) port but
//      never a device named by the input;
//   2: the trace option parser, then a trace started from "FILE=<temp file>" + input (the first
//      FILE entry counts, so the input can never name the output) with the input traced as bytes.
#include "linedriver/Driver.h"
#include "linedriver/OpenText.h"
#include "linedriver/Trace.h"
#include "linedriver/TraceOptions.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <unistd.h>

namespace {

struct Sandbox {
    std::string dir;
    std::string ptyPath;
    int master = -1;
    Sandbox() {
        char pattern[] = "/tmp/linqor-fuzz-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // no port links, no option file of the user
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) close(slave);
        ptyPath = name;
        linqor::ModuleLoad();
    }
};

Sandbox &Box() {
    static Sandbox box;
    return box;
}

void FuzzParser(std::string_view text) {
    const linqor::OpenText t = linqor::ParseOpenText(text);
    if (t.port.size() > linqor::kMaxPiece) abort();
    if (!t.hasColon && (t.settings.baud || !t.port.empty())) abort();
}

void FuzzOpen(std::string_view settings) {
    std::string text = Box().ptyPath + ":" + std::string(settings);
    int32_t a3 = 0, a4 = 0;
    linqor::Dispatch(dpReset, nullptr, &a3, &a4);
    if (linqor::Dispatch(dpOpen, text.data(), &a3, &a4) == 0) {
        uint8_t buf[4];
        a3 = 4;
        int32_t param = spTimeout, zero = 0;
        linqor::Dispatch(dpSetParam, nullptr, &param, &zero);
        linqor::Dispatch(dpRead, buf, &a3, &a4);
        if (a4 < 0 || a4 > 4) abort();
        linqor::Dispatch(dpClose, nullptr, &a3, &a4);
    }
}

void FuzzTrace(std::string_view options) {
    linqor::ParseTraceOptions(options);
    const std::string optionPath = Box().dir + "/TRRS232.TXT";
    const std::string output = Box().dir + "/trace.txt";
    FILE *f = fopen(optionPath.c_str(), "wb");
    if (!f) return;
    fprintf(f, "FILE=%s\n", output.c_str());
    fwrite(options.data(), 1, options.size(), f);
    fclose(f);
    linqor::Trace trace;
    trace.startFrom(optionPath);
    trace.sendBytes(reinterpret_cast<const uint8_t *>(options.data()), std::min<size_t>(options.size(), 64));
    trace.event(options.data(), options.size());
    trace.stop();
    unlink(output.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0: FuzzParser(rest); break;
    case 1: FuzzOpen(rest); break;
    default: FuzzTrace(rest); break;
    }
    return 0;
}
