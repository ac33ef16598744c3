#pragma once
// The optional line trace: every byte sent and received, purges and failed reads, one stamped
// text line each ("stamp:text\r\n", at most 254 characters), appended to the file named in the
// option file TRRS232.TXT. Without that file nothing is done at all.
// The state is trivially destructible so that it lives safely in a library's static storage.
#include <cstddef>
#include <cstdint>
#include <string>

namespace linqor {

struct TraceOptions;

class Trace {
public:
    // Looks for TRRS232.TXT in the program's folder, then in the korvul configuration folder, and
    // starts tracing when it names an output file that can be opened. Failures leave tracing off.
    void start();
    // Starts from one option file; a relative FILE path is taken from that file's folder.
    void startFrom(const std::string &optionPath);
    void stop();
    bool on() const { return fd_ >= 0; }

    void event(const char *text, size_t length);  // one "stamp:text" line
    void event(const char *text);
    void sendBytes(const uint8_t *data, size_t count);  // " c   (HH)" per byte
    void receiveByte(uint8_t byte);                     // "   c (HH)"

private:
    void begin(const TraceOptions &o, const std::string &outputPath);
    void writeRaw(const char *text, size_t length);
    size_t stamp(char *out);
    void byteLine(const char *pattern, uint8_t byte);

    int fd_ = -1;
    bool realtime_ = false;
    bool diff_ = false;
    int64_t maxSize_ = 0;
    int64_t position_ = 0;      // bytes in the output file
    int64_t prevCounter_ = 0;   // ns, CLOCK_MONOTONIC
    int64_t prevClockMs_ = 0;   // ms, CLOCK_REALTIME
};

// Longest trace line including its carriage return and line feed.
inline constexpr size_t kMaxTraceLine = 254;

} // namespace linqor
