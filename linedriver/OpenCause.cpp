#include "linedriver/OpenCause.h"

#include "linedriver/PortLock.h"
#include "linedriver/PortNames.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linqor {

namespace {

bool IsNumber(const char *s) {
    if (!*s) return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

// True when one of the process's open files is `canonical`.
bool HoldsDevice(const std::string &procDir, const std::string &canonical) {
    const std::string fdDir = procDir + "/fd";
    DIR *fds = opendir(fdDir.c_str());
    if (!fds) return false;
    bool found = false;
    char target[PATH_MAX];
    while (const dirent *e = readdir(fds)) {
        if (!IsNumber(e->d_name)) continue;
        const ssize_t n = readlink((fdDir + "/" + e->d_name).c_str(), target, sizeof target - 1);
        if (n > 0 && canonical.compare(0, std::string::npos, target, size_t(n)) == 0) {
            found = true;
            break;
        }
    }
    closedir(fds);
    return found;
}

// The device's group, whether that group may read and write it, and its owner.
void FillPermission(OpenDiagnosis &d) {
    struct stat st {};
    if (stat(d.device.c_str(), &st) != 0) return;
    const group *g = getgrgid(st.st_gid);
    d.group = g && g->gr_name ? std::string(g->gr_name) : std::to_string(st.st_gid);
    d.groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    const passwd *pw = getpwuid(st.st_uid);
    d.owner = pw && pw->pw_name ? std::string(pw->pw_name) : std::to_string(st.st_uid);
}

OpenCause CauseOf(int err) {
    switch (err) {
    case ENOENT: case ENXIO: case ENODEV: return OpenCause::NoDevice;
    case EACCES: case EPERM: return OpenCause::NoPermission;
    case EBUSY: case EWOULDBLOCK: return OpenCause::InUse;
    case ENOTTY: return OpenCause::NotTerminal;
    default: return OpenCause::Other;
    }
}

} // namespace

std::string ProcessName(int pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/comm";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    std::string name(text, n > 0 ? size_t(n) : 0);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
    return name;
}

std::vector<PortHolder> PortHolders(const std::string &device) {
    std::vector<PortHolder> holders;
    const std::string canonical = CanonicalPath(device);
    DIR *proc = opendir("/proc");
    if (!proc) return holders;
    const int self = int(getpid());
    while (const dirent *e = readdir(proc)) {
        if (!IsNumber(e->d_name)) continue;
        const int pid = std::atoi(e->d_name);
        if (pid == self || !HoldsDevice(std::string("/proc/") + e->d_name, canonical)) continue;
        holders.push_back({pid, ProcessName(pid)});
    }
    closedir(proc);
    return holders;
}

PortHolder FindHolder(const std::string &device) {
    if (const int owner = LiveLockOwner(device)) return {owner, ProcessName(owner)};
    const std::vector<PortHolder> holders = PortHolders(device);
    return holders.empty() ? PortHolder{} : holders.front();
}

OpenDiagnosis DiagnoseOpenFailure(const std::string &device, int err) {
    OpenDiagnosis d;
    d.device = device;
    d.err = err;
    d.cause = device.empty() ? OpenCause::NoName : CauseOf(err);
    if (d.cause == OpenCause::NoPermission) FillPermission(d);
    if (d.cause == OpenCause::InUse) d.holder = FindHolder(device);
    return d;
}

} // namespace linqor
