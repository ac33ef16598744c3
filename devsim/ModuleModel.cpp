#include "devsim/ModuleModel.h"

#include <cstdio>

namespace devsim {

std::string Pad(const std::string &text, std::size_t width) {
    std::string s = text.substr(0, width);
    s.resize(width, ' ');
    return s;
}

namespace {
std::string ChannelRecord(int r, int typeCode, int version) {
    char b[64];
    // position 1 unused, designation (30), type code, version digits, switch, CTS, protocol, baud, parity,
    // data bits, stop bits, time-out
    std::snprintf(b, sizeof b, " %s%02d%d%d10D09600E713", Pad("Channel " + std::to_string(r), 30).c_str(),
                  r == 1 ? typeCode : 0, r == 1 ? version / 10 : 0, r == 1 ? version % 10 : 0);
    return b;
}
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
        h += ChannelRecord(r, o.endDeviceTypeCode, o.endDeviceVersion);
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
    (void)now;
}

Reply ModuleModel::Read(uint8_t item, std::time_t now) {
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    if (item == 'g') return Reply::Text(FormatDeviceTime(now + clockOffset_));
    auto it = items_.find(item);
    return it == items_.end() ? Reply::No(RefUnknownItem) : Reply::Text(it->second);
}

// Replaces record r (the value's first digit, 1..4) of item readKey with the rest of the value.
Reply ModuleModel::WriteRecord(uint8_t readKey, std::size_t recordLength, const std::string &value) {
    if (value.empty() || value[0] < '1' || value[0] > '4') return Reply::No(RefBadValue);
    const std::size_t r = static_cast<std::size_t>(value[0] - '1');
    std::string &item = items_[readKey];
    item.resize(4 * recordLength, ' ');
    const bool firstUnused = readKey == 'h' || readKey == 'j';
    const std::size_t at = r * recordLength + (firstUnused ? 1 : 0);
    const std::string rest = value.substr(1, recordLength - (firstUnused ? 1 : 0));
    item.replace(at, rest.size(), rest);
    return Reply::Ok();
}

Reply ModuleModel::Write(uint8_t item, const std::string &value, std::time_t now) {
    if (!signedOn_) return Reply::No(RefNotSignedOn);
    switch (item) {
    case 'A': {
        const int hq = value.empty() ? 0 : value[0] - '0';
        if (hq < 1 || hq > 4 || Pad(value.substr(1), 8) != Pad(o_.hqPasswords[static_cast<std::size_t>(hq - 1)], 8))
            return Reply::No(RefWrongCode);
        hq_ = hq;
        return Reply::Ok();
    }
    case 'B': {
        const int hq = value.empty() ? 0 : value[0] - '0';
        if (hq_ != 1) return Reply::No(RefNoAccess);
        if (hq < 1 || hq > 4) return Reply::No(RefBadValue);
        o_.hqPasswords[static_cast<std::size_t>(hq - 1)] = Pad(value.substr(1), 8);
        return Reply::Ok();
    }
    case 'K':
        access_ = Pad(value, 8) == Pad(o_.accessCode, 8);
        return access_ ? Reply::Ok() : Reply::No(RefWrongCode);
    case 'L':
        if (!access_) return Reply::No(RefNoAccess);
        o_.accessCode = Pad(value, 8);
        return Reply::Ok();
    case 'C': items_['c'] = std::string(12 - std::min<std::size_t>(12, value.size()), '0') + value.substr(0, 12); return Reply::Ok();
    case 'D': items_['d'] = Pad(value, 30); return Reply::Ok();
    case 'E': items_['e'] = "0"; return Reply::Ok();
    case 'F': items_['f'] = "000000"; return Reply::Ok();
    case 'G': {
        std::time_t t;
        if (!ParseDeviceTime(value, t)) return Reply::No(RefBadValue);
        clockOffset_ = static_cast<int64_t>(t - now);
        return Reply::Ok();
    }
    case 'H': return WriteRecord('h', 47, value);
    case 'I': if (value.size() != 32) return Reply::No(RefBadValue); items_['i'] = value; return Reply::Ok();
    case 'J': return WriteRecord('j', 56, value);
    case 'N':
        if (value.size() != 1 || value[0] < '1' || value[0] > '4') return Reply::No(RefBadValue);
        passThrough_ = value[0] - '0';
        return Reply::Ok();
    case 'O':
        if (value.size() != 2 || value[0] < '1' || value[0] > '4') return Reply::No(RefBadValue);
        items_['l'][static_cast<std::size_t>(value[0] - '1')] = value[1];
        return Reply::Ok();
    case 'P': return WriteRecord('n', 53, value);
    case 'Q': return WriteRecord('o', 51, value);
    case 'M': case 'R': case 'S': case 'T': return Reply::Ok();
    default: return Reply::No(RefUnknownItem);
    }
}

} // namespace devsim
