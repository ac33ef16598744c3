#include "FakeDriverHarness.h"

#include "TestSupport.h"
#include "linedriver/linqor32.h"

#include <cstring>
#include <dlfcn.h>
#include <stdexcept>

namespace korvultest {

namespace {

using Installer = void (*)(int32_t (*)(void *, uint8_t, void *, int32_t *, int32_t *), void *);

FakeDrivers *g_current = nullptr;

int32_t LineTrampoline(void *, uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    return g_current ? g_current->Dispatch("line", command, data, arg3, arg4) : deUnknownCommand;
}
int32_t ProtoTrampoline(void *, uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    return g_current ? g_current->Dispatch("proto", command, data, arg3, arg4) : deUnknownCommand;
}

void *Install(const QString &path, int32_t (*handler)(void *, uint8_t, void *, int32_t *, int32_t *)) {
    void *handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw std::runtime_error("cannot load " + path.toStdString() + ": " + dlerror());
    auto install = reinterpret_cast<Installer>(dlsym(handle, "FakeDriverInstall"));
    if (!install) throw std::runtime_error("no FakeDriverInstall in " + path.toStdString());
    install(handler, nullptr);
    return handle;
}

const char *CommandName(uint8_t command) {
    static const std::map<int, const char *> names = {
        {dpReset, "reset"}, {dpBind, "bind"}, {dpOpen, "open"}, {dpWrite, "write"}, {dpRead, "read"},
        {dpPurge, "purge"}, {dpClose, "close"}, {dpRelease, "release"}, {dpStop, "stop"},
        {dpStatus, "status"}, {dpVersion, "version"}, {dpSetParam, "setparam"}, {dpInQueue, "inqueue"},
        {dpWriteOem, "writeoem"}};
    auto it = names.find(command & 0x7F);
    return it == names.end() ? "unknown" : it->second;
}

std::string ItemName(int32_t code) {
    if (code >= 64 && code < 127) return std::string(1, static_cast<char>(code));  // letters; 60-62 stay numbers
    return std::to_string(code);
}

// Printable bytes as they are, others as \xNN.
std::string Escaped(const QByteArray &bytes) {
    std::string s;
    char part[8];
    for (char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127) s += c;
        else {
            std::snprintf(part, sizeof part, "\\x%02X", u);
            s += part;
        }
    }
    return s;
}

std::string HexBytes(const QByteArray &bytes) {
    std::string s;
    char part[4];
    for (char c : bytes) {
        std::snprintf(part, sizeof part, "%s%02X", s.empty() ? "" : " ", static_cast<unsigned char>(c));
        s += part;
    }
    return s;
}

} // namespace

FakeDrivers::FakeDrivers() {
    lineHandle_ = Install(LineFile(), LineTrampoline);
    protoHandle_ = Install(ProtoFile(), ProtoTrampoline);
    g_current = this;
}

FakeDrivers::~FakeDrivers() {
    if (g_current == this) g_current = nullptr;
    if (lineHandle_) dlclose(lineHandle_);
    if (protoHandle_) dlclose(protoHandle_);
}

QString FakeDrivers::LineFile() const { return BinDir() + "/fakeline32.so"; }
QString FakeDrivers::ProtoFile() const { return BinDir() + "/fakeproto32.so"; }

int32_t FakeDrivers::Dispatch(const std::string &lib, uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    DriverCall call;
    call.lib = lib;
    call.command = command;
    call.dataNull = data == nullptr;
    call.arg3 = arg3 ? *arg3 : 0;
    call.arg4 = arg4 ? *arg4 : 0;
    const uint8_t c = command & 0x7F;
    if (data && (c == dpWrite || c == dpWriteOem) && call.arg3 > 0)
        call.data = QByteArray(static_cast<const char *>(data), call.arg3);
    else if (data && c == dpOpen)
        call.data = QByteArray(static_cast<const char *>(data), static_cast<int>(strnlen(static_cast<const char *>(data), 256)));
    calls.push_back(call);
    const Script &script = lib == "line" ? line : proto;
    if (script) return script(call, data, arg3, arg4);
    return lib == "line" ? DefaultLine(call, data, arg3, arg4) : DefaultProto(call, data, arg3, arg4);
}

int32_t FakeDrivers::DefaultLine(const DriverCall &call, void *data, int32_t *arg3, int32_t *arg4) {
    const uint8_t c = call.command & 0x7F;
    if (c == dpWrite) {
        if (arg4) *arg4 = call.arg3;
        return 0;
    }
    if (c == dpRead) {
        if (arg4) *arg4 = 0;
        if (lineInput.isEmpty()) return deTimeout;
        const int n = std::min<int>(std::max(call.arg3, 1), lineInput.size());
        std::memcpy(data, lineInput.constData(), n);
        lineInput.remove(0, n);
        if (arg4) *arg4 = n;
        return 0;
    }
    (void)arg3;
    return 0;
}

int32_t FakeDrivers::DefaultProto(const DriverCall &call, void *data, int32_t *, int32_t *) {
    const uint8_t c = call.command & 0x7F;
    if (c == dpRead) {
        auto result = readResults.find(call.arg4);
        auto item = items.find(call.arg4);
        if (item != items.end() && data) {
            const int n = std::min<int>(item->second.size(), 255);
            std::memcpy(data, item->second.constData(), n);
            static_cast<char *>(data)[n] = 0;
        }
        if (result != readResults.end()) return result->second;
        return item == items.end() ? deTimeout : 0;
    }
    if (c == dpWrite || c == dpWriteOem) {
        auto result = writeResults.find(call.arg4);
        return result == writeResults.end() ? 0 : result->second;
    }
    return 0;
}

std::string TraceLine(const DriverCall &call) {
    const uint8_t c = call.command & 0x7F;
    std::string s = call.lib + " " + CommandName(c);
    const bool proto = call.lib == "proto";
    if (c == dpOpen && !call.data.isEmpty()) s += " " + Escaped(call.data);
    else if (c == dpWrite && !proto) s += " " + HexBytes(call.data);
    else if (c == dpRead && proto) s += " " + ItemName(call.arg4) + (call.arg3 ? " n=" + std::to_string(call.arg3) : "");
    else if (c == dpRead) s += " n=" + std::to_string(call.arg3);
    else if (c == dpWrite || c == dpWriteOem)
        s += " " + ItemName(call.arg4) + " \"" + Escaped(call.data) + "\" n=" + std::to_string(call.arg3);
    else if (c == dpPurge) s += " " + std::to_string(call.arg3);
    else if (c == dpSetParam) s += " " + std::to_string(call.arg3) + "=" + std::to_string(call.arg4);
    else if (c == dpClose && call.arg3) s += " " + std::to_string(call.arg3);
    else if (c == dpBind && call.dataNull) s += " null";
    return s;
}

std::vector<std::string> FakeDrivers::Trace() const {
    std::vector<std::string> out;
    for (const DriverCall &call : calls) out.push_back(TraceLine(call));
    return out;
}

std::vector<std::string> FakeDrivers::Trace(const std::string &lib) const {
    std::vector<std::string> out;
    for (const DriverCall &call : calls)
        if (call.lib == lib) out.push_back(TraceLine(call));
    return out;
}

} // namespace korvultest
