#include "devsim/Device.h"

#include "devsim/ProcessData.h"

#include <algorithm>

namespace devsim {

std::string EncodeReply(const Reply &r) {
    switch (r.kind) {
    case Reply::Ack: return std::string(1, static_cast<char>(ACK));
    case Reply::Refuse: {
        char b[4] = {static_cast<char>(NAK), static_cast<char>('0' + r.code / 10 % 10),
                     static_cast<char>('0' + r.code % 10), 0};
        return std::string(b, 3);
    }
    case Reply::Data: break;
    }
    std::string body = r.data;
    body += static_cast<char>(ETX);
    return std::string(1, static_cast<char>(STX)) + body + static_cast<char>(Bcc(body));
}

Device::Device(const DeviceOptions &o, std::time_t now) : o_(o) {
    if (o.type.isModule) {
        ModuleOptions mo;
        mo.channelIdents = ModuleChannelIdents(o.endDeviceIdent, o.channelDevices);
        mo.refused = o.model.refused;
        module_ = std::make_unique<ModuleModel>(mo, o.type.ident, now);
        ModelOptions endOptions = o.model;
        endOptions.refused.clear();  // --refuse is the module's
        endDevices_ = std::make_unique<ModuleEndDevices>(mo.channelIdents, o.endDeviceIdent, endOptions, now, model_);
    } else {
        model_ = std::make_unique<DeviceModel>(o.type, o.model, now);
    }
    if (o.modem) modem_ = std::make_unique<Modem>(*o.modem);
}

bool Device::Dropped(int64_t nowMs) const {
    return droppedUntilMs_ == -1 || (droppedUntilMs_ >= 0 && nowMs < droppedUntilMs_);
}

void Device::OnByte(uint8_t byte, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    if (modem_) {
        std::vector<ModemAction> acts;
        const bool swallowed = modem_->Feed(byte, nowMs, acts);
        ModemActions(acts, nowMs, now, out);
        if (swallowed) return;
    }
    ToDevice(byte, nowMs, now, out);
}

void Device::ModemActions(std::vector<ModemAction> &acts, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    for (auto &a : acts) {
        if (!a.bytes.empty()) out.push_back({a.bytes, a.atMs});
        if (a.path != ModemAction::Path::Keep) {
            // A new or ended call starts the device afresh: signed off, parser idle.
            model_->SignOff(nowMs, now);
            if (module_) { module_->SignOff(); module_->EndPassThrough(); }
            parser_ = WireParser();
            droppedUntilMs_ = -2;
            lastReply_.clear();
            heardNoise_ = false;
        }
    }
}

void Device::ToDevice(uint8_t byte, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    if (Dropped(nowMs)) return;
    if (droppedUntilMs_ >= 0) droppedUntilMs_ = -2;
    if (sohUntilMs_ >= 0) ResolveSoh(FrameCommand(byte), nowMs, now, out);
    if (byte == SOH && RawSohPossible()) {
        sohUntilMs_ = nowMs + kSohKeyWaitMs;
        return;
    }
    if (terminalMode_ && !parser_.InFrame() && byte >= 2 && byte <= 4) return OnKey(byte, nowMs, out);  // arrows
    parser_.SetClockTestRunning(clockTest_);
    const auto e = parser_.Feed(byte);
    if (parser_.TakeAbandoned()) heardNoise_ = true;
    if (e) Handle(*e, nowMs, now, out);
}

// SOH is a key for a local module's open terminal and for an NX-17S that is signed off (a script's
// ^A); it starts a frame only when a frame command follows at once.
bool Device::RawSohPossible() const {
    if (module_) return terminalMode_ && module_->PassThrough() == 0;
    return model_->Type().typeCode == 95 && !model_->SignedOn();
}

bool Device::FrameCommand(uint8_t byte) const {
    if (module_) return byte == 'O' || byte == 'B' || byte == 'R' || byte == 'W' || byte == 'P';
    return byte == 'O';
}

void Device::ResolveSoh(bool frame, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    sohUntilMs_ = -1;
    if (!frame) return OnKey(SOH, nowMs, out);
    parser_.SetClockTestRunning(clockTest_);
    if (auto e = parser_.Feed(SOH)) Handle(*e, nowMs, now, out);
}

void Device::Handle(const WireEvent &e, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    switch (e.kind) {
    case WireEvent::SignOn:
    case WireEvent::SignOff:
    case WireEvent::Read:
    case WireEvent::Write:
        terminalMode_ = false;
        Serve(e, nowMs, now, out);
        return;
    case WireEvent::BadFrame:
        if (!o_.faults.silent) SendReply(Reply::No(RefDamaged), nowMs, out);
        return;
    case WireEvent::RawCommand: {
        std::string a = ProcessAnswer(model_->Type(), e.data, now, processSamples_++, o_.faults.corruptChecksum,
                                      o_.faults.processStatus);
        if (!a.empty() && !o_.faults.silent) out.push_back({a, nowMs + o_.faults.lateMs});
        return;
    }
    case WireEvent::ClockTestAsk: out.push_back({"}", nowMs}); return;
    case WireEvent::ClockTestStart: clockTest_ = true; return;
    case WireEvent::ClockTestStop: clockTest_ = false; return;
    case WireEvent::ModuleWakeUp:
        if (module_ && module_->PassThrough() != 0) {
            module_->EndPassThrough();
            model_->SignOff(nowMs, now);
        }
        return;
    case WireEvent::EndRaw:
        nxLines_.Drop();
        return;
    case WireEvent::Key:
        heardNoise_ = true;
        OnKey(static_cast<uint8_t>(e.data[0]), nowMs, out);
        return;
    case WireEvent::Repeat:
        // On a terminal line (an open module terminal, a signed-off NX-17S) NAK is the key Ctrl+U.
        if ((module_ && terminalMode_) || RawSohPossible()) return OnKey(NAK, nowMs, out);
        RepeatReply(nowMs, out);
        return;
    case WireEvent::WakeUp:
        return;  // the device wakes up silently
    }
}

// Bytes outside frames: the NX-17S takes command lines ending in CR and answers each with a text
// closed by ETX; a local CLM-300 draws its menu for the terminal; everything else is noise.
void Device::OnKey(uint8_t key, int64_t nowMs, std::vector<Emit> &out) {
    if (module_ && module_->PassThrough() == 0) {
        if (key == 27) terminalMode_ = true;
        const std::string screen = menu_.Key(key);
        if (!screen.empty()) out.push_back({screen, nowMs});
        return;
    }
    if (model_->Type().typeCode != 95) return;
    const std::string answer = nxLines_.Feed(key);
    if (!answer.empty()) out.push_back({answer, nowMs + o_.faults.lateMs});
}

// One protocol request: the answer, the count of saved-worthy changes, and the line drop fault.
void Device::Serve(const WireEvent &e, int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    const Reply r = Request(e, nowMs, now);
    if (e.kind != WireEvent::Read && r.kind == Reply::Ack) ++changes_;
    if (!o_.faults.silent) SendReply(r, nowMs, out);
    if (e.kind == WireEvent::Read && e.item == 'x' && o_.faults.dropAfterRecords > 0 &&
        ++recordsServed_ >= o_.faults.dropAfterRecords)
        Drop(nowMs, now, out);
}

Reply Device::Request(const WireEvent &e, int64_t nowMs, std::time_t now) {
    if (module_ && module_->PassThrough() == 0) {
        switch (e.kind) {
        case WireEvent::SignOn: module_->SignOn(); return Reply::Ok();
        case WireEvent::SignOff: module_->SignOff(); return Reply::Ok();
        case WireEvent::Read: return module_->Read(e.item, now);
        default: {
            Reply r = module_->Write(e.item, e.data, now);
            // The module's session carries over: the end device answers at once, without a sign-on.
            if (module_->PassThrough() != 0) {
                endDevices_->Select(module_->PassThrough(), model_);
                model_->SignOn(nowMs);
            }
            return r;
        }
        }
    }
    switch (e.kind) {
    case WireEvent::SignOn: return model_->SignOn(nowMs);
    case WireEvent::SignOff: return model_->SignOff(nowMs, now);
    case WireEvent::Read: return model_->Read(e.item, now);
    default: return model_->Write(e.item, e.data, now);
    }
}

void Device::SendReply(const Reply &r, int64_t nowMs, std::vector<Emit> &out) {
    lastReply_ = EncodeReply(r);
    heardNoise_ = false;
    if (o_.faults.loseAnswerEvery > 0 && ++answersSent_ % o_.faults.loseAnswerEvery == 0) return;
    out.push_back({lastReply_, nowMs + o_.faults.lateMs});
}

// NAK: the master did not get the last answer intact; it is sent again unchanged and nothing is carried
// out (an archive record read does not move on). When bytes the device could not understand came
// since that answer, the master's next request may have been among them, and repeating the old answer
// would pass it off as the new one: the device says NAK 00 (damaged request) instead.
void Device::RepeatReply(int64_t nowMs, std::vector<Emit> &out) {
    if (o_.faults.silent) return;
    if (heardNoise_ || lastReply_.empty()) lastReply_ = EncodeReply(Reply::No(RefDamaged));
    heardNoise_ = false;
    out.push_back({lastReply_, nowMs + o_.faults.lateMs});
}

void Device::Drop(int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    recordsServed_ = 0;
    model_->SignOff(nowMs, now);
    if (modem_) {
        std::vector<ModemAction> acts;
        modem_->DropCarrier(nowMs, acts);
        ModemActions(acts, nowMs, now, out);
        return;
    }
    droppedUntilMs_ = o_.faults.dropForMs < 0 ? -1 : nowMs + o_.faults.dropForMs;
}

void Device::Tick(int64_t nowMs, std::time_t now, std::vector<Emit> &out) {
    if (sohUntilMs_ >= 0 && nowMs >= sohUntilMs_) ResolveSoh(false, nowMs, now, out);
    if (!modem_) return;
    std::vector<ModemAction> acts;
    modem_->Tick(nowMs, acts);
    ModemActions(acts, nowMs, now, out);
}

int64_t Device::NextDeadline() const {
    const int64_t modem = modem_ ? modem_->NextDeadline() : -1;
    if (sohUntilMs_ < 0) return modem;
    return modem < 0 ? sohUntilMs_ : std::min(modem, sohUntilMs_);
}

} // namespace devsim
