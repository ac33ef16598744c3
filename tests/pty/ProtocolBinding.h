#pragma once
// linqor32.so and prqt__32.so loaded from build/bin and bound the way the program binds them:
// line dpReset, line dpOpen "<port>:<settings>", protocol dpReset, dpVersion, dpBind(line DriverProc).
#include "linedriver/linqor32.h"
#include "support/TestSupport.h"

#include <dlfcn.h>
#include <cstring>
#include <string>

namespace korvultest {

class ProtocolBinding {
public:
    ProtocolBinding() {
        lineLib_ = dlopen((BinDir() + "/linqor32.so").toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        protoLib_ = dlopen((BinDir() + "/prqt__32.so").toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (lineLib_) line_ = reinterpret_cast<DriverProcFn>(dlsym(lineLib_, "DriverProc"));
        if (protoLib_) proto_ = reinterpret_cast<DriverProcFn>(dlsym(protoLib_, "DriverProc"));
    }
    ~ProtocolBinding() {
        if (bound_) Release();
        if (protoLib_) dlclose(protoLib_);
        if (lineLib_) dlclose(lineLib_);
    }
    ProtocolBinding(const ProtocolBinding &) = delete;
    ProtocolBinding &operator=(const ProtocolBinding &) = delete;

    bool Loaded() const { return line_ && proto_; }

    // The binding order of the program; returns the first non-zero result, or 0.
    int Bind(const std::string &port, const std::string &settings = "9600,N,8,1") {
        if (int r = Call(line_, dpReset, nullptr)) return r;
        std::string open = port + ":" + settings;
        if (int r = Call(line_, dpOpen, open.data())) return r;
        if (int r = Call(proto_, dpReset, nullptr)) return r;
        if (int r = Call(proto_, dpVersion, nullptr)) return r;
        if (int r = Call(proto_, dpBind, reinterpret_cast<void *>(line_))) return r;
        bound_ = true;
        return 0;
    }
    // The program's line close: protocol dpClose, dpRelease, dpStop, then line dpClose, dpStop.
    void Release() {
        for (uint8_t c : {uint8_t(dpClose), uint8_t(dpRelease), uint8_t(dpStop)}) Call(proto_, c, nullptr);
        for (uint8_t c : {uint8_t(dpClose), uint8_t(dpStop)}) Call(line_, c, nullptr);
        bound_ = false;
    }

    int SetLineTimeout(int ms) {
        int32_t a3 = spTimeout, a4 = ms;
        return line_(dpSetParam, nullptr, &a3, &a4);
    }
    int SignOn() { char empty[256] = {0}; return Call(proto_, dpOpen, empty); }
    int SignOff(int32_t arg3 = 0) { int32_t a4 = 0; return proto_(dpClose, nullptr, &arg3, &a4); }

    // dpRead of `item` into a 256-byte buffer; `text` gets the answer on result 0.
    int Read(int item, std::string &text, int32_t expected = 0) {
        char buf[256];
        std::memset(buf, 0x7F, sizeof buf);
        int32_t a3 = expected, a4 = item;
        int r = proto_(dpRead, buf, &a3, &a4);
        if (r == 0) text.assign(buf);
        return r;
    }
    std::string ReadText(int item) { std::string t; return Read(item, t) == 0 ? t : "<error>"; }
    int Write(int item, const std::string &value, uint8_t command = dpWrite) {
        int32_t a3 = int32_t(value.size()), a4 = item;
        return proto_(command, const_cast<char *>(value.data()), &a3, &a4);
    }
    // Raw line traffic, as the program's own exchanges do it.
    int LineWrite(const std::string &bytes) {
        int32_t a3 = int32_t(bytes.size()), a4 = 0;
        return line_(dpWrite, const_cast<char *>(bytes.data()), &a3, &a4);
    }
    int LineReadByte(char &c) {
        int32_t a3 = 1, a4 = 0;
        return line_(dpRead, &c, &a3, &a4);
    }
    // Reads bytes until `stop` has been received (it is included) or a line error; returns that error.
    int LineReadUntil(char stop, std::string &text) {
        for (char c; ;) {
            if (int r = LineReadByte(c)) return r;
            text += c;
            if (c == stop) return 0;
        }
    }
    int LinePurge() { int32_t a3 = 3, a4 = 0; return line_(dpPurge, nullptr, &a3, &a4); }
    DriverProcFn Line() const { return line_; }
    DriverProcFn Protocol() const { return proto_; }

private:
    static int Call(DriverProcFn f, uint8_t command, void *data) {
        int32_t a3 = 0, a4 = 0;
        return f(command, data, &a3, &a4);
    }
    void *lineLib_ = nullptr;
    void *protoLib_ = nullptr;
    DriverProcFn line_ = nullptr;
    DriverProcFn proto_ = nullptr;
    bool bound_ = false;
};

} // namespace korvultest
