#include "linedriver/Port.h"

#include "linedriver/linqor32.h"
#ifdef KORVUL_LINQOR_TESTING
#include "linedriver/TestHooks.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <linux/serial.h>  // serial_icounter_struct
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>  // also TIOCGICOUNT
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace linqor {

#ifdef KORVUL_LINQOR_TESTING
namespace {
testing::ErrorSource g_errorSource = nullptr;
testing::ModemSource g_modemSource = nullptr;
} // namespace
void testing::SetErrorSource(ErrorSource source) { g_errorSource = source; }
void testing::SetModemSource(ModemSource source) { g_modemSource = source; }
#endif

void SleepMs(int64_t ms) {
    if (ms <= 0) return;
    timespec left{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

namespace {

struct BaudEntry {
    int64_t rate;
    speed_t code;
};
constexpr BaudEntry kBauds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool BaudCode(int64_t rate, speed_t &code) {
    for (const BaudEntry &e : kBauds)
        if (e.rate == rate) { code = e.code; return true; }
    return false;
}

int64_t BaudRate(speed_t code) {
    for (const BaudEntry &e : kBauds)
        if (e.code == code) return e.rate;
    return 0;
}

// Binary transfer: no line editing, echo, signals, translation or software flow control.
void MakeRaw(Termios &t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

int SetParity(Termios &t, int64_t code) {
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (code) {
    case 0: return 0;
    case 1: t.c_cflag |= PARENB | PARODD; return 0;
    case 2: t.c_cflag |= PARENB; return 0;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; return 0;
    case 4: t.c_cflag |= PARENB | CMSPAR; return 0;
    default: return EINVAL;
    }
}

int SetDataBits(Termios &t, int64_t bits) {
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (bits < 5 || bits > 8) return EINVAL;
    t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[bits - 5];
    return 0;
}

// One and a half stop bits exist only with 5 data bits, where the UART sends them for CSTOPB.
int SetStopBits(Termios &t, int64_t code) {
    if (code == 0) t.c_cflag &= ~CSTOPB;
    else if (code == 2 || (code == 1 && (t.c_cflag & CSIZE) == CS5)) t.c_cflag |= CSTOPB;
    else return EINVAL;
    return 0;
}

int ApplyFields(Termios &t, const PortSettings &s) {
    if (s.baud) {
        speed_t code{};
        if (!BaudCode(*s.baud, code)) return EINVAL;
        if (cfsetispeed(&t, code) != 0 || cfsetospeed(&t, code) != 0) return EINVAL;
    }
    if (s.parity && SetParity(t, *s.parity) != 0) return EINVAL;
    if (s.dataBits && SetDataBits(t, *s.dataBits) != 0) return EINVAL;
    if (s.stopCode && SetStopBits(t, *s.stopCode) != 0) return EINVAL;
    if (s.parityCheck) {
        if (*s.parityCheck) t.c_iflag |= INPCK;
        else t.c_iflag &= ~INPCK;
    }
    return 0;
}

} // namespace

int SerialPort::open(const char *path) {
    close();
    if (std::string url; NetworkTarget(path, url)) return net_.open(url);
    int owner = 0;
    if (LiveLockOwner(path) != 0) return EBUSY;  // another program's lock file, before touching the line
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    int err = 0;
    if (fstat(fd, &st) != 0) err = errno;
    else if (!S_ISCHR(st.st_mode)) err = ENOTTY;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0) err = errno;  // before any change to the line
    else if (!isatty(fd)) err = ENOTTY;
    // Unix98 pseudo-terminal slaves have the majors 136..143.
    isPty_ = major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
    if (err == 0) err = lock_.acquire(path, owner);
    if (err != 0) {
        ::close(fd);
        return err;
    }
    ioctl(fd, TIOCEXCL);  // keeps out other openers that do not use flock; root ignores it
    fd_ = fd;
    countsKnown_ = readCounts(last_);
    return 0;
}

void SerialPort::close() {
    net_.close();
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the flock
    fd_ = -1;
    lock_.release();
    dropBuffered();
    countsKnown_ = false;
}

int SerialPort::RefusedField(const PortSettings &s) {
    PortSettings one;
    Termios t{};
    if (s.baud && (one = PortSettings{}, one.baud = s.baud, ApplyFields(t, one) != 0)) return 1;
    if (s.parity && (one = PortSettings{}, one.parity = s.parity, ApplyFields(t, one) != 0)) return 2;
    if (s.dataBits && (one = PortSettings{}, one.dataBits = s.dataBits, ApplyFields(t, one) != 0)) return 3;
    one = PortSettings{};
    one.dataBits = s.dataBits.value_or(8);
    if (one.dataBits < 5 || one.dataBits > 8) one.dataBits = 8;
    one.stopCode = s.stopCode;
    if (s.stopCode && ApplyFields(t, one) != 0) return 4;
    return 0;
}

// A pseudo-terminal keeps 8 data bits without parity whatever is asked, and the kernel answers a
// request that changes nothing else with EINVAL; there that is no refusal of the line settings.
bool SerialPort::onlyPtyFixedBitsDiffer(const Termios &wanted) const {
    Termios now{};
    if (!isPty_ || tcgetattr(fd_, &now) != 0) return false;
    const tcflag_t fixed = CSIZE | PARENB;
    return (now.c_cflag & ~fixed) == (wanted.c_cflag & ~fixed) && now.c_iflag == wanted.c_iflag &&
           now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
           cfgetospeed(&now) == cfgetospeed(&wanted);
}

int SerialPort::applySettings(const PortSettings &s) {
    if (net_.isOpen()) return net_.applySettings(s);
    Termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    MakeRaw(t);
    if (const int err = ApplyFields(t, s); err != 0) return err;
    if (tcsetattr(fd_, TCSANOW, &t) != 0) {
        const int err = errno;
        return err == EINVAL && onlyPtyFixedBitsDiffer(t) ? 0 : err;
    }
    return 0;
}

int64_t SerialPort::currentBaud() const {
    if (net_.isOpen()) return net_.currentBaud();
    Termios t{};
    if (tcgetattr(fd_, &t) != 0) return 0;
    return BaudRate(cfgetospeed(&t));
}

int SerialPort::readTimeouts(uint8_t &vmin, uint8_t &vtime) const {
    if (net_.isOpen()) return ENOTTY;
    Termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    vmin = t.c_cc[VMIN];
    vtime = t.c_cc[VTIME];
    return 0;
}

int SerialPort::setTimeouts(uint8_t vmin, uint8_t vtime) {
    if (net_.isOpen()) return 0;
    Termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    t.c_cc[VMIN] = vmin;
    t.c_cc[VTIME] = vtime;
    return tcsetattr(fd_, TCSANOW, &t) != 0 ? errno : 0;
}

bool SerialPort::readCounts(Counts &c) const {
    serial_icounter_struct ic{};
    if (fd_ < 0 || ioctl(fd_, TIOCGICOUNT, &ic) != 0) return false;  // a pseudo-terminal cannot say
    c.frame = uint32_t(ic.frame);
    c.overrun = uint32_t(ic.overrun);
    c.parity = uint32_t(ic.parity);
    c.brk = uint32_t(ic.brk);
    c.bufOverrun = uint32_t(ic.buf_overrun);
    return true;
}

uint32_t SerialPort::fetchErrors() {
#ifdef KORVUL_LINQOR_TESTING
    if (g_errorSource) return g_errorSource();
#endif
    Counts now{};
    if (!countsKnown_ || !readCounts(now)) return 0;
    uint32_t bits = 0;
    if (now.bufOverrun != last_.bufOverrun) bits |= ceRxOverflow;
    if (now.overrun != last_.overrun) bits |= ceOverrun;
    if (now.parity != last_.parity) bits |= ceParity;
    if (now.frame != last_.frame) bits |= ceFraming;
    if (now.brk != last_.brk) bits |= ceBreak;
    last_ = now;
    return bits;
}

int SerialPort::queueStatus(QueueStatus &out) {
    if (net_.isOpen()) return net_.queueStatus(out);
    out = QueueStatus{};
    out.errors = fetchErrors();
    int in = 0, outq = 0;
    if (ioctl(fd_, FIONREAD, &in) != 0) return errno;
    if (ioctl(fd_, TIOCOUTQ, &outq) != 0) outq = 0;  // not every terminal keeps a count
    out.inQueue = in + int(buffered());
    out.outQueue = outq;
    return 0;
}

int SerialPort::flush(bool transmit) {
    if (net_.isOpen()) return net_.flush(transmit);
    if (transmit) return tcflush(fd_, TCOFLUSH) != 0 ? errno : 0;
    dropBuffered();
    if (tcflush(fd_, TCIFLUSH) != 0) return errno;
    drained_ = true;  // nothing waits now: the next byte read starts with poll()
    return 0;
}

int SerialPort::waiting(int &count) const {
    if (net_.isOpen()) return net_.waiting(count);
    count = 0;
    if (ioctl(fd_, FIONREAD, &count) != 0) return errno;
    count += int(buffered());
    return 0;
}

int SerialPort::modemLines(int &present) const {
    present = 0;
#ifdef KORVUL_LINQOR_TESTING
    if (g_modemSource) return g_modemSource(present);
#endif
    if (net_.isOpen()) return ENOTTY;
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) return errno;
    if (bits & TIOCM_CTS) present |= lcCTS;
    if (bits & TIOCM_DSR) present |= lcDSR;
    if (bits & TIOCM_CAR) present |= lcCarrier;
    return 0;
}

void SerialPort::setDtr(bool on) {
    if (net_.isOpen()) return;
    int bit = TIOCM_DTR;
    ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);  // a pseudo-terminal has no modem lines
}

void SerialPort::setRts(bool on) {
    if (net_.isOpen()) return;
    int bit = TIOCM_RTS;
    ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);
}

// In raw mode with VMIN = VTIME = 0 a terminal's read() returns 0 when nothing is waiting, so an
// end of line shows as a hang-up from poll() followed by a read that still has nothing.
int SerialPort::readByte(uint8_t &byte, const Deadline &wait, bool &got) {
    if (net_.isOpen()) return net_.readByte(byte, wait, got);
    got = false;
    bool hungUp = false;
    bool polled = false;
    for (;;) {
        if (buffered() > 0) {
            byte = rx_[rxHead_++];
            got = true;
            return 0;
        }
        // A read that came back short emptied the port: wait for readiness first instead of a
        // read that would find nothing.
        const bool skipRead = drained_ && !polled;
        const ssize_t n = skipRead ? -1 : ::read(fd_, rx_, sizeof rx_);
        if (skipRead) errno = EAGAIN;
        if (n > 0) {
            rxHead_ = 0;
            rxEnd_ = size_t(n);
            drained_ = rxEnd_ < sizeof rx_;
            continue;
        }
        drained_ = false;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return errno;
        if (hungUp) return EIO;
        if (polled && wait.expired()) return 0;  // readiness without data: no byte this time
        polled = true;
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, wait.remainingMs());
        if (r == 0) return 0;  // the wait is used up
        if (r < 0 && errno != EINTR) return errno;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) hungUp = true;
    }
}

int SerialPort::readAvailable(uint8_t *buf, size_t n, size_t &got) {
    if (net_.isOpen()) return net_.readAvailable(buf, n, got);
    got = std::min(n, buffered());
    std::memcpy(buf, rx_ + rxHead_, got);
    rxHead_ += got;
    if (buffered() == 0) dropBuffered();
    while (got < n) {
        const ssize_t r = ::read(fd_, buf + got, n - got);
        if (r >= 0) {
            got += size_t(r);
            return 0;
        }
        if (errno == EINTR) continue;
        return errno == EAGAIN ? 0 : errno;
    }
    return 0;
}

int SerialPort::writeAll(const uint8_t *data, size_t n, size_t &written, Deadline &stall) {
    if (net_.isOpen()) return net_.writeAll(data, n, written, stall);
    written = 0;
    while (written < n) {
        const ssize_t r = ::write(fd_, data + written, n - written);
        if (r > 0) {
            written += size_t(r);
            stall.restart();
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN) return errno;
        if (stall.expired()) return ETIMEDOUT;
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, stall.remainingMs()) < 0 && errno != EINTR) return errno;
    }
    return 0;
}

} // namespace linqor
