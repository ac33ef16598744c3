// libFuzzer target for linqor32: arbitrary open texts and trace option files.
// The first input byte picks the path:
//   0: the open-text parser alone, checking its promises;
//   1: dpOpen with "<pseudo-terminal>:" + input, so the settings reach a real (pseudo) port but
//      never a device named by the input;
//   2: the trace option parser, then a trace started from "FILE=<temp file>" + input (the first
//      FILE entry counts, so the input can never name the output) with the input traced as bytes;
//   3: the telnet decoder of network ports fed the input as a server's bytes, whole and in pieces
//      of the input's own lengths, checking that both ways give the same data and answers, that no
//      more comes out than went in, and that escaping the data and decoding it again is lossless.
#include "linedriver/Driver.h"
#include "linedriver/OpenText.h"
#include "linedriver/Telnet.h"
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

struct Decoded {
    std::string data, reply;
};

Decoded Decode(std::string_view input, size_t piece) {
    linqor::TelnetDecoder d;
    d.opened();
    Decoded out;
    for (size_t at = 0; at < input.size(); at += piece) {
        const size_t n = std::min(piece, input.size() - at);
        std::string data(n, '\0'), reply(n + 2, '\0');
        linqor::ByteSink ds{reinterpret_cast<uint8_t *>(data.data()), n};
        linqor::ByteSink rs{reinterpret_cast<uint8_t *>(reply.data()), n + 2};
        d.feed(reinterpret_cast<const uint8_t *>(input.data() + at), n, ds, rs);
        if (ds.overflow || rs.overflow) abort();  // the sizes Telnet.h promises always suffice
        out.data.append(data, 0, ds.size);
        out.reply.append(reply, 0, rs.size);
    }
    return out;
}

void FuzzTelnet(std::string_view input) {
    const Decoded whole = Decode(input, input.size() ? input.size() : 1);
    const size_t piece = input.empty() ? 1 : size_t(uint8_t(input[0]) % 7) + 1;
    const Decoded pieces = Decode(input, piece);
    if (whole.data != pieces.data || whole.reply != pieces.reply) abort();
    // Escaped data decodes to itself.
    std::string escaped(2 * input.size(), '\0');
    linqor::ByteSink es{reinterpret_cast<uint8_t *>(escaped.data()), escaped.size()};
    if (linqor::EscapeData(reinterpret_cast<const uint8_t *>(input.data()), input.size(), es) != input.size()) abort();
    escaped.resize(es.size);
    const Decoded back = Decode(escaped, escaped.size() ? escaped.size() : 1);
    if (back.data != input || !back.reply.empty()) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: FuzzParser(rest); break;
    case 1: FuzzOpen(rest); break;
    case 2: FuzzTrace(rest); break;
    default: FuzzTelnet(rest); break;
    }
    return 0;
}
