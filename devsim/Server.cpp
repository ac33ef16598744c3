#include "devsim/Server.h"

#include "devsim/StateFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

Throttle::Throttle(int baud, int bitsPerChar) {
    if (baud > 0) byteNs_ = int64_t(1000000000) * std::max(1, bitsPerChar) / baud;
}

int64_t Throttle::NextDeadlineNs(int64_t nowNs, bool lineBusy) {
    if (byteNs_ <= 0) return nowNs;
    int64_t next = burstStartNs_ + burstBytes_ * byteNs_;
    // The line went idle: a new burst starts now. While bytes still wait to be sent the burst goes
    // on, so a late wake-up of the simulator never stretches the byte rate.
    if (burstBytes_ == 0 || (next < nowNs && !lineBusy)) {
        burstStartNs_ = nowNs;
        burstBytes_ = 0;
        next = nowNs;
    }
    ++burstBytes_;
    return next;
}

Server::Server(Device &device, const ServerOptions &o) : device_(device), o_(o), throttle_(o.baud, o.bitsPerChar) {}

Server::~Server() {
    if (fd_ >= 0) close(fd_);
    if (sigFd_ >= 0) close(sigFd_);
}

bool Server::OpenPort() {
    if (!o_.tty.isEmpty()) {
        fd_ = open(o_.tty.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) { std::fprintf(stderr, "devsim: cannot open %s: %s\n", qPrintable(o_.tty), strerror(errno)); return false; }
        if (!ConfigureTty()) return false;
        slaveName_ = o_.tty;
        return true;
    }
    fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) { std::perror("devsim: pseudo-terminal"); return false; }
    isPty_ = true;
    slaveName_ = QString::fromLocal8Bit(ptsname(fd_));
    // Raw slave from the start, so nothing is echoed or translated before a client sets its own mode.
    int s = open(ptsname(fd_), O_RDWR | O_NOCTTY);
    if (s >= 0) {
        termios t{};
        if (tcgetattr(s, &t) == 0) { cfmakeraw(&t); tcsetattr(s, TCSANOW, &t); }
        close(s);
    }
    termios m{};
    if (tcgetattr(fd_, &m) == 0) { cfmakeraw(&m); tcsetattr(fd_, TCSANOW, &m); }
    return true;
}

namespace {
speed_t SpeedCode(int baud) {
    switch (baud) {
    case 300: return B300; case 600: return B600; case 1200: return B1200; case 2400: return B2400;
    case 4800: return B4800; case 9600: return B9600; case 19200: return B19200; case 38400: return B38400;
    case 57600: return B57600; case 115200: return B115200; default: return B0;
    }
}
} // namespace

// A real port runs raw at the --baud rate (default 9600) in the --format character format.
bool Server::ConfigureTty() {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return true;  // not a terminal: serve it as it is
    cfmakeraw(&t);
    const speed_t speed = SpeedCode(o_.baud > 0 ? o_.baud : 9600);
    if (speed == B0) { std::fprintf(stderr, "devsim: %d baud is not a standard rate\n", o_.baud); return false; }
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= tcflag_t((o_.dataBits == 7 ? CS7 : CS8) | CLOCAL | CREAD);
    if (o_.parity == 'E' || o_.parity == 'O') t.c_cflag |= PARENB;
    if (o_.parity == 'O') t.c_cflag |= PARODD;
    if (o_.stopBits == 2) t.c_cflag |= CSTOPB;
    return tcsetattr(fd_, TCSANOW, &t) == 0 || (std::perror("devsim: port settings"), false);
}

namespace {
// Creates dir and its missing parents with mode 0700: the program keeps its settings, access codes
// included, in the configuration directory that holds the port links.
bool MakePrivateDirs(const QString &dir) {
    if (QFileInfo(dir).isDir()) return true;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir && !MakePrivateDirs(parent)) return false;
    return ::mkdir(QFile::encodeName(dir).constData(), 0700) == 0 || errno == EEXIST;
}
} // namespace

bool Server::MakeLink() {
    if (o_.portLink.isEmpty()) return true;
    QFileInfo fi(o_.portLink);
    MakePrivateDirs(fi.absolutePath());
    const QByteArray link = fi.absoluteFilePath().toLocal8Bit();
    const QByteArray tmp = link + ".devsim-" + QByteArray::number(getpid());
    unlink(tmp.constData());
    if (symlink(slaveName_.toLocal8Bit().constData(), tmp.constData()) != 0 || rename(tmp.constData(), link.constData()) != 0) {
        std::fprintf(stderr, "devsim: cannot create link %s: %s\n", link.constData(), strerror(errno));
        unlink(tmp.constData());
        return false;
    }
    return true;
}

void Server::RemoveLink() {
    if (o_.portLink.isEmpty()) return;
    const QByteArray link = QFileInfo(o_.portLink).absoluteFilePath().toLocal8Bit();
    char target[512];
    ssize_t n = readlink(link.constData(), target, sizeof target - 1);
    if (n > 0 && QByteArray(target, int(n)) == slaveName_.toLocal8Bit()) unlink(link.constData());
}

void Server::ReadInput(int64_t nowNs) {
    uint8_t buf[512];
    for (;;) {
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n <= 0) return;  // EAGAIN, or EIO while no client holds the slave open
        if (o_.verbose) {
            std::fprintf(stderr, "devsim <");
            for (ssize_t i = 0; i < n; ++i) std::fprintf(stderr, " %02X", buf[i]);
            std::fprintf(stderr, "\n");
        }
        const int64_t nowMs = nowNs / 1000000;
        for (ssize_t i = 0; i < n; ++i) device_.OnByte(buf[i], nowMs, std::time(nullptr), pending_);
    }
}

void Server::QueueDue(int64_t nowNs) {
    const int64_t nowMs = nowNs / 1000000;
    device_.Tick(nowMs, std::time(nullptr), pending_);
    std::stable_sort(pending_.begin(), pending_.end(), [](const Emit &a, const Emit &b) { return a.atMs < b.atMs; });
    auto it = pending_.begin();
    for (; it != pending_.end() && it->atMs <= nowMs; ++it) QueueAnswer(it->bytes, nowNs);
    pending_.erase(pending_.begin(), it);
}

// Each byte gets its line deadline; the bytes of a group (never across answers) all leave at the
// deadline of the group's last byte, as a UART's receive FIFO delivers them. The answer's last byte
// keeps its own deadline, so the answer is complete neither sooner nor later than byte by byte (a
// real UART would add its character time-out; this keeps the program's own overhead measurable).
void Server::QueueAnswer(const std::string &bytes, int64_t nowNs) {
    const std::size_t first = out_.size();
    for (char c : bytes) out_.emplace_back(throttle_.NextDeadlineNs(nowNs, !out_.empty()), static_cast<uint8_t>(c));
    const std::size_t group = std::size_t(throttle_.GroupBytes());
    for (std::size_t i = first; i < out_.size(); i += group) {
        const std::size_t last = std::min(out_.size(), i + group) - 1;
        for (std::size_t k = i; k < last; ++k) out_[k].first = out_[last].first;
    }
}

void Server::WriteDue(int64_t nowNs) {
    std::string chunk;
    while (!out_.empty() && out_.front().first <= nowNs) {
        uint8_t b = out_.front().second;
        ++sentBytes_;
        if (o_.corruptEvery > 0 && sentBytes_ % o_.corruptEvery == 0) b ^= 0x5A;
        chunk += static_cast<char>(b);
        out_.pop_front();
    }
    if (chunk.empty()) return;
    if (o_.verbose) {
        std::fprintf(stderr, "devsim >");
        for (unsigned char c : chunk) std::fprintf(stderr, " %02X", c);
        std::fprintf(stderr, "\n");
    }
    std::size_t done = 0;
    while (done < chunk.size()) {
        ssize_t n = write(fd_, chunk.data() + done, chunk.size() - done);
        if (n > 0) { done += std::size_t(n); continue; }
        if (n < 0 && errno == EINTR) continue;
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, 100) <= 0) break;  // nobody reads: the rest is lost, as on a real line
    }
}

int64_t Server::NextWakeNs(int64_t nowNs) const {
    int64_t wake = nowNs + 200 * int64_t(1000000);  // regular look at the state file and the link
    if (!out_.empty()) wake = std::min(wake, out_.front().first);
    for (const auto &e : pending_) wake = std::min(wake, e.atMs * 1000000);
    if (int64_t d = device_.NextDeadline(); d >= 0) wake = std::min(wake, d * 1000000);
    return std::max(wake, nowNs);
}

void Server::MaybeSave(int64_t nowNs, bool force) {
    const bool changed = device_.Changes() != savedChanges_;
    if (o_.stateFile.isEmpty() || (!changed && !force)) return;
    if (!force && nowNs - lastSaveNs_ < int64_t(1000000000)) return;
    if (!SaveState(o_.stateFile, device_)) std::fprintf(stderr, "devsim: cannot save %s\n", qPrintable(o_.stateFile));
    savedChanges_ = device_.Changes();
    lastSaveNs_ = nowNs;
}

int Server::Run() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigFd_ = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (o_.exitWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // arrives through the signal descriptor like any SIGTERM
        if (getppid() == 1) return 0;      // the parent ended before that
    }
    if (sigFd_ < 0 || !OpenPort() || !MakeLink()) return 1;
    std::fprintf(stderr, "devsim: %s as %d on %s\n", device_.Model().Type().name.c_str(), device_.Model().Type().ident,
                 qPrintable(slaveName_));
    bool hangup = false;
    for (;;) {
        int64_t now = MonotonicNs();
        QueueDue(now);
        WriteDue(now);
        MaybeSave(now, false);
        now = MonotonicNs();
        const int64_t wait = NextWakeNs(now) - now;
        // While no client holds a pty slave open the master reports a hang-up at once; look again later.
        pollfd fds[2] = {{sigFd_, POLLIN, 0}, {hangup ? -1 : fd_, POLLIN, 0}};
        timespec ts{time_t(wait / 1000000000), long(wait % 1000000000)};
        if (hangup && wait > 20000000) ts = {0, 20000000};
        int r = ppoll(fds, 2, &ts, nullptr);
        if (r < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        hangup = isPty_ && (fds[1].revents & POLLHUP);
        if (fds[1].revents & POLLIN) ReadInput(MonotonicNs());
    }
    MaybeSave(MonotonicNs(), true);
    RemoveLink();
    return 0;
}

} // namespace devsim
