#include "devsim/WireParser.h"

namespace devsim {

uint8_t Bcc(const std::string &bytes) {
    uint8_t x = 0;
    for (char c : bytes) x ^= static_cast<uint8_t>(c);
    return x;
}

namespace {
bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
constexpr std::size_t MaxFrameData = 255;
} // namespace

std::optional<WireEvent> WireParser::Feed(uint8_t byte) {
    // The BCC position may hold any byte; everywhere else SOH starts a new frame, so a frame cut off
    // after its command byte does not swallow the next one (item code 1 is therefore not usable).
    if (byte == SOH && state_ != State::Bcc) {
        if (state_ != State::Idle) abandoned_ = true;
        state_ = State::Cmd;
        body_.clear();
        data_.clear();
        idle_.clear();
        return std::nullopt;
    }
    if (state_ == State::Idle) return FeedIdle(byte);
    return FeedFrame(byte);
}

std::optional<WireEvent> WireParser::FeedIdle(uint8_t byte) {
    idle_ += static_cast<char>(byte);
    if (idle_.size() > 16) idle_ = idle_.substr(idle_.size() - 16);
    auto event = [&](WireEvent::Kind k) {
        idle_.clear();
        return WireEvent{k, 0, {}};
    };
    if (byte == ETB) return event(WireEvent::EndRaw);
    if (byte == NAK) return event(WireEvent::Repeat);
    if (EndsWith(idle_, "\x04\x04\x04\x04\x04\x02\x02\x02\x02\x02")) return event(WireEvent::ModuleWakeUp);
    if (byte == STX) {
        // Kept in idle_: the STX may still complete the module wake-up.
        if (EndsWith(idle_, "\x02\x02\x02") && !EndsWith(idle_, "\x04\x02\x02\x02"))
            return WireEvent{WireEvent::WakeUp, 0, {}};
        return std::nullopt;
    }
    if (EndsWith(idle_, "!}")) return event(WireEvent::ClockTestAsk);
    if (EndsWith(idle_, "00%60\r\n")) return event(WireEvent::ClockTestStart);
    if (byte == '0' && clockTest_) return event(WireEvent::ClockTestStop);
    if (byte == EOT) return std::nullopt;  // part of the module wake-up
    return WireEvent{WireEvent::Key, 0, std::string(1, static_cast<char>(byte))};
}

std::optional<WireEvent> WireParser::FeedFrame(uint8_t byte) {
    const char c = static_cast<char>(byte);
    switch (state_) {
    case State::Cmd:
        cmd_ = c;
        body_ = std::string(1, c);
        if (c == 'O' || c == 'B') state_ = State::AfterItem;
        else if (c == 'R' || c == 'W') state_ = State::Item;
        else if (c == 'P') { state_ = State::Raw; data_.assign(1, 'P'); }
        else Abandon();  // not a frame of ours: noise
        return std::nullopt;
    case State::Item:
        item_ = byte;
        body_ += c;
        state_ = State::AfterItem;
        return std::nullopt;
    case State::AfterItem:
        body_ += c;
        if (byte == ETX) state_ = State::Bcc;
        else if (byte == STX && cmd_ == 'W') state_ = State::Data;
        else Abandon();
        return std::nullopt;
    case State::Data:
        body_ += c;
        if (byte == ETX) state_ = State::Bcc;
        else if (data_.size() >= MaxFrameData) Abandon();
        else data_ += c;
        return std::nullopt;
    case State::Bcc:
        state_ = State::Idle;
        return Finish(byte);
    case State::Raw:
        if (byte == '\r') {
            state_ = State::Idle;
            return WireEvent{WireEvent::RawCommand, 0, data_};
        }
        data_ += c;
        if (data_.size() > 8) Abandon();
        return std::nullopt;
    case State::Idle:
        break;
    }
    return std::nullopt;
}

void WireParser::Abandon() {
    state_ = State::Idle;
    abandoned_ = true;
}

std::optional<WireEvent> WireParser::Finish(uint8_t bcc) {
    if (Bcc(body_) != bcc) return WireEvent{WireEvent::BadFrame, item_, {}};
    switch (cmd_) {
    case 'O': return WireEvent{WireEvent::SignOn, 0, {}};
    case 'B': return WireEvent{WireEvent::SignOff, 0, {}};
    case 'R': return WireEvent{WireEvent::Read, item_, {}};
    default: return WireEvent{WireEvent::Write, item_, data_};
    }
}

} // namespace devsim
