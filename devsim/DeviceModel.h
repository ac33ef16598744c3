#pragma once
// The simulated end device: data items by code, registers, channels, access code, clock and archive.
// Pure logic: the caller passes the current time; nothing here touches a port or a file.
#include "devsim/Archive.h"
#include "devsim/DeviceTypes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace devsim {

// Refusal codes the device answers with NAK (two decimal digits); docs/protocol.md lists them.
enum Refusal : int {
    RefDamaged = 0,       // request frame failed its BCC check (the driver retries)
    RefUnknownItem = 1,   // the device has no such item (or register)
    RefNoAccess = 2,      // writing needs the access code first
    RefBadValue = 3,      // wrong length or format
    RefLocked = 4,        // value lock: the value may not be changed on this device
    RefReadOnly = 5,      // the item cannot be written
    RefWrongCode = 6,     // access code entry did not match
    RefNotSignedOn = 7,   // item traffic before sign-on
    RefNoMoreData = 8,    // archive record beyond the end of memory
};

struct Reply {
    enum Kind { Ack, Data, Refuse } kind = Ack;
    std::string data;
    int code = 0;
    static Reply Ok() { return {}; }
    static Reply Text(std::string d) { return {Data, std::move(d), 0}; }
    static Reply No(int c) { return {Refuse, {}, c}; }
};

struct ChannelState {
    std::map<uint8_t, std::string> items;         // per-channel items (l, j, h, ^, t, s, r, p, |, n, V, R, T, W)
    std::map<std::string, std::string> registers; // per-channel registers (1401, 3001, 30xx, 38xx)
    Archive archive;
};

struct DeviceState {
    std::map<uint8_t, std::string> items;          // device-wide items (e, g, \, Z, N, P, A)
    std::map<std::string, std::string> registers;  // device-wide registers (0001, 0400, 2009, ...)
    std::vector<ChannelState> channels;
    std::string accessCode = "12345678";
    int64_t clockOffset = 0;                       // device clock minus host clock, seconds
    int channel = 0;                               // channel the device answers for
};

// Items refused on purpose (fault injection): each with its refusal code, from the n-th request of the
// item on (reads and writes count together), so that a test can let a first read through and refuse a
// later one.
class Refusals {
public:
    void Add(uint8_t item, int code, int fromRequest = 1) { entries_[item] = {code, fromRequest, 0}; }
    void clear() { entries_.clear(); }
    // Counts this request of the item; its refusal code, or 0 when it is answered.
    int Check(uint8_t item) {
        auto it = entries_.find(item);
        if (it == entries_.end()) return 0;
        return ++it->second.seen >= it->second.from ? it->second.code : 0;
    }

private:
    struct Entry {
        int code;
        int from;
        int seen;
    };
    std::map<uint8_t, Entry> entries_;
};

struct ModelOptions {
    ArchiveSpec archive;
    std::string accessCode = "12345678";
    bool valueLock = true;              // only for the types that have the lock
    int64_t reconnectWindowMs = 5000;   // a sign-on this soon after a sign-off moves to the next channel
    Refusals refused;
    std::map<int, std::string> customerNumbers;  // channel (0-based) -> item h, 12 digits
    std::string identAnswer;            // non-empty: the answer to item a instead of the type's number
};

class DeviceModel {
public:
    DeviceModel(const TypeInfo &type, const ModelOptions &options, std::time_t now);

    // All calls pass the host time: `nowMs` monotonic for the reconnect window, `now` wall clock.
    Reply SignOn(int64_t nowMs);
    Reply SignOff(int64_t nowMs, std::time_t now);
    Reply Read(uint8_t item, std::time_t now);
    Reply Write(uint8_t item, const std::string &value, std::time_t now);

    const TypeInfo &Type() const { return type_; }
    DeviceState &State() { return state_; }
    const DeviceState &State() const { return state_; }
    bool SignedOn() const { return signedOn_; }
    bool WriteAccess() const { return writeAccess_; }
    std::string ClockText(std::time_t now) const;  // "yymmddhhnnss"
    ChannelState &Current() { return state_.channels[static_cast<std::size_t>(state_.channel)]; }
    std::string ArchiveSizeText(const ChannelState &ch) const;

private:
    void InitItems(std::time_t now);
    void InitChannel(int c);
    Reply ReadRegister();
    Reply WriteRegister(const std::string &value);
    Reply WriteCommon(uint8_t item, const std::string &value, std::time_t now);
    std::string *RegisterSlot(const std::string &address, bool create);
    bool Readable(uint8_t item) const;

    TypeInfo type_;
    ModelOptions options_;
    DeviceState state_;
    bool signedOn_ = false;
    bool writeAccess_ = false;
    int64_t lastSignOffMs_ = -1;
    int recordPointer_ = 0;
    int pendingChannel_ = -1;  // written to register 0001, taken at the next sign-on
    std::string selectedRegister_;
};

// "yymmddhhnnss" of a local time; and back (false for an invalid date or time).
std::string FormatDeviceTime(std::time_t t);
bool ParseDeviceTime(const std::string &text, std::time_t &t);

} // namespace devsim
