#include "protocol/QtFrame.h"

#include <algorithm>
#include <cstring>

namespace prqt {

uint8_t Bcc(std::string_view bytes) {
    uint8_t x = 0;
    for (char c : bytes) x ^= static_cast<uint8_t>(c);
    return x;
}

namespace {
// SOH + body (ending in ETX) + BCC over the body.
std::string Framed(const std::string &body) {
    std::string f(1, static_cast<char>(SOH));
    f += body;
    f += static_cast<char>(Bcc(body));
    return f;
}
} // namespace

bool ValueFitsFrame(std::string_view value) {
    if (value.size() > MaxDataLength) return false;
    return value.find(static_cast<char>(SOH)) == std::string_view::npos &&
           value.find(static_cast<char>(ETX)) == std::string_view::npos;
}

std::string SignOnFrame() { return Framed(std::string{'O', static_cast<char>(ETX)}); }
std::string SignOffFrame() { return Framed(std::string{'B', static_cast<char>(ETX)}); }

std::string ReadFrame(uint8_t item) {
    return Framed(std::string{'R', static_cast<char>(item), static_cast<char>(ETX)});
}

std::string WriteFrame(uint8_t item, std::string_view value) {
    if (!ValueFitsFrame(value)) return {};
    std::string body{'W', static_cast<char>(item), static_cast<char>(STX)};
    body.append(value);
    body += static_cast<char>(ETX);
    return Framed(body);
}

std::string RepeatRequest() { return std::string(1, static_cast<char>(NAK)); }

bool SafeToResend(char command, uint8_t item) {
    if (command == 'R') return item != 'x';
    if (command == 'W') return item != '~';
    return true;
}

void AnswerParser::Reset() {
    state_ = State::Idle;
    data_.clear();
    code_ = 0;
    skipped_ = 0;
}

AnswerKind AnswerParser::Feed(uint8_t byte) {
    switch (state_) {
    case State::Idle:
        if (byte == ACK) return AnswerKind::Ack;
        if (byte == NAK) { state_ = State::NakDigit1; return AnswerKind::Incomplete; }
        if (byte == STX) { state_ = State::Data; data_.clear(); return AnswerKind::Incomplete; }
        return ++skipped_ > MaxNoiseBytes ? AnswerKind::Damaged : AnswerKind::Incomplete;
    case State::NakDigit1:
    case State::NakDigit2: {
        if (byte < '0' || byte > '9') return AnswerKind::Damaged;
        code_ = code_ * 10 + (byte - '0');
        if (state_ == State::NakDigit1) { state_ = State::NakDigit2; return AnswerKind::Incomplete; }
        return code_ == 0 ? AnswerKind::RequestDamaged : AnswerKind::Refusal;
    }
    case State::Data:
        if (byte == ETX) { state_ = State::Bcc; return AnswerKind::Incomplete; }
        // A start byte inside the data means the answer broke off and a new one began.
        if (byte == SOH || data_.size() >= MaxDataLength) return AnswerKind::Damaged;
        data_ += static_cast<char>(byte);
        return AnswerKind::Incomplete;
    case State::Bcc: {
        std::string body = data_;
        body += static_cast<char>(ETX);
        return Bcc(body) == byte ? AnswerKind::Data : AnswerKind::Damaged;
    }
    }
    return AnswerKind::Damaged;
}

int CopyAnswer(const std::string &answer, int32_t expectedLength, char *buffer) {
    std::size_t n = std::min<std::size_t>(answer.size(), MaxDataLength);
    if (expectedLength > 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(expectedLength));
    std::memcpy(buffer, answer.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

} // namespace prqt
