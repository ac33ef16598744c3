// libFuzzer target for both ends of the QT wire protocol: the program's answer parser and frame
// builders (protocol/QtFrame) and devsim's request parser and device models. The first input byte
// picks the routine, the rest is the byte stream. A broken invariant aborts (a finding).
#include "FuzzCheck.h"
#include "devsim/DeviceModel.h"
#include "devsim/ModuleModel.h"
#include "devsim/WireParser.h"
#include "protocol/QtFrame.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using fuzzcheck::Check;

// What a finished answer must have been, judged from the bytes fed since the last Reset().
void CheckAnswer(prqt::AnswerKind kind, const prqt::AnswerParser &p, const std::string &fed) {
    using prqt::AnswerKind;
    const std::size_t start = p.SkippedBytes();
    if (kind == AnswerKind::Ack) {
        Check(fed.size() == start + 1 && fed.back() == prqt::ACK);
    } else if (kind == AnswerKind::Refusal) {
        Check(fed.size() == start + 3 && fed[start] == prqt::NAK);
        const int code = (fed[start + 1] - '0') * 10 + (fed[start + 2] - '0');
        Check(p.Code() == code && code >= 1 && code <= 99);
    } else if (kind == AnswerKind::Data) {
        Check(fed.size() >= start + 3 && fed[start] == prqt::STX && fed[fed.size() - 2] == prqt::ETX);
        const std::string data = fed.substr(start + 1, fed.size() - start - 3);
        Check(p.Data() == data && data.size() <= prqt::MaxDataLength);
        Check(data.find(static_cast<char>(prqt::SOH)) == std::string::npos);
        Check(static_cast<uint8_t>(fed.back()) == prqt::Bcc(data + static_cast<char>(prqt::ETX)));
    }
}

// The answer parser fed byte by byte, reset after every result as the session does.
void Answers(const uint8_t *data, size_t size) {
    prqt::AnswerParser p;
    std::string fed;
    for (size_t i = 0; i < size; ++i) {
        fed += static_cast<char>(data[i]);
        const prqt::AnswerKind kind = p.Feed(data[i]);
        if (kind == prqt::AnswerKind::Incomplete) {
            Check(fed.size() <= prqt::MaxNoiseBytes + prqt::MaxDataLength + 3);
            continue;
        }
        CheckAnswer(kind, p, fed);
        char buffer[prqt::MaxDataLength + 1];
        const int32_t expected = static_cast<int32_t>(static_cast<int8_t>(data[0]));
        const int n = prqt::CopyAnswer(p.Data(), expected, buffer);
        Check(n >= 0 && std::strlen(buffer) <= static_cast<size_t>(n));
        p.Reset();
        fed.clear();
    }
}

std::optional<devsim::WireEvent> FeedAll(devsim::WireParser &w, const std::string &bytes) {
    std::optional<devsim::WireEvent> last;
    for (char c : bytes)
        if (auto e = w.Feed(static_cast<uint8_t>(c))) last = e;
    return last;
}

// A request built by the program must reach devsim as that request; the device's data answer to it
// must reach the program as that text.
void Frames(uint8_t item, const std::string &value) {
    devsim::WireParser w;
    const std::string write = prqt::WriteFrame(item, value);
    Check(write.empty() != prqt::ValueFitsFrame(value));
    if (!write.empty() && item != prqt::SOH) {
        const auto e = FeedAll(w, write);
        Check(e && e->kind == devsim::WireEvent::Write && e->item == item && e->data == value);
    }
    if (item != prqt::SOH) {
        const auto e = FeedAll(w, prqt::ReadFrame(item));
        Check(e && e->kind == devsim::WireEvent::Read && e->item == item);
    }
    const auto on = FeedAll(w, prqt::SignOnFrame());
    Check(on && on->kind == devsim::WireEvent::SignOn);
    if (!prqt::ValueFitsFrame(value)) return;
    std::string answer(1, static_cast<char>(prqt::STX));
    answer += value;
    answer += static_cast<char>(prqt::ETX);
    answer += static_cast<char>(prqt::Bcc(value + static_cast<char>(prqt::ETX)));
    prqt::AnswerParser p;
    prqt::AnswerKind kind = prqt::AnswerKind::Incomplete;
    for (char c : answer) kind = p.Feed(static_cast<uint8_t>(c));
    Check(kind == prqt::AnswerKind::Data && p.Data() == value);
}

void CheckReply(const devsim::Reply &r) {
    Check(r.kind != devsim::Reply::Refuse || (r.code >= 0 && r.code <= 99));
}

constexpr std::time_t kNow = 1700000000;

// An end device of the type `pick` chooses (small archive) and a module, both as devsim makes them.
struct Models {
    static devsim::ModelOptions Options() {
        devsim::ModelOptions options;
        options.archive.sizeBytes = 120;
        return options;
    }
    static int Ident(uint8_t pick) {
        static const int idents[] = {2461, 9140, 4260, 2160, 8410, 6000, 9560, 4160, 3111};
        return idents[pick % (sizeof idents / sizeof idents[0])];
    }
    explicit Models(uint8_t pick) : device(devsim::TypeFromIdent(Ident(pick)), Options(), kNow) {}
    devsim::DeviceModel device;
    devsim::ModuleModel module{devsim::ModuleOptions{}, 6000, kNow};
};

// devsim's wire parser on arbitrary bytes, its requests answered by an end device or a module.
void Device(uint8_t pick, const uint8_t *data, size_t size) {
    Models m(pick);
    devsim::DeviceModel &device = m.device;
    devsim::ModuleModel &module = m.module;
    const std::time_t now = kNow;
    const bool toModule = pick & 0x80;
    devsim::WireParser w;
    for (size_t i = 0; i < size; ++i) {
        const auto e = w.Feed(data[i]);
        if (!e) continue;
        switch (e->kind) {
        case devsim::WireEvent::SignOn:
            device.SignOn(static_cast<int64_t>(i));
            module.SignOn();
            break;
        case devsim::WireEvent::SignOff: device.SignOff(static_cast<int64_t>(i), now); module.SignOff(); break;
        case devsim::WireEvent::Read:
            CheckReply(toModule ? module.Read(e->item, now) : device.Read(e->item, now));
            break;
        case devsim::WireEvent::Write:
            Check(e->data.size() <= prqt::MaxDataLength);
            CheckReply(toModule ? module.Write(e->item, e->data, now) : device.Write(e->item, e->data, now));
            break;
        case devsim::WireEvent::RawCommand: Check(e->data.size() <= 9 && e->data[0] == 'P'); break;
        default: break;
        }
    }
}

// The device models called directly with arbitrary item codes and values: each request is a command
// byte (even: read, odd: write; 0xFF signs on again), an item code, a value length and the value.
void Requests(uint8_t pick, const uint8_t *data, size_t size) {
    Models m(pick);
    devsim::DeviceModel &device = m.device;
    devsim::ModuleModel &module = m.module;
    const std::time_t now = kNow;
    device.SignOn(0);
    module.SignOn();
    for (size_t i = 0; i + 2 < size;) {
        const uint8_t cmd = data[i], item = data[i + 1];
        const size_t length = std::min<size_t>(data[i + 2], size - i - 3);
        const std::string value(reinterpret_cast<const char *>(data + i + 3), length);
        i += 3 + length;
        if (cmd == 0xFF) {
            device.SignOn(static_cast<int64_t>(i));
            continue;
        }
        const bool write = cmd & 1, toModule = cmd & 2;
        if (toModule) CheckReply(write ? module.Write(item, value, now) : module.Read(item, now));
        else CheckReply(write ? device.Write(item, value, now) : device.Read(item, now));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    switch (data[0] % 4) {
    case 0: Answers(data + 1, size - 1); break;
    case 1: Frames(data[1], std::string(reinterpret_cast<const char *>(data + 2), size - 2)); break;
    case 2: Device(data[1], data + 2, size - 2); break;
    default: Requests(data[1], data + 2, size - 2); break;
    }
    return 0;
}
