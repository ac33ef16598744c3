#include "devsim/ModuleModel.h"

#include <algorithm>
#include <cstdio>

namespace devsim {

std::string Pad(const std::string &text, std::size_t width) {
    std::string s = text.substr(0, width);
    s.resize(width, ' ');
    return s;
}

namespace {

constexpr std::size_t kChannelLength = 47, kEventLength = 43;

std::string ChannelRecord(int r, int ident) {
    char b[64];
    // position 1 unused, designation (30), type code, version digits, switch, CTS, protocol, baud, parity,
    // data bits, stop bits, time-out
    const int code = ident / 100, version = ident % 100;
    std::snprintf(b, sizeof b, " %s%02d%d%d10D09600E713", Pad("Channel " + std::to_string(r), 30).c_str(), code,
                  version / 10, version % 10);
    return b;
}

bool AllDigits(const std::string &s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The unit digit "1".."4" as 0..3, or -1.
int UnitIndex(char c) { return c >= '1' && c <= '4' ? c - '1' : -1; }

} // namespace

ModuleModel::ModuleModel(const ModuleOptions &o, int ident, std::time_t now) : o_(o) {
    items_['a'] = std::to_string(ident);
    items_['b'] = "0060CLM-300 ";
    items_['c'] = "000000300001";
    items_['d'] = Pad("Station one", 30);
    items_['e'] = "0";
    items_['f'] = "012345";
    std::string h, j, m, n, ob;
    for (int r = 1; r <= 4; ++r) {
        h += ChannelRecord(r, o.channelIdents[std::size_t(r - 1)]);
        j += " " + Pad("Headquarters " + std::to_string(r), 30) + Pad(r == 1 ? "0123456789" : "", 25);
        m += "low   low  high 240101080000240102090000001";
        n += "1low  undefhigh break00" + Pad("Input " + std::to_string(r), 30);
        ob += "0" + Pad("", 20) + Pad("Receiver " + std::to_string(r), 30);
    }
    items_['h'] = h;
    // baud, parity, data bits, stop bits, three time-outs, attempts, cycle minutes, rings, two call
    // windows, dialling method
    items_['i'] = std::string("09600") + "E81" + "353" + "3" + "10" + "2" + "0000" + "2359" + "0000" + "0000" + "T";
    items_['j'] = j;
    items_['k'] = "";
    items_['l'] = "0000";
    items_['m'] = m;
    items_['n'] = n;
    items_['o'] = ob;
    for (std::size_t i = 0; i < 4; ++i) extra_["hq" + std::to_string(i + 1)] = Pad(o.hqPasswords[i], 8);
    extra_["accessCode"] = Pad(o.accessCode, 8);
    extra_["rtcCorrection"] = "+000000";
    extra_["faxMessages"] = "003000001000";
    extra_["faxTests"] = "000000000000";
    (void)now;
}

Reply ModuleModel::Read(uint8_t item, std::time_t now) {
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    if (const int code = o_.refused.Check(item)) return Reply::No(code);
    if (item == 'g') return Reply::Text(FormatDeviceTime(now + clockOffset_));
    auto it = items_.find(item);
    return it == items_.end() ? Reply::No(RefUnknownItem) : Reply::Text(it->second);
}

// Replaces record r (the value's first digit, 1..4) of item readKey with the rest of the value.
Reply ModuleModel::WriteRecord(uint8_t readKey, std::size_t recordLength, const std::string &value) {
    if (value.empty() || UnitIndex(value[0]) < 0) return Reply::No(RefBadValue);
    const std::size_t r = static_cast<std::size_t>(UnitIndex(value[0]));
    std::string &item = items_[readKey];
    item.resize(4 * recordLength, ' ');
    const bool firstUnused = readKey == 'h' || readKey == 'j';
    const std::size_t at = r * recordLength + (firstUnused ? 1 : 0);
    const std::string rest = value.substr(1, recordLength - (firstUnused ? 1 : 0));
    item.replace(at, rest.size(), rest);
    return Reply::Ok();
}

// "H": channel digit, designation (30), baud (5), parity, data bits, stop bits, time-out, protocol; the
// read record keeps the end device's type, version, switch and CTS and orders the rest its own way.
Reply ModuleModel::WriteChannel(const std::string &value) {
    if (value.size() != 41 || UnitIndex(value[0]) < 0 || !AllDigits(value.substr(31, 5))) return Reply::No(RefBadValue);
    const char parity = value[36], data = value[37], stop = value[38], timeout = value[39], protocol = value[40];
    if (std::string("NEO").find(parity) == std::string::npos || (data != '7' && data != '8') ||
        (stop != '1' && stop != '2') || timeout < '1' || timeout > '9' || (protocol != 'D' && protocol != 'A'))
        return Reply::No(RefBadValue);
    std::string &h = items_['h'];
    h.resize(4 * kChannelLength, ' ');
    std::string rec = h.substr(std::size_t(UnitIndex(value[0])) * kChannelLength, kChannelLength);
    rec.replace(1, 30, value.substr(1, 30));
    rec[37] = protocol;
    rec.replace(38, 5, value.substr(31, 5));
    rec[43] = parity;
    rec[44] = data;
    rec[45] = stop;
    rec[46] = timeout;
    h.replace(std::size_t(UnitIndex(value[0])) * kChannelLength, kChannelLength, rec);
    return Reply::Ok();
}

// "S": "0" all inputs or "1".."4": the event counter and the event times of the input(s) start again.
Reply ModuleModel::ResetEvents(const std::string &value) {
    if (value.size() != 1 || (value[0] != '0' && UnitIndex(value[0]) < 0)) return Reply::No(RefBadValue);
    std::string &m = items_['m'];
    m.resize(4 * kEventLength, ' ');
    for (int r = 0; r < 4; ++r) {
        if (value[0] != '0' && UnitIndex(value[0]) != r) continue;
        m.replace(std::size_t(r) * kEventLength + 16, 27, std::string(24, '0') + "000");
    }
    return Reply::Ok();
}

// "T" resets the message counters ("0" all, "1".."4" one); "R" counts a test call to one receiver.
Reply ModuleModel::CountPerReceiver(const char *key, const std::string &value, bool reset) {
    if (value.size() != 1 || (!(reset && value[0] == '0') && UnitIndex(value[0]) < 0)) return Reply::No(RefBadValue);
    std::string &counters = extra_[key];
    counters.resize(12, '0');
    for (int r = 0; r < 4; ++r) {
        if (value[0] != '0' && UnitIndex(value[0]) != r) continue;
        const int next = reset ? 0 : (std::stoi(counters.substr(std::size_t(r) * 3, 3)) + 1) % 1000;
        char b[8];
        std::snprintf(b, sizeof b, "%03d", next);
        counters.replace(std::size_t(r) * 3, 3, b);
    }
    return Reply::Ok();
}

// "A" login, "B" new headquarters password (headquarters 1 with the module access code), "K" module
// access code, "L" new module access code (after "K").
Reply ModuleModel::WriteLogin(uint8_t item, const std::string &value) {
    const int hq = value.empty() ? -1 : UnitIndex(value[0]);
    switch (item) {
    case 'A':
        if (hq < 0 || Pad(value.substr(1), 8) != extra_["hq" + std::to_string(hq + 1)]) return Reply::No(RefWrongCode);
        hq_ = hq + 1;
        return Reply::Ok();
    case 'B':
        if (hq_ != 1 || !access_) return Reply::No(RefNoAccess);
        if (hq < 0 || value.size() != 9) return Reply::No(RefBadValue);
        extra_["hq" + std::to_string(hq + 1)] = value.substr(1);
        return Reply::Ok();
    case 'K':
        access_ = value.size() == 8 && value == extra_["accessCode"];
        return access_ ? Reply::Ok() : Reply::No(RefWrongCode);
    default:  // 'L'
        if (!access_) return Reply::No(RefNoAccess);
        if (value.size() != 8) return Reply::No(RefBadValue);
        extra_["accessCode"] = value;
        return Reply::Ok();
    }
}

// The settings and maintenance commands "C".."T" (not "K", "L", "N"); all need the module access code.
Reply ModuleModel::WriteSetting(uint8_t item, const std::string &value, std::time_t now) {
    if (!access_) return Reply::No(RefNoAccess);
    switch (item) {
    case 'C':
        if (value.size() != 12) return Reply::No(RefBadValue);
        items_['c'] = value;
        return Reply::Ok();
    case 'D': items_['d'] = Pad(value, 30); return Reply::Ok();
    case 'E': if (value != "0") return Reply::No(RefBadValue); items_['e'] = "0"; return Reply::Ok();
    case 'F': if (value != "000000") return Reply::No(RefBadValue); items_['f'] = "000000"; return Reply::Ok();
    case 'G': {
        std::time_t t;
        if (!ParseDeviceTime(value, t)) return Reply::No(RefBadValue);
        clockOffset_ = static_cast<int64_t>(t - now);
        return Reply::Ok();
    }
    case 'H': return WriteChannel(value);
    case 'I': if (value.size() != 32) return Reply::No(RefBadValue); items_['i'] = value; return Reply::Ok();
    case 'J': return value.size() == 56 ? WriteRecord('j', 56, value) : Reply::No(RefBadValue);
    case 'M':
        if (value.size() != 7 || (value[0] != '+' && value[0] != '-') || !AllDigits(value.substr(1)))
            return Reply::No(RefBadValue);
        extra_["rtcCorrection"] = value;
        return Reply::Ok();
    case 'O':
        if (value.size() != 2 || UnitIndex(value[0]) < 0 || (value[1] != '0' && value[1] != '1'))
            return Reply::No(RefBadValue);
        items_['l'].resize(4, '0');
        items_['l'][std::size_t(UnitIndex(value[0]))] = value[1];
        return Reply::Ok();
    case 'P': return value.size() == 54 ? WriteRecord('n', 53, value) : Reply::No(RefBadValue);
    case 'Q': return value.size() == 52 ? WriteRecord('o', 51, value) : Reply::No(RefBadValue);
    case 'R': return CountPerReceiver("faxTests", value, false);
    case 'S': return ResetEvents(value);
    case 'T': return CountPerReceiver("faxMessages", value, true);
    default: return Reply::No(RefUnknownItem);
    }
}

Reply ModuleModel::Write(uint8_t item, const std::string &value, std::time_t now) {
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    if (const int code = o_.refused.Check(item)) return Reply::No(code);
    switch (item) {
    case 'A': case 'B': case 'K': case 'L': return WriteLogin(item, value);
    case 'N': {
        const int r = value.size() == 1 ? UnitIndex(value[0]) : -1;
        // Only a channel with an end device behind it can be switched through.
        if (r < 0 || o_.channelIdents[std::size_t(r)] == 0) return Reply::No(RefBadValue);
        passThrough_ = r + 1;
        return Reply::Ok();
    }
    default: return WriteSetting(item, value, now);
    }
}

} // namespace devsim
