#include "devsim/Modem.h"

#include <algorithm>
#include <cctype>

namespace devsim {

std::string Modem::Result(const std::string &text) const { return "\r\n" + text + "\r\n"; }

bool Modem::Feed(uint8_t byte, int64_t nowMs, std::vector<ModemAction> &out) {
    if (state_ == State::Online) {
        // "+++" counts only after a guard time of silence; the guard after it is checked in Tick.
        if (byte == '+' && (plusCount_ > 0 || nowMs - lastDataMs_ >= o_.guardMs) && plusCount_ < 3) {
            if (++plusCount_ == 3) escapeDueMs_ = nowMs + o_.guardMs;
        } else {
            plusCount_ = 0;
            escapeDueMs_ = -1;
        }
        lastDataMs_ = nowMs;
        return false;
    }
    if (state_ == State::Dialing) {  // any key but the line end of the dial command aborts the dialling
        if (byte == '\r' || byte == '\n') return true;
        state_ = State::Command;
        dialDoneMs_ = -1;
        out.push_back({Result("NO CARRIER"), nowMs});
        return true;
    }
    if (echo_) out.push_back({std::string(1, static_cast<char>(byte)), nowMs});
    if (byte == '\r') {
        std::string cmd = line_;
        line_.clear();
        Command(cmd, nowMs, out);
    } else if (byte == 8 && !line_.empty()) {
        line_.pop_back();
    } else if (byte >= 32 && line_.size() < 80) {
        line_ += static_cast<char>(byte);
    }
    return true;
}

void Modem::Command(const std::string &raw, int64_t nowMs, std::vector<ModemAction> &out) {
    std::string cmd;
    for (char c : raw)
        if (c != ' ') cmd += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // As a real modem does, a command starts at its "AT" prefix: bytes before it (line noise, a frame
    // sent while the modem was in command mode) are dropped, and a line without it gets no answer.
    const std::string::size_type at = cmd.find("AT");
    if (at == std::string::npos) return;
    cmd.erase(0, at);
    const std::string rest = cmd.substr(2);
    if (rest.compare(0, 1, "D") == 0) {
        if (state_ == State::OnlineCommand) { out.push_back({Result("ERROR"), nowMs}); return; }
        state_ = State::Dialing;
        dialDoneMs_ = nowMs + o_.dialDelayMs;
        return;
    }
    if (rest.compare(0, 1, "H") == 0) {
        const bool wasOnline = state_ == State::OnlineCommand;
        state_ = State::Command;
        out.push_back({Result("OK"), nowMs, wasOnline ? ModemAction::Path::Offline : ModemAction::Path::Keep});
        return;
    }
    if (rest == "O" && state_ == State::OnlineCommand) {
        state_ = State::Online;
        lastDataMs_ = nowMs;
        out.push_back({Result("CONNECT " + std::to_string(o_.connectSpeed)), nowMs});
        return;
    }
    if (rest.find("E0") != std::string::npos) echo_ = false;
    if (rest.find("E1") != std::string::npos) echo_ = true;
    out.push_back({Result("OK"), nowMs});  // AT, AT&F, ATZ, ATE0, AT&F... all accepted
}

void Modem::Tick(int64_t nowMs, std::vector<ModemAction> &out) {
    if (state_ == State::Dialing && dialDoneMs_ >= 0 && nowMs >= dialDoneMs_) {
        dialDoneMs_ = -1;
        using A = ModemOptions::DialAnswer;
        switch (o_.answer) {
        case A::Connect:
            state_ = State::Online;
            lastDataMs_ = nowMs;
            plusCount_ = 0;
            out.push_back({Result("CONNECT " + std::to_string(o_.connectSpeed)), nowMs, ModemAction::Path::Online});
            return;
        case A::Busy: state_ = State::Command; out.push_back({Result("BUSY"), nowMs}); return;
        case A::NoCarrier: state_ = State::Command; out.push_back({Result("NO CARRIER"), nowMs}); return;
        case A::None: state_ = State::Command; return;  // silence: the caller's dial time-out decides
        }
    }
    if (state_ == State::Online && escapeDueMs_ >= 0 && nowMs >= escapeDueMs_) {
        escapeDueMs_ = -1;
        plusCount_ = 0;
        state_ = State::OnlineCommand;
        out.push_back({Result("OK"), nowMs});
    }
}

int64_t Modem::NextDeadline() const {
    if (state_ == State::Dialing) return dialDoneMs_;
    if (state_ == State::Online) return escapeDueMs_;
    return -1;
}

void Modem::DropCarrier(int64_t nowMs, std::vector<ModemAction> &out) {
    if (state_ == State::Command) return;
    state_ = State::Command;
    plusCount_ = 0;
    escapeDueMs_ = -1;
    out.push_back({Result("NO CARRIER"), nowMs, ModemAction::Path::Offline});
}

} // namespace devsim
