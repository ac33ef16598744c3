#pragma once
// A fault-injecting line between the program and devsim, for end-to-end tests of what reaches the
// files and the screen when the line is bad. The proxy opens its own pseudo-terminal, points the
// program's port link at it and relays every byte to and from devsim's terminal (devsim started with
// its link elsewhere) in a thread of its own that polls both terminals. One fault can be armed; it
// starts after a number of requests (frames starting with SOH from the program) or relayed bytes.
#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace korvultest {

class LineProxy {
public:
    enum class Mode {
        None,     // plain relay
        Close,    // both ends hung up: nothing is relayed any more, the device's terminal is closed
        Mute,     // everything from the device is dropped for `duration` (zero: for good)
        Noise,    // every `every`-th byte in the chosen direction(s) is flipped (XOR 5Ah), for `duration`
        Slow,     // every byte in the chosen direction(s) is held back `delay` before it is passed on
        Replace,  // the device's next answer is replaced by `bytes` once
    };
    enum Direction { ToDevice = 1, FromDevice = 2, Both = 3 };

    struct Fault {
        Mode mode = Mode::None;
        // Trigger: the fault starts when the program sends the SOH of request number afterRequests + 1
        // (counted from Start; that request is the first one affected), or once afterBytes bytes have
        // been relayed in both directions together. With both zero it starts at once.
        int afterRequests = 0;
        long afterBytes = 0;
        int direction = Both;                       // Noise, Slow
        int every = 0;                              // Noise: k >= 1, counting the bytes of the direction(s)
        std::chrono::milliseconds duration{0};      // Mute, Noise: how long (zero: for good)
        std::chrono::milliseconds delay{0};         // Slow: per byte
        // Replace: the answer is every byte the device sends after the triggering request until the
        // program sends its next byte (a repeat request or the next request). The device's first byte
        // is replaced by `bytes`; the rest of its answer is dropped.
        QByteArray bytes;
    };

    LineProxy() = default;
    ~LineProxy();
    LineProxy(const LineProxy &) = delete;
    LineProxy &operator=(const LineProxy &) = delete;

    // Opens devsim's terminal (deviceLink, a link to it) and a terminal of its own that programLink
    // then points at (an existing link is replaced), arms `fault` and starts relaying. False, with
    // nothing left open, when a terminal could not be opened or the link not made.
    bool Start(const QString &programLink, const QString &deviceLink, const Fault &fault);
    bool Start(const QString &programLink, const QString &deviceLink);  // plain relay
    // Replaces the armed fault while relaying; its trigger counts from now (requests and bytes seen
    // before do not count). Takes effect before the next byte is relayed.
    void Arm(const Fault &fault);
    // Stops the thread, closes both terminals and removes the program's link. Idempotent.
    void Stop();

    // Counters, safe to read while relaying.
    int Requests() const { return requests_; }           // SOH bytes seen from the program
    long Relayed() const { return relayed_; }            // bytes passed on, both directions
    int Flipped() const { return flipped_; }             // bytes damaged by Noise
    bool Triggered() const { return triggered_; }        // the fault has started
    bool Replaced() const { return replaced_; }          // Replace has sent its bytes

private:
    void Run();
    void Pass(int from, int to, int dir, char byte, std::chrono::steady_clock::time_point now);
    void Flush(std::chrono::steady_clock::time_point now);
    bool Active(std::chrono::steady_clock::time_point now) const;

    Fault fault_;
    std::mutex armLock_;
    Fault pending_;
    std::atomic<bool> armed_{false};
    int baseRequests_ = 0;
    long baseRelayed_ = 0;
    void TakeArmed();
    QString programLink_;
    int programMaster_ = -1, programSlave_ = -1, device_ = -1, wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0}, flipped_{0};
    std::atomic<long> relayed_{0};
    std::atomic<bool> triggered_{false}, replaced_{false};
    std::chrono::steady_clock::time_point since_{};
    long directionBytes_ = 0;
    bool replacing_ = false, closed_ = false;
    // Slow: bytes waiting with their release time and the terminal they go to.
    struct Held { std::chrono::steady_clock::time_point at; int to; char byte; };
    std::vector<Held> held_;
};

} // namespace korvultest
