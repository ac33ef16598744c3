// Archive readout against devsim: wall time of a readout of N records (default 2000) divided by the
// ideal time of the line, and the CPU the program used meanwhile. Three runs side by side:
//   9600 baud 8N1 and 7E1 with a 20 ms device reaction time (goal: ratio <= 1.05),
//   38400 baud 8N1 without reaction time (goal: ratio <= 1.10); CPU below 2 % of one core in all.
// Ideal time = bytes the device sends x 10 / baud + records x reaction time. Only the device's answers
// count: the program's requests leave over the pseudo-terminal at once, unthrottled.
// A fourth run reads at 38400 baud through the readout window itself (offscreen), so the window's own
// cost (status panels, progress bar, animation, event processing) shows beside the bare readout.
// The 38400 baud runs are repeated (default 3 times) and their median is printed after them.
// Run: build/bin/readout_bench [--records N] [--baud 9600|38400 (only the runs at that rate)] [--repeats N]
#include "BenchDevsim.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/CommClass.h"
#include "readout/ArchiveReadout.h"
#include "readout/FormReadArch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <optional>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// The readout window processes pending events after each record; so does the bench.
class TEventView : public korvul::TReadArchView {
public:
    void ProcessMessages() override { korvul::ProcessMessages(); }
};

struct TRun {
    const char *name;
    int baud;
    const char *format;      // devsim's character format (10 bits per character in both)
    const char *lineInit;    // the program's line settings
    int reactionMs;
    double goal;
    bool window = false;  // through the readout window instead of the bare readout
};

struct TCpu {
    double user = 0, system = 0;
    long waits = 0, preempted = 0;  // voluntary and involuntary context switches
};

// CPU time of this process, user and kernel apart (a wake-up's cost shows as kernel time).
TCpu CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6,
            double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6, u.ru_nvcsw, u.ru_nivcsw};
}

pid_t StartDevsim(const QString &link, const TRun &run, int records) {
    return SpawnDevsim(link, {"--type", "2461", "--archive-size", std::to_string(records * 6), "--baud",
                              std::to_string(run.baud), "--format", run.format, "--late", std::to_string(run.reactionMs)});
}

void StopDevsim(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// The bare readout; the number of records read.
int ReadBare() {
    TEventView view;
    korvul::TArchiveReadout readout(view, 0, "dump");
    korvul::TStrList list;
    readout.ReadArchive(list);
    return int(list.size()) - 1;
}

// Closes the readout window as soon as it shows that it has finished (its state line appears),
// instead of after its 5 s, and keeps its last progress. Watching events costs no wake-up of its own.
class TFinishWatch : public QObject {
public:
    int records = 0;
    bool eventFilter(QObject *object, QEvent *event) override {
        if (event->type() != QEvent::Show || object->objectName() != QLatin1String("lbState")) return false;
        auto *window = qobject_cast<korvul::TFormReadArch *>(static_cast<QWidget *>(object)->window());
        if (window && window->Finished()) {
            records = window->Progress();
            QTimer::singleShot(0, window, &korvul::TFormReadArch::reject);
        }
        return false;
    }
};

// The readout window reads the channel: common data, archive, file. The number of records read.
int ReadThroughWindow() {
    TFinishWatch watch;
    qApp->installEventFilter(&watch);
    korvul::SetReadoutMessageHook([](const QString &, const QString &text) {
        std::printf("readout window: %s\n", qPrintable(text));
    });
    korvul::TReadArchHost host;
    host.Mode = "dump";
    korvul::ShowArchiveReadout(nullptr, host);
    korvul::SetReadoutMessageHook({});
    qApp->removeEventFilter(&watch);
    return watch.records;
}

struct TFigures {
    double ratio = 0, cpuPercent = 0;
};

TFigures Report(const TRun &run, int read, double seconds, const TCpu &cpu0, const TCpu &cpu1) {
    // Answers: "b" as STX + 4 digits + ETX + BCC, each record as STX + 12 digits + ETX + BCC.
    const double bytes = 7.0 + 15.0 * read;
    const double ideal = bytes * 10.0 / run.baud + (read + 1) * run.reactionMs / 1000.0;
    // devsim writes byte k of an answer at start + k byte times, so the last byte of each answer is
    // handed over one byte time early; against that schedule the ratio shows the program's own
    // overhead alone.
    const double schedule = ideal - (read + 1) * 10.0 / run.baud;
    const double user = cpu1.user - cpu0.user, system = cpu1.system - cpu0.system;
    std::printf("%-28s records %5d  wall %7.3f s  ideal %7.3f s  ratio %.3f (goal <= %.2f)  "
                "vs devsim's schedule %.3f  cpu %.2f %% of one core (user %.2f, kernel %.2f)  "
                "per record: %.2f waits, %.2f preemptions\n",
                run.name, read, seconds, ideal, seconds / ideal, run.goal, seconds / schedule,
                100.0 * (user + system) / seconds, 100.0 * user / seconds, 100.0 * system / seconds,
                double(cpu1.waits - cpu0.waits) / (read + 1), double(cpu1.preempted - cpu0.preempted) / (read + 1));
    std::fflush(stdout);
    return {seconds / ideal, 100.0 * (user + system) / seconds};
}

// One readout; nothing when the device could not be reached.
std::optional<TFigures> Measure(const TRun &run, int records, const QString &configHome) {
    using namespace korvul;
    const QString link = configHome + "/korvul/ports/COM1";
    const pid_t pid = StartDevsim(link, run, records);
    if (pid < 0) {
        std::printf("%s: devsim did not start\n", run.name);
        return std::nullopt;
    }
    Settings().INIT = QString::fromLatin1(run.lineInit);
    TCommClass comm("QT");
    SetCommObjectForTests(&comm);
    bool ok = false;
    std::optional<TFigures> figures;
    try {
        ok = ConnectDevice();
        IdentifyDeviceType();
    } catch (const std::exception &e) {
        std::printf("%s: connect failed: %s\n", run.name, e.what());
    }
    if (ok) {
        Settings().READOUTMODE = "dump";
        const TCpu cpu0 = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const int read = run.window ? ReadThroughWindow() : ReadBare();
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        figures = Report(run, read, seconds, cpu0, CpuSeconds());
    }
    SetCommObjectForTests(nullptr);
    StopDevsim(pid);
    return figures;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The fast runs are short and this machine's wake-up cost varies from run to run: they are repeated
// and their median is printed after them.
bool MeasureRepeated(const TRun &run, int records, int repeats, const QString &configHome) {
    std::vector<double> ratios, cpus;
    for (int i = 0; i < repeats; ++i) {
        const std::optional<TFigures> f = Measure(run, records, configHome);
        if (!f) return false;
        ratios.push_back(f->ratio);
        cpus.push_back(f->cpuPercent);
    }
    if (repeats > 1)
        std::printf("%-28s median of %d: ratio %.3f (goal <= %.2f)  cpu %.2f %% of one core\n", run.name, repeats,
                    Median(ratios), run.goal, Median(cpus));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int records = 2000, onlyBaud = 0, repeats = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--records") records = std::max(10, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--baud") onlyBaud = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--repeats") repeats = std::max(1, std::atoi(argv[i + 1]));
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qunsetenv("KORVUL_TIME_SCALE");
    QDir().mkpath(home.path() + "/korvul/ports");
    korvul::Settings().COM = 1;
    korvul::Settings().ACCESSCODE = "12345678";
    korvul::Settings().READER = "bench";
    korvul::Settings().TempFilePath = home.path();  // the window run's archive files go with the run
    const TRun runs[] = {
        {"9600 baud 8N1, 20 ms", 9600, "8N1", "9600,N,8,1,BIN,IGP0,T0700", 20, 1.05},
        {"9600 baud 7E1, 20 ms", 9600, "7E1", "9600,E,7,1,BIN,IGP0,T0700", 20, 1.05},
        {"38400 baud 8N1, 0 ms", 38400, "8N1", "38400,N,8,1,BIN,IGP0,T0700", 0, 1.10},
        {"38400 8N1, 0 ms, window", 38400, "8N1", "38400,N,8,1,BIN,IGP0,T0700", 0, 1.10, true},
    };
    int failures = 0;
    for (const TRun &run : runs)
        if ((onlyBaud == 0 || run.baud == onlyBaud) &&
            !MeasureRepeated(run, records, run.baud > 9600 ? repeats : 1, home.path()))
            ++failures;
    return failures == 0 ? 0 : 1;
}
