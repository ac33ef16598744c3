#pragma once
// One protocol driver session: the bound line driver and the request/answer exchange with retries.
// Kept apart from the exported entry point so that it can be tested against a scripted line driver.
#include "linedriver/linqor32.h"

#include <cstdint>
#include <string>

namespace prqt {

// Results of the protocol driver besides 0, the line driver's own negative codes (passed through) and
// the device's refusals (1..99). docs/protocol.md lists them.
enum : int32_t {
    peTimeout = deTimeout,          // -13: the device did not answer (or broke off in the last try)
    peBadArgument = deBadArgument,  // -36: null buffer, item missing, value too long or holding SOH/ETX
    peDamaged = -40,                // every try got a damaged answer or the device saw a damaged request
    peNotBound = -41,               // no line driver bound (dpBind missing)
    peUnexpected = -43,             // every try got an answer of the wrong kind (ACK for data, data for ACK)
    peLineFailed = -44,             // the line driver reported a platform error (positive errno)
    peInternal = -45,               // an internal failure (out of memory); nothing crossed the C ABI
};

constexpr int32_t ProtocolVersion = 100;  // dpVersion answers it in *Arg4
constexpr int Tries = 3;

class QtSession {
public:
    void Reset();
    void Bind(DriverProcFn line) { line_ = line; }
    bool Bound() const { return line_ != nullptr; }

    int32_t SignOn();
    int32_t SignOff();
    int32_t ReadItem(uint8_t item, std::string &answer);
    int32_t WriteItem(uint8_t item, const std::string &value);

private:
    enum class Expect { Ack, Data };
    int32_t Exchange(const std::string &request, Expect expect, std::string *answer);
    int32_t OneTry(const std::string &request, Expect expect, std::string *answer, bool &retry);
    int32_t LineWrite(const std::string &bytes);
    int32_t LineReadByte(uint8_t &byte);
    int32_t LinePurgeReceive();
    void DrainLine();

    DriverProcFn line_ = nullptr;
};

// Maps a line driver result into the protocol driver's result space: positive platform errors would
// read as device refusals to the program, so they become peLineFailed.
int32_t MapLineResult(int32_t r);

} // namespace prqt
