#include "LineProxy.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace korvultest {

namespace {

using Clock = std::chrono::steady_clock;

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}

// Writes all of data to a non-blocking terminal, waiting at most 200 ms for room; a terminal nobody
// holds open (the program between two connections) swallows the bytes, as a line without a listener.
void WriteAll(int fd, const char *data, size_t size) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(200);
    while (size > 0 && fd >= 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return;
        if (Clock::now() > deadline) return;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
}

constexpr char kSoh = 0x01;
constexpr char kFlip = 0x5A;  // the same damage devsim's --corrupt-every does

} // namespace

LineProxy::~LineProxy() { Stop(); }

bool LineProxy::Start(const QString &programLink, const QString &deviceLink, const Fault &fault) {
    Stop();
    fault_ = fault;
    requests_ = 0;
    flipped_ = 0;
    relayed_ = 0;
    triggered_ = false;
    replaced_ = false;
    directionBytes_ = 0;
    replacing_ = closed_ = false;
    baseRequests_ = 0;
    baseRelayed_ = 0;
    armed_ = false;
    held_.clear();
    stop_ = false;

    device_ = ::open(QFile::encodeName(deviceLink).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    programMaster_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    bool ok = device_ >= 0 && programMaster_ >= 0 && grantpt(programMaster_) == 0 && unlockpt(programMaster_) == 0;
    if (ok) {
        MakeRaw(device_);
        MakeRaw(programMaster_);
        const QString slave = QString::fromLocal8Bit(ptsname(programMaster_));
        // Raw from the start, so nothing is echoed before the program sets its own mode.
        const int s = ::open(ptsname(programMaster_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (s >= 0) {
            MakeRaw(s);
            ::close(s);
        }
        QFile::remove(programLink);
        ok = QFile::link(slave, programLink) && pipe2(wake_, O_CLOEXEC | O_NONBLOCK) == 0;
    }
    if (!ok) {
        Stop();
        return false;
    }
    programLink_ = programLink;
    if (fault_.mode != Mode::None && fault_.afterRequests == 0 && fault_.afterBytes == 0) {
        triggered_ = true;
        since_ = Clock::now();
        replacing_ = fault_.mode == Mode::Replace;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool LineProxy::Start(const QString &programLink, const QString &deviceLink) {
    return Start(programLink, deviceLink, Fault{});
}

void LineProxy::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        const char c = 0;
        (void)!::write(wake_[1], &c, 1);
        thread_.join();
    }
    for (int *fd : {&programMaster_, &device_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    if (!programLink_.isEmpty()) QFile::remove(programLink_);
    programLink_.clear();
}

void LineProxy::Arm(const Fault &fault) {
    std::lock_guard<std::mutex> lock(armLock_);
    pending_ = fault;
    armed_ = true;
    const char c = 0;
    (void)!::write(wake_[1], &c, 1);
}

void LineProxy::TakeArmed() {
    std::lock_guard<std::mutex> lock(armLock_);
    armed_ = false;
    fault_ = pending_;
    baseRequests_ = requests_;
    baseRelayed_ = relayed_;
    triggered_ = replaced_ = replacing_ = false;
    directionBytes_ = 0;
    if (fault_.mode != Mode::None && fault_.afterRequests == 0 && fault_.afterBytes == 0) {
        triggered_ = true;
        since_ = Clock::now();
        if (fault_.mode == Mode::Replace) replacing_ = true;
    }
}

bool LineProxy::Active(Clock::time_point now) const {
    return triggered_ && (fault_.duration.count() == 0 || now - since_ < fault_.duration);
}

void LineProxy::Run() {
    char buf[512];
    Clock::time_point programQuietUntil{};  // the program's terminal hung up (port closed): poll it later
    while (!stop_) {
        if (armed_) TakeArmed();
        Clock::time_point now = Clock::now();
        Flush(now);
        int timeoutMs = 50;
        for (const Held &h : held_)
            timeoutMs = std::min(timeoutMs, int(std::clamp<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(h.at - now).count() + 1, 0, 50)));
        pollfd fds[3] = {{wake_[0], POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (now >= programQuietUntil) fds[1].fd = programMaster_;
        else timeoutMs = std::min(timeoutMs, 5);
        if (!closed_) fds[2].fd = device_;
        if (::poll(fds, 3, timeoutMs) < 0 && errno != EINTR) return;
        now = Clock::now();
        if (fds[0].revents & POLLIN) {
            char drain[16];
            while (::read(wake_[0], drain, sizeof drain) > 0) {}
        }
        if (armed_) TakeArmed();

        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(programMaster_, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == kSoh) {
                    ++requests_;
                    if (!triggered_ && fault_.mode != Mode::None && fault_.afterRequests > 0 &&
                        requests_ - baseRequests_ == fault_.afterRequests + 1) {
                        triggered_ = true;
                        since_ = now;
                    }
                }
                if (replacing_ && replaced_) replacing_ = false;  // the replaced answer has ended
                if (triggered_ && fault_.mode == Mode::Replace && !replaced_) replacing_ = true;
                Pass(programMaster_, device_, ToDevice, buf[i], now);
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            programQuietUntil = now + std::chrono::milliseconds(5);
        }
        if (fds[2].revents & POLLIN) {
            const ssize_t n = ::read(device_, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) Pass(device_, programMaster_, FromDevice, buf[i], now);
        }
    }
}

void LineProxy::Pass(int, int to, int dir, char byte, Clock::time_point now) {
    if (!triggered_ && fault_.mode != Mode::None && fault_.afterBytes > 0 && relayed_ - baseRelayed_ >= fault_.afterBytes) {
        triggered_ = true;
        since_ = now;
        if (fault_.mode == Mode::Replace) replacing_ = true;
    }
    if (triggered_ && fault_.mode == Mode::Close && !closed_) {
        ::close(device_);
        device_ = -1;
        closed_ = true;
    }
    if (closed_) return;
    const bool inDirection = (fault_.direction & dir) != 0;
    switch (Active(now) ? fault_.mode : Mode::None) {
    case Mode::Mute:
        if (dir == FromDevice) return;
        break;
    case Mode::Replace:
        if (dir == FromDevice && replacing_) {
            if (!replaced_) {
                WriteAll(to, fault_.bytes.constData(), size_t(fault_.bytes.size()));
                relayed_ += fault_.bytes.size();
                replaced_ = true;
            }
            return;
        }
        break;
    case Mode::Noise:
        if (inDirection && fault_.every > 0 && ++directionBytes_ % fault_.every == 0) {
            byte ^= kFlip;
            ++flipped_;
        }
        break;
    case Mode::Slow:
        if (inDirection) {
            Clock::time_point at = now;
            for (const Held &h : held_)
                if (h.to == to) at = std::max(at, h.at);
            held_.push_back({at + fault_.delay, to, byte});
            return;
        }
        break;
    default:
        break;
    }
    WriteAll(to, &byte, 1);
    ++relayed_;
}

void LineProxy::Flush(Clock::time_point now) {
    // Release times only grow per direction, so the bytes leave in the order they came.
    auto due = std::stable_partition(held_.begin(), held_.end(), [&](const Held &h) { return h.at <= now; });
    for (auto it = held_.begin(); it != due; ++it) {
        if (it->to < 0) continue;
        WriteAll(it->to, &it->byte, 1);
        ++relayed_;
    }
    held_.erase(held_.begin(), due);
}

} // namespace korvultest
