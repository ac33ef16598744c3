#include "linedriver/Paths.h"

#include "linedriver/NetPort.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linqor {

std::string KorvulConfigDir() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/korvul";
    const char *home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd *pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home) return {};
    return std::string(home) + "/.config/korvul";
}

std::string ProgramDir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string exe(buf, size_t(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string{} : exe.substr(0, slash);
}

namespace {

// "COM1".."COM256" in any letter case: the n of COMn, else 0.
int ComNumber(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) return 0;
    for (int i = 0; i < 3; ++i)
        if ((name[i] | 0x20) != "com"[i]) return 0;
    int n = 0;
    for (const char c : name.substr(3)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return name[3] != '0' && n >= 1 && n <= 256 ? n : 0;
}

} // namespace

std::string ResolvePortName(std::string_view name) {
    if (name.empty()) return {};
    if (IsNetworkPortName(name)) return std::string(name);  // a network port is no file name
    if (name.find('/') != std::string_view::npos) return std::string(name);
    if (name != "." && name != "..") {
        const std::string dir = KorvulConfigDir();
        if (!dir.empty()) {
            const std::string link = dir + "/ports/" + std::string(name);
            struct stat st {};
            if (lstat(link.c_str(), &st) == 0) return link;
        }
    }
    if (const int n = ComNumber(name)) return "/dev/ttyS" + std::to_string(n - 1);
    return {};
}

} // namespace linqor
