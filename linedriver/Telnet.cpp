#include "linedriver/Telnet.h"

namespace linqor {

using namespace telnet;

size_t EscapeData(const uint8_t *in, size_t n, ByteSink &out) {
    size_t taken = 0;
    for (; taken < n; ++taken) {
        const size_t need = in[taken] == kIac ? 2 : 1;
        if (out.size + need > out.capacity) break;
        out.put(in[taken]);
        if (need == 2) out.put(kIac);
    }
    return taken;
}

void AppendOpening(ByteSink &out) {
    const uint8_t opening[] = {kIac, kWill, kOptComPort, kIac, kWill, kOptBinary,
                               kIac, kDo, kOptBinary,    kIac, kDo, kOptSuppressGoAhead};
    for (const uint8_t b : opening) out.put(b);
}

void AppendComPort(ByteSink &out, uint8_t command, uint32_t value, int size) {
    out.put(kIac);
    out.put(kSb);
    out.put(kOptComPort);
    out.put(command);
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
        const uint8_t b = uint8_t(value >> shift);
        out.put(b);
        if (b == kIac) out.put(kIac);
    }
    out.put(kIac);
    out.put(kSe);
}

uint8_t ComPortParity(int64_t parity) {
    return parity >= 0 && parity <= 4 ? uint8_t(parity + 1) : 0;  // 1 none, 2 odd, 3 even, 4 mark, 5 space
}

uint8_t ComPortStopSize(int64_t stopCode) {
    switch (stopCode) {
    case 0: return 1;  // one
    case 1: return 3;  // one and a half
    case 2: return 2;  // two
    default: return 0;
    }
}

void TelnetDecoder::reset() { *this = TelnetDecoder(); }

void TelnetDecoder::opened() {
    us_[kOptComPort] = WantYes;
    us_[kOptBinary] = WantYes;
    them_[kOptBinary] = WantYes;
    them_[kOptSuppressGoAhead] = WantYes;
}

bool TelnetDecoder::weAccept(uint8_t option) {
    return option == kOptBinary || option == kOptSuppressGoAhead || option == kOptComPort;
}

bool TelnetDecoder::theyMay(uint8_t option) {
    return option == kOptBinary || option == kOptSuppressGoAhead;
}

// DO/DONT concern what we perform, WILL/WONT what the server performs. An answer is sent only when
// the state changes on a request, never for the agreement to our own request.
void TelnetDecoder::handleOption(uint8_t verb, uint8_t option, ByteSink &reply) {
    const bool aboutUs = verb == kDo || verb == kDont;
    const bool enable = verb == kDo || verb == kWill;
    OptState &state = aboutUs ? us_[option] : them_[option];
    uint8_t answer = 0;
    if (enable) {
        if (state == WantYes) state = Yes;
        else if (state == No && (aboutUs ? weAccept(option) : theyMay(option))) {
            state = Yes;
            answer = aboutUs ? kWill : kDo;
        } else if (state == No) {
            answer = aboutUs ? kWont : kDont;
        }
    } else {
        if (state == Yes) answer = aboutUs ? kWont : kDont;
        if (aboutUs && option == kOptComPort && state != No) comPortRefused_ = true;
        state = No;
    }
    if (answer == 0) return;
    reply.put(kIac);
    reply.put(answer);
    reply.put(option);
}

void TelnetDecoder::endSub() {
    if (subOption_ == kOptComPort && subLength_ >= 1 && subCommand_ > 100) ++answers_;
    mode_ = Data;
}

void TelnetDecoder::step(uint8_t b, ByteSink &data, ByteSink &reply) {
    switch (mode_) {
    case Data:
        if (b == kIac) mode_ = Command;
        else data.put(b);
        return;
    case Command:
        mode_ = Data;
        if (b == kIac) data.put(b);
        else if (b >= kWill && b <= kDont) { verb_ = b; mode_ = Option; }
        else if (b == kSb) { mode_ = Sub; subLength_ = 0; }
        return;  // NOP, GA, data mark and the other one-byte commands carry nothing for us
    case Option:
        handleOption(verb_, b, reply);
        mode_ = Data;
        return;
    case Sub:
        if (b == kIac) { mode_ = SubCommand; return; }
        if (subLength_ == 0) subOption_ = b;
        else if (subLength_ == 1) subCommand_ = b;
        ++subLength_;
        return;
    case SubCommand:
        if (b == kSe) endSub();
        else if (b == kIac) { mode_ = Sub; ++subLength_; }  // an escaped 255 inside the value
        else endSub();  // a malformed end: the sub-negotiation is over all the same
        return;
    }
}

void TelnetDecoder::feed(const uint8_t *in, size_t n, ByteSink &data, ByteSink &reply) {
    for (size_t i = 0; i < n; ++i) step(in[i], data, reply);
}

} // namespace linqor
