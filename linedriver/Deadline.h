#pragma once
// Monotonic time and the one deadline object that every blocking loop of the line driver is given.
#include <cstdint>
#include <ctime>

namespace linqor {

// CLOCK_MONOTONIC in milliseconds / nanoseconds: never jumps with the wall clock.
inline int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}
inline int64_t MonotonicMs() { return MonotonicNs() / 1000000LL; }

// A point in time `timeoutMs` after the last (re)start. Time-outs are milliseconds >= 0.
class Deadline {
public:
    explicit Deadline(int64_t timeoutMs) : timeoutMs_(timeoutMs < 0 ? 0 : timeoutMs) { restart(); }
    void restart() { endMs_ = MonotonicMs() + timeoutMs_; }
    bool expired() const { return MonotonicMs() >= endMs_; }
    // Milliseconds left, 0 once expired; capped so it fits a poll() time-out.
    int remainingMs() const {
        const int64_t left = endMs_ - MonotonicMs();
        if (left <= 0) return 0;
        return left > 0x7fffffff ? 0x7fffffff : int(left);
    }
    int64_t timeoutMs() const { return timeoutMs_; }

private:
    int64_t timeoutMs_;
    int64_t endMs_ = 0;
};

// Sleeps (never spins) for `ms` milliseconds, resuming after signals.
void SleepMs(int64_t ms);

} // namespace linqor
