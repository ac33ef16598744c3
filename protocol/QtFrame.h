#pragma once
// Framing of the QT-family wire protocol, as pure functions so that it can be tested without a port.
// The byte layout is described in docs/protocol.md.
#include <cstdint>
#include <string>
#include <string_view>

namespace prqt {

constexpr uint8_t SOH = 0x01, STX = 0x02, ETX = 0x03, ACK = 0x06, NAK = 0x15;

// Largest value text a frame carries (a read answer is cut to the caller's buffer separately).
constexpr std::size_t MaxDataLength = 255;

// XOR of all bytes of `bytes`; callers pass the bytes after the start byte up to and including ETX.
uint8_t Bcc(std::string_view bytes);

// Request frames. A value that cannot travel in a frame (longer than MaxDataLength, or holding SOH or
// ETX, which delimit frames) gives an empty string.
std::string SignOnFrame();
std::string SignOffFrame();
std::string ReadFrame(uint8_t item);
std::string WriteFrame(uint8_t item, std::string_view value);
bool ValueFitsFrame(std::string_view value);
// Asks the device to send its last answer again without carrying anything out: a single NAK.
std::string RepeatRequest();
// Whether a request may be sent a second time after the device may already have carried it out.
// Reading an archive record ('x') moves the device's record pointer and a code mark ('~') is
// recorded once per write; every other request of the family leaves the same state when repeated.
bool SafeToResend(char command, uint8_t item);

// What a complete answer turned out to be.
enum class AnswerKind {
    Incomplete,   // more bytes are needed
    Ack,          // ACK
    Refusal,      // NAK and two decimal digits; `code` holds them
    RequestDamaged, // NAK 00: the device received a damaged request (or nothing it understood) and did
                    // not carry anything out
    Damaged,      // an answer that failed its checks
    Data,         // STX data ETX BCC with a good BCC; `data` holds the text
};

// Noise bytes before an answer's start byte after which the answer counts as Damaged: a line that keeps
// sending without a start byte never reaches the receive time-out and would hold the request for ever.
constexpr std::size_t MaxNoiseBytes = 1024;

// Incremental answer parser, fed one received byte at a time. Bytes before a start byte (ACK, NAK,
// STX) are noise and skipped, up to MaxNoiseBytes. After a result other than Incomplete, call Reset()
// before the next answer.
class AnswerParser {
public:
    AnswerKind Feed(uint8_t byte);
    void Reset();
    const std::string &Data() const { return data_; }
    int Code() const { return code_; }
    std::size_t SkippedBytes() const { return skipped_; }
private:
    enum class State { Idle, NakDigit1, NakDigit2, Data, Bcc };
    State state_ = State::Idle;
    std::string data_;
    int code_ = 0;
    std::size_t skipped_ = 0;
};

// Copies `answer` into a caller buffer as a zero-terminated text of at most min(255, limit) characters,
// where limit comes from the caller's expected length (values <= 0 mean "no limit of its own").
// Returns the number of characters copied (without the zero).
int CopyAnswer(const std::string &answer, int32_t expectedLength, char *buffer);

} // namespace prqt
