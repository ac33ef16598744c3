#include "linedriver/PortNames.h"

#include <climits>
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

std::string PortsDir() {
    const std::string dir = KorvulConfigDir();
    return dir.empty() ? std::string{} : dir + "/ports";
}

bool HasScheme(std::string_view name) {
    const size_t mark = name.find("://");
    if (mark == std::string_view::npos || mark == 0) return false;
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(name[0])) return false;
    for (const char c : name.substr(0, mark))
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    return true;
}

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

std::string ResolvePortName(std::string_view name) {
    if (name.empty()) return {};
    if (HasScheme(name)) return std::string(name);
    if (name.find('/') != std::string_view::npos) return std::string(name);
    if (name != "." && name != "..") {
        const std::string dir = PortsDir();
        if (!dir.empty()) {
            const std::string link = dir + "/" + std::string(name);
            struct stat st {};
            if (lstat(link.c_str(), &st) == 0) return link;
        }
    }
    if (const int n = ComNumber(name)) return "/dev/ttyS" + std::to_string(n - 1);
    return {};
}

std::string CanonicalPath(const std::string &path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

} // namespace linqor
