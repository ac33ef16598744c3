#pragma once
// Splits the byte stream that reaches the device into requests: protocol frames, the raw commands the
// program sends itself, and noise. Fed one byte at a time; resynchronises on every SOH.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace devsim {

constexpr uint8_t SOH = 0x01, STX = 0x02, ETX = 0x03, EOT = 0x04, ACK = 0x06, NAK = 0x15, ETB = 0x17;

struct WireEvent {
    enum Kind {
        SignOn,       // SOH 'O' ETX BCC
        SignOff,      // SOH 'B' ETX BCC
        Read,         // SOH 'R' item ETX BCC
        Write,        // SOH 'W' item STX data ETX BCC
        BadFrame,     // a frame whose BCC did not match: answered with NAK 00
        RawCommand,   // SOH 'P' digits CR: process data request ("P55", "P56", "P67")
        WakeUp,       // three STX in a row (poll wake-up)
        ModuleWakeUp, // five EOT followed by five STX (remote module login)
        ClockTestAsk, // "!}"
        ClockTestStart, // "00%60" CR LF
        ClockTestStop,  // "0" while the clock test runs
        EndRaw,       // 17h
        Repeat,       // NAK outside a frame: send the last answer again
        Key,          // any other byte outside a frame (module terminal keys, noise)
    } kind;
    uint8_t item = 0;
    std::string data;  // write value, raw command text, or the key byte
};

uint8_t Bcc(const std::string &bytes);

class WireParser {
public:
    std::optional<WireEvent> Feed(uint8_t byte);
    void SetClockTestRunning(bool on) { clockTest_ = on; }
    bool InFrame() const { return state_ != State::Idle; }
    // True once after bytes of a frame were thrown away (a frame cut off by a new SOH, an unknown
    // command, a malformed frame): the device heard a request it could not understand.
    bool TakeAbandoned() { return std::exchange(abandoned_, false); }
private:
    std::optional<WireEvent> FeedIdle(uint8_t byte);
    std::optional<WireEvent> FeedFrame(uint8_t byte);
    std::optional<WireEvent> Finish(uint8_t bcc);
    void Abandon();
    enum class State { Idle, Cmd, Item, AfterItem, Data, Bcc, Raw };
    State state_ = State::Idle;
    char cmd_ = 0;
    uint8_t item_ = 0;
    std::string body_;   // bytes after SOH up to ETX, for the BCC
    std::string data_;
    std::string idle_;   // recent bytes outside frames, for the multi-byte raw sequences
    bool clockTest_ = false;
    bool abandoned_ = false;
};

} // namespace devsim
