#pragma once
// Test side of the fake driver libraries (tests/support/FakeDriver): loads fakeline32.so and
// fakeproto32.so, routes their DriverProc calls to scripts of the test, and records every call.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korvultest {

struct DriverCall {
    std::string lib;       // "line" or "proto"
    uint8_t command = 0;
    bool dataNull = true;
    QByteArray data;       // bytes handed in: write (arg3 bytes), open (zero-terminated text)
    int32_t arg3 = 0;      // values on entry
    int32_t arg4 = 0;
};

class FakeDrivers {
public:
    using Script = std::function<int32_t(const DriverCall &, void *data, int32_t *arg3, int32_t *arg4)>;

    FakeDrivers();
    ~FakeDrivers();
    FakeDrivers(const FakeDrivers &) = delete;
    FakeDrivers &operator=(const FakeDrivers &) = delete;

    QString LineFile() const;   // absolute paths of the two fakes
    QString ProtoFile() const;

    // Scripts; empty ones use the defaults below.
    Script line, proto;
    // Default line driver: dpRead hands out lineInput one byte at a time (deTimeout when empty),
    // dpWrite reports all bytes written, everything else 0.
    QByteArray lineInput;
    // Default protocol driver: dpRead answers items[code] (-13 when missing; readResults[code] overrides
    // the result), dpWrite/dpWriteOem answer writeResults[code] (0 when missing), everything else 0.
    std::map<int, QByteArray> items;
    std::map<int, int32_t> readResults;
    std::map<int, int32_t> writeResults;
    int32_t DefaultLine(const DriverCall &call, void *data, int32_t *arg3, int32_t *arg4);
    int32_t DefaultProto(const DriverCall &call, void *data, int32_t *arg3, int32_t *arg4);

    std::vector<DriverCall> calls;
    // One readable line per call, e.g. "line open COM1:4800,N,8,1", "proto read a n=3",
    // "line write 02 02 02", "proto write c \"1234\" n=8", "proto close 100", "line setparam 1=300".
    std::vector<std::string> Trace() const;
    // Trace lines of one library only.
    std::vector<std::string> Trace(const std::string &lib) const;

    int32_t Dispatch(const std::string &lib, uint8_t command, void *data, int32_t *arg3, int32_t *arg4);

private:
    void *lineHandle_ = nullptr;
    void *protoHandle_ = nullptr;
};

std::string TraceLine(const DriverCall &call);

} // namespace korvultest
