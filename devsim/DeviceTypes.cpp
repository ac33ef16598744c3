#include "devsim/DeviceTypes.h"

namespace devsim {
namespace {

const char *const BaseLetters = "abzegljh^tsr\\p|n";

// Suffix letters and flags by type code; mirrors what the device family answers.
void FillByCode(TypeInfo &t) {
    const int c = t.typeCode, v = t.version;
    auto v3 = [&](const char *lt32, const char *eq32, const char *gt32) {
        return std::string(v < 32 ? lt32 : v == 32 ? eq32 : gt32);
    };
    std::string suffix;
    if (c >= 1 && c <= 4) { t.name = "QT-700/N"; }
    else if (c >= 11 && c <= 13) { t.name = "QT-700/B"; suffix = v < 23 ? "" : "V"; t.valueLock = v >= 30; }
    else if (c >= 21 && c <= 23) { t.name = "QT-700/V"; t.channels = 4; suffix = v3("YW", "YVW", "YVRW"); t.hasConfigString = true; }
    else if (c == 24) { t.name = "QT-700/V2"; t.channels = 4; suffix = v3("YW", "YVW", "YVRW"); t.valueLock = v >= 60; t.selectByCommand = true; t.hasConfigString = true; }
    else if (c == 25) { t.name = "QT-700/V3"; t.channels = 4; suffix = v3("Y", "YV", "YVR"); }
    else if (c == 31) { t.name = "QT-700/E"; t.channels = 4; suffix = v < 11 ? "YV" : "YVR"; }
    else if (c == 41) { t.name = "QT-700/A"; t.channels = 4; suffix = "YV"; t.hasConfigString = true; }
    else if (c == 42) { t.name = "QT-700/M"; t.channels = 8; suffix = "YVRTW"; t.selectByCommand = true; t.hasConfigString = true; }
    else if (c == 84) { t.name = "KP-40/T"; t.channels = 2; suffix = "YVT"; t.hasArchive = false; }
    else if (c == 89) { t.name = "NX-18SPEC"; t.channels = 4; suffix = "YTVR"; t.isCorrector = t.hasProcessData = true; }
    else if (c == 90) { t.name = "NX-16"; t.channels = 4; suffix = "YTVR"; t.isCorrector = t.hasProcessData = true; }
    else if (c == 91 || c == 95) { t.name = "NX-17"; t.channels = 4; suffix = "YTVR"; t.isCorrector = t.hasProcessData = true; }
    else if (c == 92 || c == 93) { t.name = "NX-18"; t.channels = 4; suffix = "YTVR"; t.isCorrector = t.hasProcessData = true; }
    else if (c == 94) { t.name = "NX-20"; t.channels = 2; suffix = "YTV"; t.isCorrector = true; }
    else { t.name = "unknown type"; }
    t.letters = BaseLetters + suffix;
}

} // namespace

TypeInfo TypeFromIdent(int ident) {
    TypeInfo t;
    t.ident = ident;
    t.typeCode = ident / 100;
    t.version = ident % 100;
    if (t.typeCode == 60) {
        t.name = "CLM-300";
        t.isModule = true;
        t.hasArchive = false;
        t.letters = "abcdefghijklmno";
        return t;
    }
    FillByCode(t);
    return t;
}

} // namespace devsim
