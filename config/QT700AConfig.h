#pragma once
// The configuration string of the QT-700/A (data item Z, written as item '['; at most 21 characters are
// kept). Position 1 read as a hexadecimal digit is 8 when channel 4 records the sum of E1+E2+E3;
// positions 3 and 4 read as a hexadecimal byte carry bit 10h (channel 3 records status) and bit 40h
// (channel 4 records status). Writing replaces positions 1 to 4 and sends the rest back as read.
#include <QString>

namespace korvul {

inline constexpr int kAConfigMaxLength = 21;

struct TAConfig {
    bool sumChannel = false;  // channel 4 records E1+E2+E3
    bool statusCh3 = false;
    bool statusCh4 = false;
};

// The device's answer cut to the characters kept.
QString KeepAConfig(const QString &answer);
// Reads the three choices; positions missing or not hexadecimal count as 0. With the sum channel set
// the status bits are not looked at (the two exclude each other).
TAConfig ParseAConfig(const QString &config);
// Positions 1 to 4 for the choices: "8000" sum channel, "0010"/"0040"/"0050" status channels (status
// wins over a sum that the dialog would never let stand beside it), "0000" none.
QString AConfigHead(const TAConfig &choice);
// The string to write: AConfigHead + the read string from position 5 on.
QString RebuildAConfig(const QString &config, const TAConfig &choice);

// Which of the three check boxes are enabled, and the status boxes' checks after a click: the sum channel
// and the status channels exclude each other.
struct TAEnabling {
    bool sumEnabled = true;
    bool statusEnabled = true;
    bool statusCh3 = false;
    bool statusCh4 = false;
};
TAEnabling AEnabling(const TAConfig &checked);

} // namespace korvul
