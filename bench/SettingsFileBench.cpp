// The settings file at a size far beyond the usual: memory and time of loading and saving a 40 MB
// korvul.ini, each against reading the same file's bytes once, measured side by side in one run.
// Memory is the rise of the peak resident size (VmHWM, reset through /proc/self/clear_refs) over the
// resident size before the step. Run build/bin/settings_bench [megabytes].
#include "base/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

long StatusKb(const char *field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::char_traits<char>::length(field));
    return -1;
}

bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear);
}

struct Cost {
    double peakBytes = 0, ms = 0;
};

Cost Measure(const std::function<void()> &step) {
    ResetPeak();
    const long before = StatusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    step();
    Cost c;
    c.ms = double(timer.nsecsElapsed()) / 1e6;
    c.peakBytes = double(StatusKb("VmHWM:") - before) * 1024.0;
    return c;
}

// A settings file with the program's sections and a large block of lines it does not know: comments,
// blank lines and entries of another program's section, as a file grown by hand or by tools looks.
QByteArray BigSettings(qsizetype bytes) {
    QByteArray out = "[USER_OPTIONS]\nREADER=bench\nACCESSCODE=12345678\n[COMM]\nCOM=1\n\n[HISTORY]\n";
    out.reserve(bytes + 100);
    for (int i = 0; out.size() < bytes; ++i) {
        out += "Entry" + QByteArray::number(i) + "=value of entry " + QByteArray::number(i) + "\n";
        if (i % 10 == 0) out += "; note " + QByteArray::number(i) + "\n\n";
    }
    return out + "[MODEM]\nPHCOUNT=9\nPh0=0301234\n";
}

} // namespace

int main(int argc, char **argv) {
    const qsizetype megabytes = argc > 1 ? std::atol(argv[1]) : 40;
    QTemporaryDir dir;
    const QString path = dir.path() + "/korvul.ini";
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(BigSettings(megabytes * 1024 * 1024)) < 0) return 1;
    }
    const double size = double(QFile(path).size());
    if (!ResetPeak()) std::fprintf(stderr, "settings_bench: /proc/self/clear_refs not writable, peaks are totals\n");

    const Cost bytes = Measure([&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        volatile qsizetype n = f.readAll().size();
        (void)n;
    });
    korvul::TSettings s;
    const Cost load = Measure([&] { korvul::LoadSettingsFrom(path, s); });
    const Cost save = Measure([&] { korvul::SaveSettingsTo(path, s); });

    std::printf("settings file %.1f MB\n", size / 1048576.0);
    std::printf("%-34s %10s %10s\n", "step", "peak MB", "ms");
    for (const auto &[name, c] : {std::pair{"read the bytes once", bytes}, std::pair{"load settings", load},
                                  std::pair{"save settings (read + write)", save}})
        std::printf("%-34s %10.1f %10.1f\n", name, c.peakBytes / 1048576.0, c.ms);
    std::printf("ratios: load memory / file size %.2f, save memory / file size %.2f\n", load.peakBytes / size,
                save.peakBytes / size);
    std::printf("ratios: load time / byte read %.1f, save time / byte read %.1f\n", load.ms / bytes.ms,
                save.ms / bytes.ms);
    return 0;
}
