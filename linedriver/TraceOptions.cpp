#include "linedriver/TraceOptions.h"

#include "linedriver/OpenText.h"

#include <dirent.h>
#include <sys/stat.h>

namespace linqor {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'a' && a[i] <= 'z') ? char(a[i] - 32) : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

// Value of the first line named `name` (upper case), or nullptr-like empty optional.
bool Lookup(std::string_view content, std::string_view name, std::string_view &value) {
    while (!content.empty()) {
        const size_t nl = content.find('\n');
        const std::string_view line = content.substr(0, nl);
        content = nl == std::string_view::npos ? std::string_view{} : content.substr(nl + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (SameName(Trim(line.substr(0, eq)), name)) {
            value = Trim(line.substr(eq + 1));
            return true;
        }
    }
    return false;
}

int64_t Number(std::string_view content, std::string_view name) {
    std::string_view value;
    if (!Lookup(content, name, value)) return 0;
    return ParseDecimal(value).value_or(0);
}

} // namespace

std::string FindTraceOptionFile(const std::string &dir) {
    if (dir.empty()) return {};
    struct stat st {};
    const std::string exact = dir + "/" + kTraceOptionFile;
    if (stat(exact.c_str(), &st) == 0) return exact;
    DIR *d = opendir(dir.c_str());
    if (!d) return {};
    std::string best;
    while (const dirent *e = readdir(d)) {
        const std::string_view name = e->d_name;
        if (SameName(name, kTraceOptionFile) && (best.empty() || name < best)) best = name;
    }
    closedir(d);
    return best.empty() ? std::string() : dir + "/" + best;
}

TraceOptions ParseTraceOptions(std::string_view content) {
    TraceOptions o;
    std::string_view file;
    if (Lookup(content, "FILE", file)) o.file = std::string(file);
    o.realtime = Number(content, "REALTIME") != 0;
    o.diff = Number(content, "DIFF") != 0;
    o.autoRemove = Number(content, "AUTOREMOVE") != 0;
    o.maxSize = Number(content, "MAXSIZE");
    return o;
}

} // namespace linqor
