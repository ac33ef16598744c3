#pragma once
// One protocol driver session: the bound line driver and the request/answer exchange with retries.
// Kept apart from the exported entry point so that it can be tested against a scripted line driver.
#include "linedriver/linqor32.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

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

// One exchange sends the request once. A damaged, cut-off or (from a device that has answered
// before) missing answer is not fixed by sending the request again: the session asks the device to
// repeat its last answer (NAK), which it does without carrying anything out. The request itself is
// sent again only when the device reports that it received it damaged (NAK 00) and so did nothing, and
// for a request that is not safe to resend (SafeToResend) only when that report is beyond doubt.
// At most Tries sends in all; docs/protocol.md gives the whole rule.
class QtSession {
public:
    void Reset();
    void Bind(DriverProcFn line) { line_ = line; alive_ = false; lastData_.reset(); }
    bool Bound() const { return line_ != nullptr; }

    int32_t SignOn();
    int32_t SignOff();
    int32_t ReadItem(uint8_t item, std::string &answer);
    int32_t WriteItem(uint8_t item, const std::string &value);

private:
    enum class Expect { Ack, Data };
    enum class Reply { Good, Refused, RequestDamaged, Damaged, WrongKind, BrokeOff, Silent, LineFailed };
    struct Outcome {
        Outcome(Reply r = Reply::Silent, int32_t c = 0, std::string d = {}, int64_t ms = 0)
            : reply(r), code(c), data(std::move(d)), silentMs(ms) {}
        Reply reply;
        int32_t code;            // the refusal code, or the line driver's result for LineFailed
        std::string data;        // the data of a Good data answer
        int64_t silentMs;        // how long a Silent reply was waited for (the line's time-out)
    };
    // What the exchange has learnt so far about the request it is answering.
    struct Evidence {
        bool mayHaveRun = false;   // a reply other than NAK 00 came (or none at all)
        bool damagedOnce = false;  // the device said NAK 00 once, with nothing else since the request
        int64_t silentMs = -1;     // a reply was missing (its wait in ms); -1: none was
    };
    enum class Next { Resend, Repeat, Fail };

    int32_t Exchange(const std::string &request, Expect expect, bool resendable, std::string *answer);
    Outcome Send(const std::string &bytes, Expect expect);
    Outcome ReadReply(Expect expect);
    Next Decide(const Outcome &o, Evidence &e, bool resendable) const;
    int32_t Accept(const Outcome &o, const Evidence &e, bool resendable, std::string *answer);
    int32_t GiveUp(const Outcome &o);
    int32_t LineWrite(const std::string &bytes);
    int32_t LineReadByte(uint8_t &byte);
    int32_t LinePurgeReceive();
    void DrainLine(int64_t quietMs);

    DriverProcFn line_ = nullptr;
    bool alive_ = false;                     // the device answered the last exchange
    std::optional<std::string> lastData_;    // the data of the last answer, when it was a data answer
};

// Maps a line driver result into the protocol driver's result space: positive platform errors would
// read as device refusals to the program, so they become peLineFailed.
int32_t MapLineResult(int32_t r);

} // namespace prqt
