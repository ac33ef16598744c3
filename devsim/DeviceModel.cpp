#include "devsim/DeviceModel.h"

#include "devsim/QT700MRegisters.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace devsim {

namespace {

std::string Fmt(const char *f, long long v) {
    char b[32];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

bool AllOf(const std::string &s, int (*pred)(int)) {
    return std::all_of(s.begin(), s.end(), [&](char c) { return pred(static_cast<unsigned char>(c)) != 0; });
}
int IsUpperHex(int c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); }

// How a written value is checked: exact length and the kind of its characters.
enum class Kind { Digits, Chars, Hex, DayTime, Period, CpCode, Alarm, Clock, Free };

struct WriteRule {
    uint8_t code;
    uint8_t key;        // item under which the value is read back
    std::size_t length; // exact length (Free: at most)
    Kind kind;
    bool needsAccess;
    bool lockable;      // refused with 4 on devices with the value lock
    bool perChannel;
};

const WriteRule Rules[] = {
    {'{', 'z', 12, Kind::Clock, true, false, false},
    {'f', 'e', 12, Kind::Chars, false, false, false},
    {'m', 'l', 12, Kind::Digits, true, false, true},
    {'k', 'j', 12, Kind::Digits, true, false, true},
    {'i', 'h', 12, Kind::Digits, true, false, true},
    {'_', '^', 12, Kind::Chars, true, false, true},
    {'u', 't', 8, Kind::Digits, true, false, true},
    {']', '\\', 4, Kind::DayTime, true, true, false},
    {'q', 'p', 2, Kind::Period, true, true, true},
    {'o', 'n', 2, Kind::CpCode, true, true, true},
    {'S', 'R', 8, Kind::Hex, true, false, true},
    {'X', 'W', 8, Kind::Alarm, true, false, true},
    {'[', 'Z', 21, Kind::Free, true, false, false},
    {'O', 'N', 4, Kind::DayTime, true, false, false},
    {'Q', 'P', 4, Kind::DayTime, true, false, false},
    {'B', 'A', 8, Kind::Hex, true, false, false},
};

const WriteRule *FindRule(uint8_t code) {
    for (const auto &r : Rules)
        if (r.code == code) return &r;
    return nullptr;
}

bool ValueMatches(const WriteRule &r, const std::string &v) {
    if (r.kind == Kind::Free) return v.size() <= r.length;
    if (v.size() != r.length) return false;
    switch (r.kind) {
    case Kind::Digits: return AllOf(v, [](int c) { return std::isdigit(c); });
    case Kind::Chars: return true;
    case Kind::Hex: return AllOf(v, IsUpperHex);
    case Kind::DayTime:
        return AllOf(v, [](int c) { return std::isdigit(c); }) && std::stoi(v.substr(0, 2)) < 24 &&
               std::stoi(v.substr(2, 2)) < 60;
    case Kind::Period: return AllOf(v, [](int c) { return std::isdigit(c); }) && std::stoi(v) >= 1;
    case Kind::CpCode: return v == "99" || (v[0] == '0' && v[1] >= '0' && v[1] <= '4');
    case Kind::Alarm:
        return (v.compare(0, 2, "00") == 0 || v.compare(0, 2, "20") == 0 || v.compare(0, 2, "80") == 0) &&
               AllOf(v.substr(2), [](int c) { return std::isdigit(c); });
    case Kind::Clock: { std::time_t t; return ParseDeviceTime(v, t); }
    case Kind::Free: break;
    }
    return true;
}

std::string StripCode(std::string code) {
    while (!code.empty() && code.back() == '\0') code.pop_back();
    return code;
}

// Registers that every channel has on its own.
bool ChannelRegister(const std::string &a) {
    return a == "1401" || a == "3001" || a.compare(0, 3, "301") == 0 || a.compare(0, 3, "381") == 0;
}

const uint8_t RegAddress = 61, RegValue = 60, RegWrite = 62, RegAddressBack = 64;

} // namespace

std::string FormatDeviceTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char b[64];
    std::snprintf(b, sizeof b, "%02d%02d%02d%02d%02d%02d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return b;
}

bool ParseDeviceTime(const std::string &text, std::time_t &t) {
    if (text.size() != 12 || !AllOf(text, [](int c) { return std::isdigit(c); })) return false;
    auto two = [&](int i) { return std::stoi(text.substr(static_cast<std::size_t>(i), 2)); };
    std::tm tm{};
    tm.tm_year = 100 + two(0);
    tm.tm_mon = two(2) - 1;
    tm.tm_mday = two(4);
    tm.tm_hour = two(6);
    tm.tm_min = two(8);
    tm.tm_sec = two(10);
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
        tm.tm_min > 59 || tm.tm_sec > 59)
        return false;
    std::tm check = tm;
    t = std::mktime(&check);
    return t != static_cast<std::time_t>(-1) && check.tm_mday == tm.tm_mday;
}

DeviceModel::DeviceModel(const TypeInfo &type, const ModelOptions &options, std::time_t now)
    : type_(type), options_(options) {
    state_.accessCode = options.accessCode;
    InitItems(now);
    for (int c = 0; c < type_.channels; ++c) {
        InitChannel(c);
        if (auto it = options_.customerNumbers.find(c); it != options_.customerNumbers.end())
            state_.channels[static_cast<std::size_t>(c)].items['h'] = it->second;
        ArchiveSpec spec = options_.archive;
        spec.seed = options_.archive.seed + static_cast<uint32_t>(c);
        state_.channels[static_cast<std::size_t>(c)].archive = Archive(spec, now);
    }
    long long total = 0;
    for (auto &ch : state_.channels) {
        // The register path gives the size as share x 102 - 256, so the share is rounded up.
        const long long share = (ch.archive.SizeBytes() + 256 + 101) / 102;
        ch.registers["1401"] = Fmt("%04llX", share);
        total += share;
    }
    state_.registers["0400"] = Fmt("%04llX", total);
}

void DeviceModel::InitItems(std::time_t now) {
    auto &g = state_.items;
    g['e'] = "SERVICE     ";
    g['g'] = FormatDeviceTime(now - 86400);
    g['\\'] = "0600";
    g['Z'] = "0000000080C0";
    g['N'] = "0600";
    g['P'] = "2200";
    g['A'] = "00000000";
    state_.registers = {{"0001", "00"}, {"2009", "01"}, {"2810", "00"}, {"8801", "00"}};
    state_.channels.resize(static_cast<std::size_t>(type_.channels));
}

void DeviceModel::InitChannel(int c) {
    auto &ch = state_.channels[static_cast<std::size_t>(c)];
    static const char *const Units[] = {"m3          ", "m3          ", "bar         ", "K           "};
    static const char *const Quantities[] = {"VX", "VZ", "aa", "bb"};
    auto &it = ch.items;
    it['l'] = Fmt("%012lld", 4711000 + c + 1);
    it['j'] = Fmt("%012lld", 815000 + c + 1);
    it['h'] = Fmt("%012lld", 1000 + c + 1);
    it['^'] = Units[c % 4];
    it['t'] = Fmt("%08lld", 1234 + 100 * c);
    it['s'] = Fmt("%08lld", 98765 + 1000 * c);
    it['|'] = Fmt("%08lld", 1000 + 10 * c);
    it['r'] = "0000";
    it['p'] = "60";
    it['n'] = "02";
    it['V'] = type_.isCorrector ? std::string(c == 0 ? "VZ" : "VX") : Quantities[c % 4];
    it['R'] = "0003E8FE";
    it['T'] = "100000000001";
    it['W'] = "20000500";
    ch.registers = {{"3001", c < 2 ? "000000000041" : "000000000000"},
                    {"3010", "2710FD"}, {"3011", "0000FD"}, {"3012", "000003E8FD"},
                    {"3810", "0000FD"}, {"3811", "2710FD"}, {"3812", "00"}};
    if (c == 3) {
        // The temperature sensor channel of a QT-700/M: tenths of a kelvin, 0 to 60 degrees C.
        ch.registers["3010"] = "0D04FF";
        ch.registers["3011"] = "0000FF";
        ch.registers["3012"] = "0000000AFF";
        ch.registers["3810"] = "0AACFF";
        ch.registers["3811"] = "0D04FF";
    }
}

std::string DeviceModel::ClockText(std::time_t now) const { return FormatDeviceTime(now + state_.clockOffset); }

std::string DeviceModel::ArchiveSizeText(const ChannelState &ch) const {
    const long long size = ch.archive.SizeBytes();
    if (type_.typeCode == 94) return Fmt("%04llX", size);
    if (size + 256 > 0xFFFE) return "FFFF";
    return Fmt("%04llX", size + 256);
}

// A channel chosen through register 0001 since the last sign-on wins; otherwise a sign-on soon after a
// sign-off steps to the next channel. Register 0001 then reads the channel in use.
Reply DeviceModel::SignOn(int64_t nowMs) {
    const bool reconnect = lastSignOffMs_ >= 0 && nowMs - lastSignOffMs_ < options_.reconnectWindowMs;
    if (pendingChannel_ >= 0) state_.channel = pendingChannel_;
    else if (reconnect && type_.channels > 1) state_.channel = (state_.channel + 1) % type_.channels;
    pendingChannel_ = -1;
    state_.registers["0001"] = Fmt("%02llX", state_.channel);
    signedOn_ = true;
    writeAccess_ = false;
    recordPointer_ = 0;
    return Reply::Ok();
}

Reply DeviceModel::SignOff(int64_t nowMs, std::time_t now) {
    if (signedOn_) state_.items['g'] = ClockText(now);
    signedOn_ = false;
    writeAccess_ = false;
    lastSignOffMs_ = nowMs;
    return Reply::Ok();
}

bool DeviceModel::Readable(uint8_t item) const {
    if (type_.letters.find(static_cast<char>(item)) != std::string::npos) return true;
    if (item == RegValue || item == RegAddressBack || item == 'x') return true;
    if (type_.hasConfigString && (item == 'Z' || item == 'N' || item == 'P')) return true;
    return item == 'A';
}

Reply DeviceModel::Read(uint8_t item, std::time_t now) {
    if (const int code = options_.refused.Check(item)) return Reply::No(code);
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    if (!Readable(item)) return Reply::No(RefUnknownItem);
    ChannelState &ch = Current();
    switch (item) {
    case 'a': return Reply::Text(options_.identAnswer.empty() ? Fmt("%04lld", type_.ident) : options_.identAnswer);
    case 'z': return Reply::Text(ClockText(now));
    case 'Y': return Reply::Text("0" + std::to_string(state_.channel));
    case 'b': recordPointer_ = 0; return Reply::Text(ArchiveSizeText(ch));
    case 'x':
        if (recordPointer_ >= ch.archive.Records()) return Reply::No(RefNoMoreData);
        return Reply::Text(ch.archive.Record(recordPointer_++));
    case RegValue: return ReadRegister();
    case RegAddressBack: return Reply::Text(selectedRegister_);
    default: break;
    }
    if (auto it = ch.items.find(item); it != ch.items.end()) return Reply::Text(it->second);
    if (auto it = state_.items.find(item); it != state_.items.end()) return Reply::Text(it->second);
    return Reply::No(RefUnknownItem);
}

std::string *DeviceModel::RegisterSlot(const std::string &address, bool create) {
    auto &map = ChannelRegister(address) ? Current().registers : state_.registers;
    auto it = map.find(address);
    if (it != map.end()) return &it->second;
    return create ? &map[address] : nullptr;
}

Reply DeviceModel::ReadRegister() {
    std::string *slot = RegisterSlot(selectedRegister_, false);
    return slot ? Reply::Text(*slot) : Reply::No(RefUnknownItem);
}

Reply DeviceModel::WriteRegister(const std::string &value) {
    if (selectedRegister_.empty()) return Reply::No(RefUnknownItem);
    // Choosing the channel (register 0001) is open to everyone: the program selects the channel before it
    // sends the access code. Every other register needs write access.
    if (!writeAccess_ && selectedRegister_ != "0001") return Reply::No(RefNoAccess);
    if (value.empty() || value.size() > 16 || !AllOf(value, IsUpperHex)) return Reply::No(RefBadValue);
    const std::string &a = selectedRegister_;
    if (a == "8801") {
        if (type_.valueLock && options_.valueLock) return Reply::No(RefLocked);
        if (value == "01")
            for (auto &ch : state_.channels) ch.archive.Clear();
        return Reply::Ok();
    }
    if (a == "0001") {
        // Up to 16 hex digits: beyond what an int holds, so the comparison is made unsigned.
        const unsigned long long channel = std::stoull(value, nullptr, 16);
        if (channel >= static_cast<unsigned long long>(type_.channels)) return Reply::No(RefBadValue);
        pendingChannel_ = static_cast<int>(channel);
    }
    if (type_.typeCode == 42 && a == "2810") return WriteMemoryPartition(state_, value);
    if (a == "3812" && value == "01") {
        // The device derives offset and slope from the lower and higher values written before.
        if (Reply r = ComputeSensorScaling(Current()); r.kind == Reply::Refuse) return r;
    }
    *RegisterSlot(a, true) = value;
    return Reply::Ok();
}

Reply DeviceModel::Write(uint8_t item, const std::string &value, std::time_t now) {
    if (const int code = options_.refused.Check(item)) return Reply::No(code);
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    switch (item) {
    case 'c': {
        const std::string code = StripCode(value);
        writeAccess_ = !code.empty() && code == state_.accessCode;
        return writeAccess_ ? Reply::Ok() : Reply::No(RefWrongCode);
    }
    case 'd':
        if (!writeAccess_) return Reply::No(RefNoAccess);
        if (StripCode(value).empty() || value.size() > 8) return Reply::No(RefBadValue);
        state_.accessCode = StripCode(value);
        return Reply::Ok();
    case '~':
        if (value.size() != 2 || !AllOf(value, IsUpperHex)) return Reply::No(RefBadValue);
        if (!type_.hasArchive) return Reply::No(RefUnknownItem);
        Current().archive.AddCodeMark(std::stoi(value, nullptr, 16));
        return Reply::Ok();
    case RegAddress:
        if (value.size() != 4) return Reply::No(RefBadValue);
        selectedRegister_ = value;
        return Reply::Ok();
    case RegWrite: return WriteRegister(value);
    default: return WriteCommon(item, value, now);
    }
}

Reply DeviceModel::WriteCommon(uint8_t item, const std::string &value, std::time_t now) {
    const WriteRule *r = FindRule(item);
    if (!r) return Reply::No(Readable(item) ? RefReadOnly : RefUnknownItem);
    if ((r->key == 'Z' || r->key == 'N' || r->key == 'P') && !type_.hasConfigString) return Reply::No(RefUnknownItem);
    if (r->needsAccess && !writeAccess_) return Reply::No(RefNoAccess);
    if (r->lockable && type_.valueLock && options_.valueLock) return Reply::No(RefLocked);
    if (!ValueMatches(*r, value)) return Reply::No(RefBadValue);
    if (r->kind == Kind::Clock) {
        std::time_t t;
        ParseDeviceTime(value, t);
        state_.clockOffset = static_cast<int64_t>(t - now);
        return Reply::Ok();
    }
    (r->perChannel ? Current().items : state_.items)[r->key] = value;
    return Reply::Ok();
}

} // namespace devsim
