#pragma once
// Test side of the line driver tests: a pseudo-terminal whose master end plays the device, and the
// built linqor32.so loaded with dlopen exactly as the program loads it.
#include "linedriver/linqor32.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace linqortest {

using Bytes = std::vector<uint8_t>;

// One pseudo-terminal. The slave end is what the driver opens by path; the test holds the master.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &path() const { return path_; }
    int master() const { return master_; }
    void send(const std::string &bytes) const;
    // Everything that arrives until `count` bytes are there or nothing came for `quiet`.
    Bytes receive(size_t count, std::chrono::milliseconds quiet = std::chrono::milliseconds(2000)) const;
    // True once no slave end is open any more (the driver closed the port).
    bool slaveClosed(std::chrono::milliseconds within) const;
    void closeMaster();

private:
    int master_ = -1;
    std::string path_;
};

// linqor32.so (or a copy of it, for a second independent instance) loaded with dlopen.
class LineLibrary {
public:
    explicit LineLibrary(const std::string &file = DefaultPath());
    ~LineLibrary();
    LineLibrary(const LineLibrary &) = delete;
    LineLibrary &operator=(const LineLibrary &) = delete;

    static std::string DefaultPath();  // <BinDir>/linqor32.so
    bool loaded() const { return handle_ != nullptr; }
    DriverProcFn proc() const { return proc_; }
    void unload();  // dlclose: the library stops its port and closes its trace

    int32_t call(uint8_t command, void *data = nullptr, int32_t arg3 = 0, int32_t arg4 = 0);
    int32_t call(uint8_t command, void *data, int32_t *arg3, int32_t *arg4);
    int32_t open(const std::string &text);  // dpReset, then dpOpen with `text`
    int32_t setParam(int32_t param, int32_t value, void *data = nullptr);
    // dpRead of `want` bytes into `out` (resized to what arrived); `got` is *Arg4.
    int32_t read(int32_t want, Bytes &out, int32_t &got);
    int32_t write(const std::string &bytes, int32_t *written = nullptr);

private:
    void *handle_ = nullptr;
    DriverProcFn proc_ = nullptr;
};

// The defined dynamic symbols of a shared object, from `nm -D --defined-only`.
std::vector<std::string> ExportedSymbols(const std::string &file);

std::string ToString(const Bytes &b);

} // namespace linqortest
