// The process data window over a long session: a day at 5 s gives about 17,000 rows. The window reads
// one row from devsim (NX-18), stops its timer, and is then fed rows as the readout adds them. Side by
// side in one run: the window with a handful of rows ("empty") and the same window after --rows rows
// (default 20,000): resident memory, the cost of one new row (added, plot redrawn, window painted;
// the mean over 200 rows) and the CPU the idle window uses over 2 s. Goal: the cost of a new row after 20,000 rows at most 3x
// its cost in the empty window, memory below 1 kB per row, and no CPU while idle.
// Run: build/bin/process_bench [--rows N]
#include "BenchDevsim.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/CommClass.h"
#include "ui/MainDialogs.h"
#include "readout/FormProcessData.h"
#include "readout/ProcessPlot.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident memory in MB from /proc/self/statm.
double ResidentMb() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

pid_t StartDevsim(const QString &link) { return SpawnDevsim(link, {"--type", "9301"}); }

// Row n of a day: the first row read from the device with pressure and temperature moving slowly and
// the volumes counting up, so the plot has curves to reduce.
korvul::TProcessRow SyntheticRow(const korvul::TProcessRow &first, int n) {
    korvul::TProcessRow row = first;
    const QChar dot = QLatin1Char('.');
    row[1] = QString::number(123456.0 + n * 0.1, 'f', 1);
    row[2] = QString::number(234567.0 + n * 0.1, 'f', 1);
    row[3] = QString::number(1.013 + 0.02 * std::sin(n / 700.0), 'f', 4);
    row[5] = QString::number(15.0 + 3.0 * std::sin(n / 2000.0) + (n % 97 == 0 ? 1.5 : 0.0), 'f', 2);
    for (int c : {1, 2, 3, 5}) row[size_t(c)].replace(dot, korvul::LocaleFormats().DecimalSeparator);
    return row;
}

struct TFigures {
    int rows = 0;
    double residentMb = 0, msPerRow = 0, cpuMsPerRow = 0, idleCpuPercent = 0;
    int plotPoints = 0;
};

// Adds `count` rows, each followed by the event processing and a full repaint of the window.
void AddPaintedRows(korvul::TFormProcessData *w, const korvul::TProcessRow &first, int count, TFigures &f) {
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < count; ++i) {
        w->AddRow(SyntheticRow(first, w->RowCount()));
        QCoreApplication::processEvents();
        w->repaint();
    }
    f.msPerRow = double(wall.nsecsElapsed()) / 1e6 / count;
    f.cpuMsPerRow = (CpuSeconds() - cpu0) * 1000.0 / count;
}

// The figures of the window as it stands: a row added 200 times, then (after 0.5 s to settle) 2 s of
// idle event loop.
TFigures Measure(korvul::TFormProcessData *w, const korvul::TProcessRow &first) {
    TFigures f;
    AddPaintedRows(w, first, 200, f);
    f.rows = w->RowCount();
    f.residentMb = ResidentMb();
    f.plotPoints = w->Plot()->PointCount();
    QEventLoop settle;   // what the last row left to do (layout, deferred deletes) is not idle time
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    const double cpu0 = CpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(2000, &idle, &QEventLoop::quit);
    idle.exec();
    f.idleCpuPercent = (CpuSeconds() - cpu0) / 2.0 * 100.0;
    return f;
}

void Print(const char *name, const TFigures &f) {
    std::printf("%-22s rows %6d  resident %7.1f MB  per new row %6.2f ms (cpu %6.2f ms)  plot points %5d  idle cpu %.2f %%\n",
                name, f.rows, f.residentMb, f.msPerRow, f.cpuMsPerRow, f.plotPoints, f.idleCpuPercent);
}

// Runs inside the window once its first row is in: stops the timer, measures, fills, measures again.
void MeasureSession(korvul::TFormProcessData *w, int rows) {
    w->findChild<QPushButton *>("Button1")->click();   // stop reading; rows come from here on
    for (const char *box : {"cbVolumes", "cbFlowRates"}) w->findChild<QAbstractButton *>(box)->click();
    const korvul::TProcessRow first = w->RawRow(0);
    const TFigures empty = Measure(w, first);
    QElapsedTimer fill;
    fill.start();
    while (w->RowCount() < rows) {
        w->AddRow(SyntheticRow(first, w->RowCount()));
        if (w->RowCount() % 100 == 0) QCoreApplication::processEvents();
    }
    const double fillSeconds = double(fill.nsecsElapsed()) / 1e9;
    const TFigures full = Measure(w, first);
    Print("empty window", empty);
    Print("long session", full);
    std::printf("filled %d rows in %.1f s; after the session: per new row %.2fx (cpu %.2fx), memory +%.1f MB (%.0f bytes "
                "per row), plot points %.2fx (goals: <= 3x, < 1000 bytes per row, idle cpu 0)\n",
                full.rows - empty.rows, fillSeconds, full.msPerRow / empty.msPerRow, full.cpuMsPerRow / empty.cpuMsPerRow,
                full.residentMb - empty.residentMb,
                (full.residentMb - empty.residentMb) * 1024 * 1024 / (full.rows - empty.rows),
                double(full.plotPoints) / std::max(1, empty.plotPoints));
    std::fflush(stdout);
}

// Connects to devsim, then shows the window and measures in it once its first row is in; 0 when measured.
int RunWindow(int rows) {
    int result = 1;
    try {
        if (!korvul::ConnectDevice()) return 1;
        korvul::IdentifyDeviceType();
        korvul::DisconnectDevice();
    } catch (const std::exception &e) {
        std::printf("connect failed: %s\n", e.what());
        return 1;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *w = qobject_cast<korvul::TFormProcessData *>(QApplication::activeModalWidget());
        if (!w || w->RowCount() < 1) return;
        watch.stop();
        w->resize(1180, 760);
        MeasureSession(w, rows);
        w->findChild<QPushButton *>("Button6")->click();
        result = 0;
    });
    watch.start(10);
    korvul::ShowProcessData(nullptr, korvul::TProcessDataHeader{"1", "2", "3", "4.01", "NX-18", "08.12.26"});
    return result;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rows = 20000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--rows") rows = std::max(100, std::atoi(argv[i + 1]));
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qunsetenv("KORVUL_TIME_SCALE");
    QDir().mkpath(home.path() + "/korvul/ports");
    korvul::LoadLanguageModuleFile(QCoreApplication::applicationDirPath() + "/korvulEN.lng");
    korvul::Settings().COM = 1;
    korvul::Settings().ACCESSCODE = "12345678";
    korvul::Settings().READER = "bench";
    korvul::Settings().PDBPERIOD = 5;
    const pid_t pid = StartDevsim(home.path() + "/korvul/ports/COM1");
    if (pid < 0) {
        std::printf("devsim did not start\n");
        return 1;
    }
    korvul::TCommClass comm("QT");
    korvul::SetCommObjectForTests(&comm);
    const int result = RunWindow(rows);
    korvul::SetCommObjectForTests(nullptr);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return result;
}
