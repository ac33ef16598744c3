#include "linedriver/Trace.h"

#include "linedriver/Deadline.h"
#include "linedriver/Paths.h"
#include "linedriver/TraceOptions.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linqor {

namespace {

bool ReadSmallFile(const std::string &path, std::string &out) {
    // O_NONBLOCK: a FIFO in place of the option file must not stall the library's load.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    out.clear();
    char buf[4096];
    while (ok && out.size() < kMaxOptionFileBytes) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        out.append(buf, size_t(n));
    }
    ::close(fd);
    if (out.size() > kMaxOptionFileBytes) out.resize(kMaxOptionFileBytes);
    return ok;
}

int64_t RealtimeMs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// "hh:nn:ss:zzz"; hours grow past two digits rather than wrap.
size_t FormatClock(char *out, int64_t hours, int64_t minutes, int64_t seconds, int64_t ms) {
    const int n = snprintf(out, 32, "%02" PRId64 ":%02" PRId64 ":%02" PRId64 ":%03" PRId64, hours,
                           minutes, seconds, ms);
    return n > 0 ? size_t(n) : 0;
}

const char kHex[] = "0123456789ABCDEF";

} // namespace

void Trace::start() {
    std::string path = FindTraceOptionFile(ProgramDir());
    if (path.empty()) path = FindTraceOptionFile(KorvulConfigDir());
    if (!path.empty()) startFrom(path);
}

void Trace::startFrom(const std::string &optionPath) {
    stop();
    std::string content;
    if (!ReadSmallFile(optionPath, content)) return;
    const TraceOptions o = ParseTraceOptions(content);
    if (o.file.empty() || o.file.find('\0') != std::string::npos) return;
    std::string output = o.file;
    if (output[0] != '/') {
        const size_t slash = optionPath.rfind('/');
        if (slash != std::string::npos) output = optionPath.substr(0, slash + 1) + output;
    }
    begin(o, output);
}

// Opens the trace output for appending, or returns -1. The trace holds every byte sent, access codes
// included, so only a regular file that only its owner can read is written:
// - O_NOFOLLOW: a symbolic link at the name is refused, so nobody can redirect the trace elsewhere;
// - O_NONBLOCK: a FIFO at the name does not block the load (and is refused as not regular);
// - a file with further hard links is refused (the same bytes would be readable under another name),
//   and so is a file of another user (who could read it whatever its mode);
// - an existing file with group or world bits is made 0600 before anything is written to it.
static int OpenTraceOutput(const std::string &outputPath) {
    const int fd = ::open(outputPath.c_str(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    const bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
                        st.st_uid == geteuid() && ((st.st_mode & 07777) == 0600 || fchmod(fd, 0600) == 0);
    if (!usable) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Trace::begin(const TraceOptions &o, const std::string &outputPath) {
    struct stat st {};
    // lstat: an old symbolic link is removed itself, never what it points to.
    if (o.autoRemove && lstat(outputPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_mtime < time(nullptr) - 24 * 60 * 60)
        unlink(outputPath.c_str());
    const int fd = OpenTraceOutput(outputPath);
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        return;
    }
    fd_ = fd;
    realtime_ = o.realtime;
    diff_ = o.diff;
    maxSize_ = o.maxSize;
    position_ = st.st_size;

    char line[128];
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    size_t n = strftime(line, sizeof line - 2, "Start: %x %X", &local);
    writeRaw(line, n);
    if (!realtime_) {
        // One tick of the CLOCK_MONOTONIC counter is one nanosecond.
        const int len = snprintf(line, sizeof line, "1 Tick = %g us", 1000000.0 / 1e9);
        writeRaw(line, len > 0 ? size_t(len) : 0);
    }
    prevCounter_ = MonotonicNs();
    prevClockMs_ = RealtimeMs();
}

void Trace::stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// Appends text plus CR LF without the size limit (the start lines are always written).
void Trace::writeRaw(const char *text, size_t length) {
    char line[kMaxTraceLine + 2];
    length = std::min(length, kMaxTraceLine - 2);
    memcpy(line, text, length);
    line[length++] = '\r';
    line[length++] = '\n';
    const ssize_t n = ::write(fd_, line, length);  // a failed trace write is ignored
    if (n > 0) position_ += n;
}

size_t Trace::stamp(char *out) {
    if (realtime_) {
        int64_t ms = RealtimeMs();
        if (diff_) {
            const int64_t d = ms - prevClockMs_;
            prevClockMs_ = ms;
            ms = d < 0 ? 0 : d;
            return FormatClock(out, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        }
        const time_t secs = time_t(ms / 1000);
        tm local{};
        localtime_r(&secs, &local);
        return FormatClock(out, local.tm_hour, local.tm_min, local.tm_sec, ms % 1000);
    }
    int64_t c = MonotonicNs();
    if (diff_) {
        const int64_t d = c - prevCounter_;
        prevCounter_ = c;
        c = d;
    }
    const int n = snprintf(out, 32, "%010" PRId64, c);
    return n > 0 ? size_t(n) : 0;
}

void Trace::event(const char *text, size_t length) {
    if (fd_ < 0) return;
    if (maxSize_ != 0 && position_ >= maxSize_) return;
    char line[kMaxTraceLine + 2];
    size_t n = stamp(line);
    line[n++] = ':';
    const size_t room = kMaxTraceLine - 2 - n;
    length = std::min(length, room);
    memcpy(line + n, text, length);
    n += length;
    line[n++] = '\r';
    line[n++] = '\n';
    const ssize_t w = ::write(fd_, line, n);
    if (w > 0) position_ += w;
}

void Trace::event(const char *text) { event(text, strlen(text)); }

// pattern: 9 characters, 'c' for the character, 'H' 'h' for the two hexadecimal digits.
void Trace::byteLine(const char *pattern, uint8_t byte) {
    char text[9];
    for (size_t i = 0; i < sizeof text; ++i) {
        switch (pattern[i]) {
        case 'c': text[i] = byte < 32 ? '.' : char(byte); break;
        case 'H': text[i] = kHex[byte >> 4]; break;
        case 'h': text[i] = kHex[byte & 15]; break;
        default: text[i] = pattern[i];
        }
    }
    event(text, sizeof text);
}

void Trace::sendBytes(const uint8_t *data, size_t count) {
    for (size_t i = 0; i < count && fd_ >= 0; ++i) byteLine(" c   (Hh)", data[i]);
}

void Trace::receiveByte(uint8_t byte) { byteLine("   c (Hh)", byte); }

} // namespace linqor
