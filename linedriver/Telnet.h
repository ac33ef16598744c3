#pragma once
// Telnet framing for a network serial port with the COM-PORT option: escaping of the data bytes,
// the option negotiation with the server and the COM-PORT commands that carry the line settings.
// Pure byte work without a socket, so it can be tested and fuzzed on its own. No allocation, nothing
// throws; every object fits static storage.
#include <cstddef>
#include <cstdint>

namespace linqor {

namespace telnet {
enum : uint8_t {
    kSe = 240,    // end of a sub-negotiation
    kSb = 250,    // start of a sub-negotiation
    kWill = 251,
    kWont = 252,
    kDo = 253,
    kDont = 254,
    kIac = 255,   // "interpret as command"; a data byte 255 is sent twice
};
enum : uint8_t { kOptBinary = 0, kOptEcho = 1, kOptSuppressGoAhead = 3, kOptComPort = 44 };
// COM-PORT commands from the client; the server answers with the same number plus 100.
enum : uint8_t { kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kPurgeData = 12 };
// kPurgeData values: the server's buffer of bytes from the device, of bytes to it, or both.
enum : uint8_t { kPurgeFromDevice = 1, kPurgeToDevice = 2, kPurgeBoth = 3 };
} // namespace telnet

// Fixed-size byte sink for the bytes a step produces; a full sink drops the rest and says so.
struct ByteSink {
    uint8_t *data = nullptr;
    size_t capacity = 0;
    size_t size = 0;
    bool overflow = false;
    void put(uint8_t b) {
        if (size < capacity) data[size++] = b;
        else overflow = true;
    }
};

// Copies `n` data bytes into `out` with every 255 doubled. Returns how many input bytes were taken
// completely (an input byte is never split across two calls). Needs at most 2*n output bytes.
size_t EscapeData(const uint8_t *in, size_t n, ByteSink &out);

// The client's opening negotiation: it will send binary and use the COM-PORT option, asks the server
// for binary and suppressed go-ahead. The decoder below must be told with Opened().
void AppendOpening(ByteSink &out);

// A COM-PORT command: IAC SB 44 <command> <value, big-endian, escaped> IAC SE. `size` is 1 or 4.
void AppendComPort(ByteSink &out, uint8_t command, uint32_t value, int size);

// Line settings as linqor32 numbers (parity 0..4 none/odd/even/mark/space, stop 0 one / 1 one and a
// half / 2 two) in COM-PORT values; 0 when the number has no COM-PORT value.
uint8_t ComPortParity(int64_t parity);
uint8_t ComPortStopSize(int64_t stopCode);

// The receiving side: splits the server's bytes into data and telnet commands, and answers option
// requests so that no negotiation loops (the "Q method" of RFC 1143, without queueing).
// Accepted: BINARY both ways, SUPPRESS-GO-AHEAD both ways, COM-PORT from the client; anything else is
// refused, ECHO included (an echo would put our own requests into the device's answer).
class TelnetDecoder {
public:
    constexpr TelnetDecoder() = default;
    void reset();
    void opened();  // the opening negotiation was sent: its options are wanted, not yet agreed

    // Feeds received bytes: data go to `data`, negotiation answers to `reply`. `data` needs room for
    // `n` bytes, `reply` for n + 2 (an answer of 3 bytes follows a request of 3 bytes, whose first two
    // may have come with the previous call); a command split across calls is completed by the next.
    void feed(const uint8_t *in, size_t n, ByteSink &data, ByteSink &reply);

    bool comPortAgreed() const { return us_[telnet::kOptComPort] == Yes; }
    bool comPortRefused() const { return comPortRefused_; }
    uint32_t comPortAnswers() const { return answers_; }  // COM-PORT answers (command + 100) seen

private:
    enum OptState : uint8_t { No = 0, Yes = 1, WantYes = 2 };
    enum Mode : uint8_t { Data, Command, Option, Sub, SubCommand };
    static bool weAccept(uint8_t option);
    static bool theyMay(uint8_t option);
    void handleOption(uint8_t verb, uint8_t option, ByteSink &reply);
    void step(uint8_t b, ByteSink &data, ByteSink &reply);
    void endSub();

    Mode mode_ = Data;
    uint8_t verb_ = 0;
    uint8_t subOption_ = 0;
    uint8_t subCommand_ = 0;
    size_t subLength_ = 0;
    bool comPortRefused_ = false;
    uint32_t answers_ = 0;
    OptState us_[256] = {};    // options we perform (WILL)
    OptState them_[256] = {};  // options the server performs (DO)
};

} // namespace linqor
