#include "linedriver/OpenText.h"

#include "linedriver/NetPort.h"

namespace linqor {

std::optional<int64_t> ParseDecimal(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    int64_t value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (value > (INT64_MAX - 9) / 10) return std::nullopt;  // too large to mean anything
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

namespace {

// Cuts the next comma-separated piece off `rest`, limited to kMaxPiece characters.
std::string_view NextPiece(std::string_view &rest) {
    const size_t comma = rest.find(',');
    std::string_view piece = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    return piece.substr(0, kMaxPiece);
}

// An unparsable number becomes -1, which no field accepts.
int64_t NumberOrInvalid(std::string_view piece) { return ParseDecimal(piece).value_or(-1); }

// Parity letter: its position in "NOEMS" (case-sensitive) minus 1, so anything else is -1.
int64_t ParityCode(std::string_view piece) {
    static constexpr std::string_view letters = "NOEMS";
    if (piece.empty()) return -1;
    const size_t pos = letters.find(piece.front());
    return pos == std::string_view::npos ? -1 : int64_t(pos);
}

void ParseOption(std::string_view piece, OpenText &out) {
    if (piece.substr(0, 3) == "IGP") {
        out.ignoreParity = true;
        out.settings.parityCheck = false;
    } else if (piece.substr(0, 2) == "TO") {
        const auto ms = ParseDecimal(piece.substr(2));
        if (ms && *ms >= 0 && *ms <= int64_t(UINT32_MAX)) out.receiveTimeoutMs = *ms;
        else out.badTimeout = true;
    }
    // Any other piece ("BIN", "T0700") carries nothing for this driver.
}

} // namespace

OpenText ParseOpenText(std::string_view text) {
    OpenText out;
    out.settings.parityCheck = true;
    const size_t netName = NetworkNameLength(text);  // "tcp://HOST:PORT" holds colons of its own
    const size_t colon = text.find(':', netName);
    if (colon == std::string_view::npos) return out;
    out.hasColon = true;
    out.portTooLong = colon > kMaxPiece;
    out.port = std::string(text.substr(0, std::min(colon, kMaxPiece)));
    std::string_view rest = text.substr(colon + 1);
    if (!rest.empty()) out.settings.baud = NumberOrInvalid(NextPiece(rest));
    if (!rest.empty()) out.settings.parity = ParityCode(NextPiece(rest));
    if (!rest.empty()) out.settings.dataBits = NumberOrInvalid(NextPiece(rest));
    if (!rest.empty()) {
        const int64_t stop = NumberOrInvalid(NextPiece(rest));
        out.settings.stopCode = stop < 0 ? -1 : stop - 1;
    }
    while (!rest.empty()) ParseOption(NextPiece(rest), out);
    return out;
}

} // namespace linqor
