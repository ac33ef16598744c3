#include "devsim/QT700MRegisters.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace devsim {

namespace {

std::optional<long long> Hex(const std::string &text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    return std::stoll(text, nullptr, 16);
}

// Mantissa digits followed by a signed hexadecimal exponent byte: "2710FD" = 10000 x 10^-3.
std::optional<double> Decode(const std::string &text, std::size_t digits) {
    if (text.size() < digits + 2) return std::nullopt;
    const auto mantissa = Hex(text.substr(0, digits));
    auto exponent = Hex(text.substr(digits, 2));
    if (!mantissa || !exponent) return std::nullopt;
    if (*exponent >= 128) *exponent -= 256;
    return static_cast<double>(*mantissa) * std::pow(10.0, static_cast<double>(*exponent));
}

std::string EncodeSlope(double v) {
    for (int e = -9; e <= 9; ++e) {
        const double m = std::round(v / std::pow(10.0, e));
        if (m <= 4294967295.0) {
            char b[16];
            std::snprintf(b, sizeof b, "%08llX%02X", static_cast<unsigned long long>(m), e & 0xFF);
            return b;
        }
    }
    return "FFFFFFFF09";
}

} // namespace

Reply WriteMemoryPartition(DeviceState &state, const std::string &value) {
    if (value == "FFFFFF") {
        long long total = 0;
        for (auto &ch : state.channels) total += Hex(ch.registers["1401"]).value_or(0);
        if (total != Hex(state.registers["0400"]).value_or(-1)) return Reply::No(RefBadValue);
        state.registers["2810"] = value;
        return Reply::Ok();
    }
    const auto share = value.size() == 6 && value[0] == '0' ? Hex(value.substr(2)) : std::nullopt;
    const int channel = value.size() == 6 ? value[1] - '0' : -1;
    if (!share || channel < 0 || channel >= static_cast<int>(state.channels.size())) return Reply::No(RefBadValue);
    state.channels[static_cast<std::size_t>(channel)].registers["1401"] = value.substr(2);
    state.registers["2810"] = value;
    return Reply::Ok();
}

Reply ComputeSensorScaling(ChannelState &channel) {
    auto &r = channel.registers;
    const auto maximum = Decode(r["3010"], 4), lower = Decode(r["3810"], 4), higher = Decode(r["3811"], 4);
    if (!maximum || !lower || !higher || *maximum <= 0 || *higher < *lower) return Reply::No(RefBadValue);
    r["3011"] = r["3810"].substr(0, 6);
    r["3012"] = EncodeSlope((*higher - *lower) / *maximum);
    return Reply::Ok();
}

} // namespace devsim
