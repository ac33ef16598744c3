// linqor32.so over a pseudo-terminal: per-byte receive cost against a raw poll()+read() loop, CPU
// used while a read waits, and throughput with the trace on against off. Every run ends with the
// ratios of measurements taken side by side in that run.
#include "linedriver/linqor32.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kMiB = 1024 * 1024;

// One pseudo-terminal; the master end feeds bytes in as a device would.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        int s = -1;
        char name[256] = {};
        if (openpty(&master, &s, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        termios t{};
        tcgetattr(s, &t);
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
        close(s);
        slave = name;
    }
    ~Pty() { close(master); }
    // Writes `count` bytes from another thread while the caller reads them.
    std::thread feed(size_t count) const {
        return std::thread([fd = master, count] {
            std::vector<char> chunk(4096, 'U');
            for (size_t sent = 0; sent < count;) {
                const ssize_t n = write(fd, chunk.data(), std::min(chunk.size(), count - sent));
                if (n <= 0) return;
                sent += size_t(n);
            }
        });
    }
};

fs::path ProgramDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

struct Library {
    void *handle = nullptr;
    DriverProcFn proc = nullptr;
    Pty pty;
    explicit Library(const fs::path &file) {
        handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(dlerror());
        proc = reinterpret_cast<DriverProcFn>(dlsym(handle, "DriverProc"));
        int32_t a3 = 0, a4 = 0;
        proc(dpReset, nullptr, &a3, &a4);
        std::string text = pty.slave + ":115200,N,8,1";
        if (proc(dpOpen, text.data(), &a3, &a4) != 0) throw std::runtime_error("dpOpen failed");
    }
    ~Library() { dlclose(handle); }
    int32_t read(uint8_t *buf, int32_t want, int32_t &got) { return proc(dpRead, buf, &want, &got); }
};

struct Setup {
    fs::path temp;
    Library *plain = nullptr;   // trace off
    Library *traced = nullptr;  // a copy of the library loaded with a trace option file
};
Setup g_setup;

void PrepareLibraries() {
    char pattern[] = "/tmp/linqor-bench-XXXXXX";
    g_setup.temp = mkdtemp(pattern);
    // Tracing is decided at load: an empty configuration folder first, so it is surely off.
    setenv("XDG_CONFIG_HOME", g_setup.temp.c_str(), 1);
    if (fs::exists(ProgramDir() / "TRRS232.TXT"))
        throw std::runtime_error("remove TRRS232.TXT from the program folder first");
    g_setup.plain = new Library(ProgramDir() / "linqor32.so");
    fs::create_directories(g_setup.temp / "korvul");
    std::ofstream(g_setup.temp / "korvul" / "TRRS232.TXT") << "FILE=" << (g_setup.temp / "trace.txt").string() << "\n";
    fs::copy_file(ProgramDir() / "linqor32.so", g_setup.temp / "linqor32-traced.so");
    g_setup.traced = new Library(g_setup.temp / "linqor32-traced.so");
}

void CleanUp() {
    delete g_setup.traced;
    delete g_setup.plain;
    fs::remove_all(g_setup.temp);
}

// Raw loop: what reading one byte per port read costs without the driver.
void RawPollReadPerByte(benchmark::State &state) {
    Pty pty;
    const int fd = open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    for (auto _ : state) {
        std::thread feeder = pty.feed(kMiB);
        uint8_t byte = 0;
        for (size_t got = 0; got < kMiB;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) break;
            if (read(fd, &byte, 1) == 1) ++got;
        }
        feeder.join();
        benchmark::DoNotOptimize(byte);
    }
    close(fd);
    state.SetBytesProcessed(int64_t(state.iterations() * kMiB));
}

void RawPollReadChunks(benchmark::State &state) {
    Pty pty;
    const int fd = open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    uint8_t buf[256];
    for (auto _ : state) {
        std::thread feeder = pty.feed(kMiB);
        for (size_t got = 0; got < kMiB;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) break;
            const ssize_t n = read(fd, buf, std::min(sizeof buf, kMiB - got));
            if (n > 0) got += size_t(n);
        }
        feeder.join();
        benchmark::DoNotOptimize(buf[0]);
    }
    close(fd);
    state.SetBytesProcessed(int64_t(state.iterations() * kMiB));
}

void ReadThroughDriver(benchmark::State &state, Library &lib, size_t total) {
    const int32_t perCall = int32_t(state.range(0));
    std::vector<uint8_t> buf(static_cast<size_t>(perCall), 0);
    for (auto _ : state) {
        std::thread feeder = lib.pty.feed(total);
        for (size_t got = 0; got < total;) {
            int32_t n = 0;
            const int32_t want = int32_t(std::min<size_t>(size_t(perCall), total - got));
            if (lib.read(buf.data(), want, n) != 0 && n == 0) break;
            got += size_t(n);
        }
        feeder.join();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * total));
}

void DriverRead(benchmark::State &state) { ReadThroughDriver(state, *g_setup.plain, kMiB); }

// The trace writes one line per byte; 256 KiB keeps the trace file reasonable.
void TraceOff(benchmark::State &state) { ReadThroughDriver(state, *g_setup.plain, 256 * 1024); }
void TraceOn(benchmark::State &state) { ReadThroughDriver(state, *g_setup.traced, 256 * 1024); }

double ThreadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A read that waits 5 s for a byte that never comes.
void IdleWait(benchmark::State &state) {
    Library &lib = *g_setup.plain;
    int32_t param = spTimeout, ms = 5000;
    lib.proc(dpSetParam, nullptr, &param, &ms);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = ThreadCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        uint8_t byte = 0;
        int32_t got = 0;
        lib.read(&byte, 1, got);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu += ThreadCpuSeconds() - c0;
    }
    ms = 500;
    lib.proc(dpSetParam, nullptr, &param, &ms);
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
}

// Keeps every run's time per byte (and counters) for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerByte;
    std::map<std::string, double> cpuPercent;
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred || r.iterations == 0) continue;
            const std::string name = r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
            const auto bytes = r.counters.find("bytes_per_second");
            if (bytes != r.counters.end() && bytes->second.value > 0) nsPerByte[name] = 1e9 / bytes->second.value;
            const auto cpu = r.counters.find("cpu_percent");
            if (cpu != r.counters.end()) cpuPercent[name] = cpu->second.value;
        }
    }
};

double Ratio(const std::map<std::string, double> &m, const std::string &a, const std::string &b) {
    const auto x = m.find(a), y = m.find(b);
    return x == m.end() || y == m.end() || y->second == 0 ? 0 : x->second / y->second;
}

void PrintRatios(const RatioReporter &r) {
    const auto &t = r.nsPerByte;
    std::printf("\nRatios measured side by side in this run:\n");
    std::printf("  1. dpRead 1 byte per call   / raw poll()+read() per byte : %5.2fx  (goal <= 1.3x)\n",
                Ratio(t, "DriverRead/1", "RawPollReadPerByte"));
    std::printf("     dpRead 256 bytes per call / raw poll()+read() per byte : %5.2fx  (goal <= 1.3x)\n",
                Ratio(t, "DriverRead/256", "RawPollReadPerByte"));
    std::printf("     (raw 256-byte reads / raw per byte: %.3fx; the driver reads one byte per port read"
                " so that the time-out restarts and AbortCheck is asked before every byte)\n",
                Ratio(t, "RawPollReadChunks", "RawPollReadPerByte"));
    const auto cpu = r.cpuPercent.find("IdleWait");
    std::printf("  2. CPU while dpRead waits 5 s for a byte that never comes : %.3f%% of one core  (goal < 0.5%%)\n",
                cpu == r.cpuPercent.end() ? -1.0 : cpu->second);
    const double slow = Ratio(t, "TraceOn/256", "TraceOff/256");
    std::printf("  3. throughput trace on / trace off : %.3f  (a traced byte costs %.1fx an untraced one)\n",
                slow > 0 ? 1.0 / slow : 0.0, slow);
}

} // namespace

BENCHMARK(RawPollReadPerByte)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(RawPollReadChunks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DriverRead)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IdleWait)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(TraceOff)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TraceOn)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    try {
        PrepareLibraries();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "linqor_bench: %s\n", e.what());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    CleanUp();
    benchmark::Shutdown();
    return 0;
}
