#pragma once
// The device types the simulator can play, chosen by identification number (type code x 100 + version).
#include <string>

namespace devsim {

struct TypeInfo {
    int ident = 0;          // identification number as answered in item a
    int typeCode = 0;       // ident / 100
    int version = 0;        // ident % 100
    std::string name;       // "QT-700/V2", "unknown type"
    int channels = 1;       // at least 1 for the simulator, even where the program sees 0
    std::string letters;    // common data item letters the device answers
    bool valueLock = false;       // day boundary, period, Cp code and deletion refused with 4
    bool hasArchive = true;
    bool isCorrector = false;
    bool hasProcessData = false;
    bool selectByCommand = false; // the program chooses the channel with register 0001 (the device
                                  // also steps on a quick reconnect, as every multi-channel type)
    bool hasConfigString = false; // items Z/[ (and N/O, P/Q for the V2)
    bool isModule = false;        // CLM-300 communication module (identification 60xx)
};

// Type facts for an identification number; unknown type codes give name "unknown type" and the
// base letters only.
TypeInfo TypeFromIdent(int ident);

} // namespace devsim
