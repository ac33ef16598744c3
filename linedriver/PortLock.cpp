#include "linedriver/PortLock.h"

#include "linedriver/PortNames.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace linqor {

std::string LockDir() {
    const char *dir = std::getenv("KORVUL_LOCK_DIR");
    return dir && *dir ? std::string(dir) : std::string("/var/lock");
}

std::string LockFileName(const std::string &device) {
    std::string name = CanonicalPath(device);
    if (name.rfind("/dev/", 0) == 0) name.erase(0, 5);
    while (!name.empty() && name.front() == '/') name.erase(0, 1);
    for (char &c : name)
        if (c == '/') c = '_';
    return "LCK.." + name;
}

int ReadLockPid(const std::string &lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return 0;
    if (n == 4) {  // the binary form some old programs write
        int32_t pid = 0;
        std::memcpy(&pid, text, 4);
        if (pid > 0 && (text[0] < ' ' || text[1] < ' ' || text[2] < ' ' || text[3] < ' ')) return pid;
    }
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 && pid < (1L << 30) ? int(pid) : 0;
}

bool ProcessAlive(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

int LiveLockOwner(const std::string &device) {
    const std::string file = LockDir() + "/" + LockFileName(device);
    const int pid = ReadLockPid(file);
    if (pid == 0) {
        if (::access(file.c_str(), F_OK) == 0) ::unlink(file.c_str());  // empty or garbage: stale
        return 0;
    }
    if (pid == getpid()) return 0;
    if (ProcessAlive(pid)) return pid;
    ::unlink(file.c_str());
    return 0;
}

int UucpLock::acquire(const std::string &device, int &owner) {
    release();
    owner = LiveLockOwner(device);
    if (owner != 0) return EBUSY;
    const std::string file = LockDir() + "/" + LockFileName(device);
    if (file.size() >= sizeof path_) return 0;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (errno != EEXIST) return 0;  // no writable lock directory: no lock file
        owner = LiveLockOwner(device);  // another program was quicker
        return owner != 0 ? EBUSY : 0;
    }
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10d\n", int(getpid()));
    const bool written = ::write(fd, text, size_t(n)) == n;
    ::close(fd);
    if (!written) {
        ::unlink(file.c_str());
        return 0;
    }
    std::memcpy(path_, file.c_str(), file.size() + 1);
    held_ = true;
    return 0;
}

void UucpLock::release() {
    if (!held_) return;
    if (ReadLockPid(path_) == getpid()) ::unlink(path_);
    held_ = false;
    path_[0] = '\0';
}

} // namespace linqor
