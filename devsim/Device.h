#pragma once
// The simulator's behaviour on the line, without the port: bytes in, timed bytes out. Combines the
// optional modem, the wire parser, the device model (or the CLM-300 module) and the fault injection.
#include "devsim/DeviceModel.h"
#include "devsim/LineDialogs.h"
#include "devsim/Modem.h"
#include "devsim/ModuleChannels.h"
#include "devsim/ModuleModel.h"
#include "devsim/WireParser.h"

#include <array>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

struct Emit {
    std::string bytes;
    int64_t atMs = 0;  // monotonic time at which the bytes are to be sent
};

struct Faults {
    int64_t lateMs = 0;          // every protocol answer this much later
    int dropAfterRecords = 0;    // drop the line after this many archive records (0: never)
    int64_t dropForMs = -1;      // how long a dropped line stays silent (-1: until devsim ends)
    bool silent = false;         // never answer protocol frames
    bool corruptChecksum = false;// P67 answers carry a wrong checksum
    std::string processStatus = "80000000";  // status field of the P67 answers (8 hex digits)
    int corruptEvery = 0;        // flip every n-th byte sent (applied by the output stage)
    int loseAnswerEvery = 0;     // every n-th protocol answer is not sent (it stays the last answer)
};

struct DeviceOptions {
    TypeInfo type;
    ModelOptions model;
    std::optional<ModemOptions> modem;
    Faults faults;
    int endDeviceIdent = 2461;   // the module's end device (module types only)
    // End device of each module channel: -1 the default (endDeviceIdent on channel 1, none on the
    // others), 0 none, else its identification.
    std::array<int, 4> channelDevices{-1, -1, -1, -1};
};

class Device {
public:
    Device(const DeviceOptions &o, std::time_t now);

    void OnByte(uint8_t byte, int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    void Tick(int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    int64_t NextDeadline() const;  // -1: nothing pending

    DeviceModel &Model() { return *model_; }
    ModuleModel *Module() { return module_.get(); }
    bool Dropped(int64_t nowMs) const;
    // Counts accepted sign-ons, sign-offs and writes: the state file is saved when it moved.
    uint64_t Changes() const { return changes_; }

private:
    void ToDevice(uint8_t byte, int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    void Handle(const WireEvent &e, int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    void Serve(const WireEvent &e, int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    Reply Request(const WireEvent &e, int64_t nowMs, std::time_t now);
    void SendReply(const Reply &r, int64_t nowMs, std::vector<Emit> &out);
    void RepeatReply(int64_t nowMs, std::vector<Emit> &out);
    void Drop(int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    void OnKey(uint8_t key, int64_t nowMs, std::vector<Emit> &out);
    bool RawSohPossible() const;
    bool FrameCommand(uint8_t byte) const;
    void ResolveSoh(bool frame, int64_t nowMs, std::time_t now, std::vector<Emit> &out);
    void ModemActions(std::vector<ModemAction> &acts, int64_t nowMs, std::time_t now, std::vector<Emit> &out);

    DeviceOptions o_;
    std::unique_ptr<DeviceModel> model_;
    std::unique_ptr<ModuleModel> module_;
    std::unique_ptr<ModuleEndDevices> endDevices_;  // module only: the end devices of the channels
    std::unique_ptr<Modem> modem_;
    WireParser parser_;
    bool clockTest_ = false;
    int recordsServed_ = 0;
    int processSamples_ = 0;
    NxCommandLines nxLines_;   // NX-17S command lines
    ModuleMenu menu_;          // local CLM-300 terminal menu
    bool terminalMode_ = false;  // a local module's terminal is open (ESC came outside frames)
    int64_t sohUntilMs_ = -1;    // a SOH that may be a key waits for its next byte until then
    uint64_t changes_ = 0;
    int64_t droppedUntilMs_ = -2;  // -2: not dropped, -1: dropped for good
    std::string lastReply_;        // the last protocol answer as encoded, for a repeat request
    bool heardNoise_ = false;      // bytes it could not understand came after lastReply_
    int answersSent_ = 0;          // for --lose-answer-every
};

// Bytes of an answer frame: ACK, NAK + two digits, or STX data ETX BCC.
std::string EncodeReply(const Reply &r);
// How long a SOH that may be a key (terminal arrow Up, a script's ^A) waits for a frame command byte.
constexpr int64_t kSohKeyWaitMs = 30;

} // namespace devsim
