#include "devsim/ProcessData.h"

#include "devsim/DeviceModel.h"

#include <cstdio>

namespace devsim {

unsigned ByteSum(const std::string &text) {
    unsigned sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    return sum & 0xFFFF;
}

namespace {

// NX-17: "NX-17 hh:mm:ss" then blank-separated values; the first ":" sits at position 9.
std::string Nx17Answer(std::time_t now, int n) {
    std::tm tm{};
    localtime_r(&now, &tm);
    char b[96];
    std::snprintf(b, sizeof b, "NX-17 %02d:%02d:%02d %.1f %.1f %.2f %.2f %.2f %.3f %.3f %.4f 00000000\r",
                  tm.tm_hour, tm.tm_min, tm.tm_sec, 12345.6 + n, 23456.7 + n, 1.25, 2.50, 15.20, 1.013, 0.998, 0.9987);
    return b;
}

// P67: "/ZQV" header padded so that the data begin 54 characters after "ZQV"; fields separated by ",":
// time stamp, volumes, temperature in kelvin, pressure, factors, status, two flow rates.
std::string P67Answer(const TypeInfo &type, std::time_t now, int n, bool corrupt, const std::string &status) {
    std::string head = "/ZQV" + type.name + " " + std::to_string(type.ident);
    std::string text = head.substr(0, 1);
    std::string fromZ = head.substr(1);
    fromZ.resize(54, ' ');
    text += fromZ;
    char b[160];
    std::snprintf(b, sizeof b, "%s,%07dD-1,%07dD-1,%05dD-2,%05dD-3,%05dD-4,%05dD-4,%s,%05dD-2,%05dD-2,",
                  FormatDeviceTime(now).c_str(), 1234560 + n, 2345670 + n, 28815 + n % 10, 1013 + n % 5, 9980,
                  10150, status.c_str(), 1250 + n % 7, 1500 + n % 3);
    text += b;
    text += '%';
    unsigned sum = ByteSum(text);
    if (type.typeCode == 92) sum = (sum - 2) & 0xFFFF;  // this family counts its own sum two lower
    if (corrupt) sum = (sum + 1) & 0xFFFF;
    char ck[8];
    std::snprintf(ck, sizeof ck, "%04X", sum);
    return text + ck + "\r\n\r\n";
}

} // namespace

std::string ProcessAnswer(const TypeInfo &type, const std::string &command, std::time_t now, int n,
                          bool corruptChecksum, const std::string &status) {
    if (!type.hasProcessData) return {};
    if (type.typeCode == 91) {
        const std::string expected = type.version < 40 ? "P55" : "P56";
        return command == expected ? Nx17Answer(now, n) : std::string{};
    }
    return command == "P67" ? P67Answer(type, now, n, corruptChecksum, status) : std::string{};
}

} // namespace devsim
