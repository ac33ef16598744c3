#include "linedriver/NetPort.h"

#include "linedriver/Port.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linqor {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kTelnetScheme = "rfc2217://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] | 0x20) != (prefix[i] | 0x20)) return false;
    return true;
}

// "HOST:PORT" or "[V6ADDRESS]:PORT", with a port number 1..65535 and nothing after it.
bool SplitHostPort(std::string_view text, std::string &host, std::string &port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::string_view h = text.substr(0, colon);
    const std::string_view p = text.substr(colon + 1);
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    if (h.empty() || p.empty() || p.size() > 5) return false;
    long number = 0;
    for (const char c : p) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 65535) return false;
    for (const char c : h)
        if (c == '/' || c == ' ' || c == '\t') return false;
    host.assign(h);
    port.assign(p);
    return true;
}

std::string_view TrimLine(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    if (end != std::string_view::npos) text = text.substr(0, end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// Waits for a non-blocking connect to finish; 0 or its errno.
int AwaitConnect(int fd, const Deadline &deadline) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int r = poll(&p, 1, deadline.remainingMs());
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno;
        if (r == 0) return ETIMEDOUT;
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
        return err;
    }
}

} // namespace

bool IsNetworkPortName(std::string_view name) {
    return StartsWithNoCase(name, kTcpScheme) || StartsWithNoCase(name, kTelnetScheme);
}

size_t NetworkNameLength(std::string_view text) {
    size_t at = 0;
    if (StartsWithNoCase(text, kTcpScheme)) at = kTcpScheme.size();
    else if (StartsWithNoCase(text, kTelnetScheme)) at = kTelnetScheme.size();
    else return 0;
    if (at < text.size() && text[at] == '[') {
        const size_t close = text.find(']', at);
        at = close == std::string_view::npos ? text.size() : close;
    }
    const size_t colon = text.find(':', at);
    if (colon == std::string_view::npos) return text.size();
    at = colon + 1;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at;
}

bool NetworkTarget(const char *path, std::string &url) {
    if (IsNetworkPortName(path)) {
        url = path;
        return true;
    }
    char buf[512];
    const ssize_t n = readlink(path, buf, sizeof buf - 1);
    if (n > 0 && IsNetworkPortName(std::string_view(buf, size_t(n)))) {
        url.assign(buf, size_t(n));
        return true;
    }
    struct stat st {};
    if (n > 0 || stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 4096) return false;
    FILE *f = fopen(path, "rbe");
    if (!f) return false;
    const size_t got = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    const std::string_view line = TrimLine(std::string_view(buf, got));
    if (!IsNetworkPortName(line)) return false;
    url.assign(line);
    return true;
}

bool IsConnectionError(int err) {
    switch (err) {
    case ECONNREFUSED: case ECONNRESET: case ECONNABORTED: case EPIPE: case ETIMEDOUT:
    case EHOSTUNREACH: case ENETUNREACH: case ENETDOWN: case EHOSTDOWN: case ENOTCONN:
    case EPROTONOSUPPORT: case EADDRNOTAVAIL:
        return true;
    default:
        return false;
    }
}

int NetPort::open(std::string_view url) {
    close();
    telnet_ = StartsWithNoCase(url, kTelnetScheme);
    const std::string_view rest = url.substr(telnet_ ? kTelnetScheme.size() : kTcpScheme.size());
    const Deadline deadline(kNetConnectTimeoutMs);
    if (const int err = connectTo(rest, deadline); err != 0) return err;
    baud_ = 0;
    lost_ = 0;
    decoder_.reset();
    dropBuffered();
    if (!telnet_) return 0;
    if (const int err = negotiate(deadline); err != 0) {
        close();
        return err;
    }
    return 0;
}

int NetPort::connectTo(std::string_view hostPort, const Deadline &deadline) {
    std::string host, port;
    if (!SplitHostPort(hostPort, host, port)) return EINVAL;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *list = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &list) != 0 || !list) return EHOSTUNREACH;
    int err = EHOSTUNREACH;
    for (const addrinfo *a = list; a && fd_ < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) { err = errno; continue; }
        err = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (err == EINPROGRESS) err = AwaitConnect(fd, deadline);
        if (err != 0) { ::close(fd); continue; }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // requests are short frames
        setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        fd_ = fd;
    }
    freeaddrinfo(list);
    return fd_ >= 0 ? 0 : err;
}

// Sends the opening and reads the server's answers until it agrees to or refuses COM-PORT. Data
// bytes arriving meanwhile are dropped (the driver purges after every open anyway).
int NetPort::negotiate(const Deadline &deadline) {
    uint8_t opening[16];
    ByteSink sink{opening, sizeof opening};
    AppendOpening(sink);
    decoder_.opened();
    Deadline stall(deadline.remainingMs());
    if (const int err = sendRaw(opening, sink.size, stall); err != 0) return err;
    while (!decoder_.comPortAgreed()) {
        if (decoder_.comPortRefused() || deadline.expired()) return EPROTONOSUPPORT;
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, deadline.remainingMs());
        if (r < 0 && errno != EINTR) return errno;
        if (r > 0) {
            if (const int err = receive(); err != 0) return err;
            dropBuffered();
        }
    }
    return 0;
}

void NetPort::close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    dropBuffered();
    decoder_.reset();
}

int NetPort::sendCommand(uint8_t command, uint32_t value, int size) {
    uint8_t frame[20];
    ByteSink sink{frame, sizeof frame};
    AppendComPort(sink, command, value, size);
    Deadline stall(kNetConnectTimeoutMs);
    return sendRaw(frame, sink.size, stall);
}

int NetPort::applySettings(const PortSettings &s) {
    if ((s.baud && *s.baud <= 0) || (s.dataBits && (*s.dataBits < 5 || *s.dataBits > 8)) ||
        (s.parity && ComPortParity(*s.parity) == 0) || (s.stopCode && ComPortStopSize(*s.stopCode) == 0))
        return EINVAL;
    if (s.baud) baud_ = *s.baud;
    if (!telnet_) return 0;
    int err = 0;
    if (s.baud && err == 0) err = sendCommand(telnet::kSetBaud, uint32_t(*s.baud), 4);
    if (s.dataBits && err == 0) err = sendCommand(telnet::kSetDataSize, uint32_t(*s.dataBits), 1);
    if (s.parity && err == 0) err = sendCommand(telnet::kSetParity, ComPortParity(*s.parity), 1);
    if (s.stopCode && err == 0) err = sendCommand(telnet::kSetStopSize, ComPortStopSize(*s.stopCode), 1);
    return err;
}

int NetPort::waiting(int &count) const {
    count = 0;
    if (ioctl(fd_, FIONREAD, &count) != 0) return errno;  // for rfc2217:// telnet bytes included
    count += int(buffered());
    return 0;
}

int NetPort::queueStatus(QueueStatus &out) const {
    out = QueueStatus{};
    if (const int err = waiting(out.inQueue); err != 0) return err;
    int unsent = 0;
    if (ioctl(fd_, TIOCOUTQ, &unsent) == 0) out.outQueue = unsent;
    return 0;
}

int NetPort::flush(bool transmit) {
    if (!transmit) dropBuffered();
    if (!telnet_) return 0;
    return sendCommand(telnet::kPurgeData, transmit ? telnet::kPurgeToDevice : telnet::kPurgeFromDevice, 1);
}

int NetPort::receive() {
    if (lost_ != 0) return lost_;
    uint8_t raw[kReceiveBuffer];
    ssize_t n;
    do n = recv(fd_, raw, telnet_ ? sizeof raw : sizeof rx_, MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n == 0) return lost_ = ECONNRESET;  // the server closed the connection
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return lost_ = errno;
    if (n < 0) return 0;
    // Acknowledged at once: a server that sends an answer in two segments without TCP_NODELAY would
    // otherwise hold the second until our delayed ACK (40 ms per exchange). Linux clears the flag
    // again on its own, so it is set after every read.
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    dropBuffered();
    if (!telnet_) {
        std::memcpy(rx_, raw, size_t(n));
        rxEnd_ = size_t(n);
        return 0;
    }
    uint8_t answers[kReceiveBuffer + 2];
    ByteSink data{rx_, sizeof rx_};
    ByteSink reply{answers, sizeof answers};
    decoder_.feed(raw, size_t(n), data, reply);
    rxEnd_ = data.size;
    if (reply.size == 0) return 0;
    Deadline stall(kNetConnectTimeoutMs);
    return sendRaw(answers, reply.size, stall);
}

int NetPort::readByte(uint8_t &byte, const Deadline &wait, bool &got) {
    got = false;
    for (;;) {
        if (buffered() > 0) {
            byte = rx_[rxHead_++];
            got = true;
            return 0;
        }
        if (lost_ != 0) return lost_;
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, wait.remainingMs());
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno;
        if (r == 0) return 0;  // the wait is used up
        if (const int err = receive(); err != 0) return err;
        if (buffered() == 0 && wait.expired()) return 0;  // only telnet commands came
    }
}

int NetPort::readAvailable(uint8_t *buf, size_t n, size_t &got) {
    got = 0;
    while (got < n) {
        if (buffered() == 0) {
            if (const int err = receive(); err != 0) return err;
            if (buffered() == 0) return 0;
        }
        const size_t take = std::min(n - got, buffered());
        std::memcpy(buf + got, rx_ + rxHead_, take);
        rxHead_ += take;
        got += take;
    }
    return 0;
}

int NetPort::writeAll(const uint8_t *data, size_t n, size_t &written, Deadline &stall) {
    written = 0;
    if (!telnet_) {
        const int err = sendRaw(data, n, stall);
        if (err == 0) written = n;
        return err;
    }
    while (written < n) {
        uint8_t escaped[2 * 256];
        ByteSink sink{escaped, sizeof escaped};
        const size_t taken = EscapeData(data + written, std::min<size_t>(n - written, 256), sink);
        if (const int err = sendRaw(escaped, sink.size, stall); err != 0) return err;
        written += taken;
    }
    return 0;
}

int NetPort::sendRaw(const uint8_t *data, size_t n, Deadline &stall) {
    if (lost_ != 0) return lost_;
    size_t sent = 0;
    while (sent < n) {
        const ssize_t r = send(fd_, data + sent, n - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r > 0) {
            sent += size_t(r);
            stall.restart();
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return lost_ = errno;
        if (stall.expired()) return ETIMEDOUT;
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, stall.remainingMs()) < 0 && errno != EINTR) return errno;
    }
    return 0;
}

} // namespace linqor
