#include "protocol/QtSession.h"

#include "protocol/QtFrame.h"

#include <chrono>
#include <thread>

namespace prqt {

namespace {
// Quiet time that ends a damaged answer's tail, in milliseconds.
constexpr int64_t kQuietMs = 60;
} // namespace

int32_t MapLineResult(int32_t r) { return r > 0 ? peLineFailed : r; }

void QtSession::Reset() {
    line_ = nullptr;
    alive_ = false;
    lastData_.reset();
}

int32_t QtSession::SignOn() { return Exchange(SignOnFrame(), Expect::Ack, true, nullptr); }
int32_t QtSession::SignOff() { return Exchange(SignOffFrame(), Expect::Ack, true, nullptr); }

int32_t QtSession::ReadItem(uint8_t item, std::string &answer) {
    return Exchange(ReadFrame(item), Expect::Data, SafeToResend('R', item), &answer);
}

int32_t QtSession::WriteItem(uint8_t item, const std::string &value) {
    if (!ValueFitsFrame(value)) return peBadArgument;
    return Exchange(WriteFrame(item, value), Expect::Ack, SafeToResend('W', item), nullptr);
}

int32_t QtSession::LineWrite(const std::string &bytes) {
    int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
    int32_t r = line_(dpWrite, const_cast<char *>(bytes.data()), &count, &written);
    if (r == 0 && written != count) return deLineError;
    return MapLineResult(r);
}

int32_t QtSession::LineReadByte(uint8_t &byte) {
    int32_t wanted = 1, got = 0;
    int32_t r = line_(dpRead, &byte, &wanted, &got);
    if (r == 0 && got != 1) return deTimeout;
    return MapLineResult(r);
}

int32_t QtSession::LinePurgeReceive() {
    int32_t flags = 2, unused = 0;
    return MapLineResult(line_(dpPurge, nullptr, &flags, &unused));
}

// After a damaged answer the rest of it may still be on its way; wait until the line has been quiet
// for quietMs (at most quietMs + 1 s in all) so that its tail is not mistaken for the next answer.
void QtSession::DrainLine(int64_t quietMs) {
    using namespace std::chrono;
    constexpr auto Step = milliseconds(5);
    const auto quiet = milliseconds(quietMs), most = quiet + milliseconds(1000);
    const auto start = steady_clock::now();
    auto lastByte = start;
    while (steady_clock::now() - start < most) {
        int32_t a3 = 0, a4 = 0;
        int32_t waiting = line_(dpInQueue, nullptr, &a3, &a4);
        if (waiting < 0) return;
        if (waiting > 0) {
            uint8_t b;
            for (int32_t i = 0; i < waiting; ++i)
                if (LineReadByte(b) != 0) return;
            lastByte = steady_clock::now();
        } else if (steady_clock::now() - lastByte >= quiet) {
            return;
        }
        std::this_thread::sleep_for(Step);
    }
}

int32_t QtSession::Exchange(const std::string &request, Expect expect, bool resendable, std::string *answer) {
    if (!line_) return peNotBound;
    Evidence evidence;
    Outcome o = Send(request, expect);
    for (int sent = 1;; ++sent) {
        switch (o.reply) {
        case Reply::Good: return Accept(o, evidence, resendable, answer);
        case Reply::Refused: alive_ = true; return o.code;
        case Reply::LineFailed: return o.code;
        case Reply::Silent:
            // A device that was silent before, or twice now, stays silent: report it at once.
            if (!alive_ || evidence.silentMs >= 0) return GiveUp(o);
            break;
        default: break;
        }
        if (sent >= Tries) return GiveUp(o);
        const Next next = Decide(o, evidence, resendable);
        if (next == Next::Fail) return GiveUp(o);
        if (o.reply != Reply::Silent) DrainLine(kQuietMs);
        o = Send(next == Next::Resend ? request : RepeatRequest(), expect);
    }
}

// What follows a failed reply. NAK 00 means the device did not carry the request out, so sending it
// again is safe; for a request that is not safe to resend that is trusted only when the device says it
// twice in a row and nothing else was heard since the request (a damaged data answer can look like
// NAK 00). Everything else asks for a repeat of the device's last answer.
QtSession::Next QtSession::Decide(const Outcome &o, Evidence &e, bool resendable) const {
    if (o.reply == Reply::RequestDamaged) {
        if (resendable || (e.damagedOnce && !e.mayHaveRun)) {
            e = Evidence{};
            return Next::Resend;
        }
        if (e.mayHaveRun) return Next::Fail;  // the device may have run it and then heard noise
        e.damagedOnce = true;
        return Next::Repeat;
    }
    e.mayHaveRun = true;
    if (o.reply == Reply::Silent) e.silentMs = o.silentMs;
    return Next::Repeat;
}

// A good answer. After a missing reply two things need care: the late first answer and its repeat may
// both arrive, so the line is drained for as long as the device was waited for; and a device that never
// received the request repeats the answer to the one before, which for a request that is not safe to
// resend cannot be told apart from an equal new answer: that exchange fails rather than guess.
int32_t QtSession::Accept(const Outcome &o, const Evidence &e, bool resendable, std::string *answer) {
    alive_ = true;
    const bool isData = answer != nullptr;
    if (e.silentMs >= 0) {
        DrainLine(e.silentMs + 250);
        if (!resendable && isData && lastData_ && *lastData_ == o.data) {
            lastData_.reset();
            return peDamaged;
        }
    }
    if (isData) {
        lastData_ = o.data;
        *answer = o.data;
    } else {
        lastData_.reset();
    }
    return 0;
}

int32_t QtSession::GiveUp(const Outcome &o) {
    switch (o.reply) {
    case Reply::Silent:
    case Reply::BrokeOff:
        alive_ = false;
        return peTimeout;
    case Reply::WrongKind: return peUnexpected;
    default: return peDamaged;
    }
}

QtSession::Outcome QtSession::Send(const std::string &bytes, Expect expect) {
    if (int32_t r = LinePurgeReceive(); r != 0) return {Reply::LineFailed, r};
    if (int32_t r = LineWrite(bytes); r != 0) return {Reply::LineFailed, r};
    return ReadReply(expect);
}

// Reads one reply byte by byte. Silent: not a single byte came within the line's time-out; BrokeOff:
// bytes came, then nothing.
QtSession::Outcome QtSession::ReadReply(Expect expect) {
    const auto start = std::chrono::steady_clock::now();
    AnswerParser parser;
    bool anyByte = false;
    for (;;) {
        uint8_t byte = 0;
        const int32_t r = LineReadByte(byte);
        if (r == deTimeout) {
            if (anyByte) return {Reply::BrokeOff};
            const auto waited = std::chrono::steady_clock::now() - start;
            return {Reply::Silent, 0, {}, std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()};
        }
        if (r != 0) return {Reply::LineFailed, r};
        anyByte = true;
        switch (parser.Feed(byte)) {
        case AnswerKind::Incomplete: continue;
        case AnswerKind::Refusal: return {Reply::Refused, parser.Code()};
        case AnswerKind::RequestDamaged: return {Reply::RequestDamaged};
        case AnswerKind::Damaged: return {Reply::Damaged};
        case AnswerKind::Ack: return {expect == Expect::Ack ? Reply::Good : Reply::WrongKind};
        case AnswerKind::Data:
            if (expect != Expect::Data) return {Reply::WrongKind};
            return {Reply::Good, 0, parser.Data()};
        }
    }
}

} // namespace prqt
