#include "protocol/QtSession.h"

#include "protocol/QtFrame.h"

#include <chrono>
#include <thread>

namespace prqt {

int32_t MapLineResult(int32_t r) { return r > 0 ? peLineFailed : r; }

void QtSession::Reset() { line_ = nullptr; }

int32_t QtSession::SignOn() { return Exchange(SignOnFrame(), Expect::Ack, nullptr); }
int32_t QtSession::SignOff() { return Exchange(SignOffFrame(), Expect::Ack, nullptr); }

int32_t QtSession::ReadItem(uint8_t item, std::string &answer) {
    return Exchange(ReadFrame(item), Expect::Data, &answer);
}

int32_t QtSession::WriteItem(uint8_t item, const std::string &value) {
    if (!ValueFitsFrame(value)) return peBadArgument;
    return Exchange(WriteFrame(item, value), Expect::Ack, nullptr);
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
// for QuietMs (at most MaxMs in all) so that its tail is not mistaken for the next answer.
void QtSession::DrainLine() {
    using namespace std::chrono;
    constexpr auto QuietMs = milliseconds(60), MaxMs = milliseconds(1000), Step = milliseconds(5);
    const auto start = steady_clock::now();
    auto lastByte = start;
    while (steady_clock::now() - start < MaxMs) {
        int32_t a3 = 0, a4 = 0;
        int32_t waiting = line_(dpInQueue, nullptr, &a3, &a4);
        if (waiting < 0) return;
        if (waiting > 0) {
            uint8_t b;
            for (int32_t i = 0; i < waiting; ++i)
                if (LineReadByte(b) != 0) return;
            lastByte = steady_clock::now();
        } else if (steady_clock::now() - lastByte >= QuietMs) {
            return;
        }
        std::this_thread::sleep_for(Step);
    }
}

int32_t QtSession::Exchange(const std::string &request, Expect expect, std::string *answer) {
    if (!line_) return peNotBound;
    int32_t result = peDamaged;
    for (int attempt = 0; attempt < Tries; ++attempt) {
        bool retry = false;
        result = OneTry(request, expect, answer, retry);
        if (!retry) return result;
        DrainLine();
    }
    return result;
}

// One request and its answer. Sets `retry` when the answer was damaged, of the wrong kind or broke off;
// a device that stays silent is reported at once (peTimeout, no retry).
int32_t QtSession::OneTry(const std::string &request, Expect expect, std::string *answer, bool &retry) {
    retry = false;
    if (int32_t r = LinePurgeReceive(); r != 0) return r;
    if (int32_t r = LineWrite(request); r != 0) return r;
    AnswerParser parser;
    bool anyByte = false;
    for (;;) {
        uint8_t byte = 0;
        int32_t r = LineReadByte(byte);
        if (r == deTimeout) {
            retry = anyByte;
            return peTimeout;
        }
        if (r != 0) return r;
        anyByte = true;
        switch (parser.Feed(byte)) {
        case AnswerKind::Incomplete:
            continue;
        case AnswerKind::Refusal:
            return parser.Code();
        case AnswerKind::Damaged:
            retry = true;
            return peDamaged;
        case AnswerKind::Ack:
            if (expect == Expect::Ack) return 0;
            retry = true;
            return peUnexpected;
        case AnswerKind::Data:
            if (expect == Expect::Data) {
                *answer = parser.Data();
                return 0;
            }
            retry = true;
            return peUnexpected;
        }
    }
}

} // namespace prqt
