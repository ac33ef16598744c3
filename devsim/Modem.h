#pragma once
// A Hayes-compatible modem in front of the device. In command mode it echoes, answers AT commands and
// dials; once connected it passes bytes through, watching for "+++" between two guard times.
#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

struct ModemOptions {
    enum class DialAnswer { Connect, Busy, NoCarrier, None } answer = DialAnswer::Connect;
    int connectSpeed = 9600;     // shown in "CONNECT <speed>"
    int64_t dialDelayMs = 1500;  // from the dial command to the dial result
    int64_t guardMs = 1000;      // silence required before and after "+++"
};

// Something the modem does: send `bytes` at `atMs`; `online` changes the data path when not Keep.
struct ModemAction {
    std::string bytes;
    int64_t atMs = 0;
    enum class Path { Keep, Online, Offline } path = Path::Keep;
};

class Modem {
public:
    explicit Modem(const ModemOptions &o) : o_(o) {}

    // A byte from the line. Returns true if the modem swallowed it (command mode); false passes it on
    // to the device. Actions are appended to `out`.
    bool Feed(uint8_t byte, int64_t nowMs, std::vector<ModemAction> &out);
    // Timers (dial result, escape guard); returns actions that are due.
    void Tick(int64_t nowMs, std::vector<ModemAction> &out);
    int64_t NextDeadline() const;  // -1 when nothing is pending
    bool Online() const { return state_ == State::Online; }
    // The device dropped the line: "NO CARRIER", back to command mode.
    void DropCarrier(int64_t nowMs, std::vector<ModemAction> &out);

private:
    void Command(const std::string &line, int64_t nowMs, std::vector<ModemAction> &out);
    std::string Result(const std::string &text) const;
    enum class State { Command, Dialing, Online, OnlineCommand };
    ModemOptions o_;
    State state_ = State::Command;
    bool echo_ = true;
    std::string line_;
    int64_t dialDoneMs_ = -1;
    int plusCount_ = 0;
    int64_t lastDataMs_ = -1000000;
    int64_t plusStartMs_ = -1;
    int64_t escapeDueMs_ = -1;
};

} // namespace devsim
