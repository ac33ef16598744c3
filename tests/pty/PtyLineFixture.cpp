#include "pty/PtyLineFixture.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace linqortest {

PtyPeer::PtyPeer() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // The master end is raw too, so bytes pass unchanged in both directions.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    ::close(slave);  // the driver opens its own slave end by path
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
}

PtyPeer::~PtyPeer() { closeMaster(); }

void PtyPeer::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPeer::send(const std::string &bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += size_t(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("pty write");
        else {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

Bytes PtyPeer::receive(size_t count, std::chrono::milliseconds quiet) const {
    Bytes out;
    uint8_t buf[4096];
    while (out.size() < count) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, int(quiet.count())) <= 0) break;
        const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

bool PtyPeer::slaveClosed(std::chrono::milliseconds within) const {
    // With no slave end open the master reports a hang-up (and read() fails with EIO).
    return korvultest::WaitUntil(
        [this] {
            pollfd p{master_, POLLIN, 0};
            return poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
        },
        within);
}

LineLibrary::LineLibrary(const std::string &file) {
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) proc_ = reinterpret_cast<DriverProcFn>(dlsym(handle_, "DriverProc"));
}

LineLibrary::~LineLibrary() { unload(); }

std::string LineLibrary::DefaultPath() {
    return korvultest::BinDir().toStdString() + "/linqor32.so";
}

void LineLibrary::unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
    proc_ = nullptr;
}

int32_t LineLibrary::call(uint8_t command, void *data, int32_t arg3, int32_t arg4) {
    return proc_(command, data, &arg3, &arg4);
}

int32_t LineLibrary::call(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    return proc_(command, data, arg3, arg4);
}

int32_t LineLibrary::open(const std::string &text) {
    const int32_t r = call(dpReset);
    if (r != 0) return r;
    std::string copy = text;
    return call(dpOpen, copy.data());
}

int32_t LineLibrary::setParam(int32_t param, int32_t value, void *data) {
    return call(dpSetParam, data, param, value);
}

int32_t LineLibrary::read(int32_t want, Bytes &out, int32_t &got) {
    out.assign(size_t(std::max(want, 0)), 0);
    got = -1;
    int32_t arg3 = want;
    const int32_t r = proc_(dpRead, out.data(), &arg3, &got);
    out.resize(size_t(std::clamp(got, 0, std::max(want, 0))));
    return r;
}

int32_t LineLibrary::write(const std::string &bytes, int32_t *written) {
    int32_t arg3 = int32_t(bytes.size());
    int32_t arg4 = -1;
    std::string copy = bytes;
    const int32_t r = proc_(dpWrite, copy.data(), &arg3, &arg4);
    if (written) *written = arg4;
    return r;
}

std::vector<std::string> ExportedSymbols(const std::string &file) {
    std::vector<std::string> names;
    const std::string cmd = "nm -D --defined-only '" + file + "' 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return names;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        const size_t sp = s.rfind(' ');
        if (sp != std::string::npos) names.push_back(s.substr(sp + 1));
    }
    pclose(p);
    return names;
}

std::string ToString(const Bytes &b) { return std::string(b.begin(), b.end()); }

} // namespace linqortest
