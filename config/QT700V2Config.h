#pragma once
// The configuration string of the QT-700/V and QT-700/V2 (data item Z, written as item '['), and the
// choices the configuration dialog offers for it. Twelve characters, positions counted from 1:
//   1      device function and its sub-choice ("8"/"9" sum channel, "4"/"2" and "5"/"3" switching,
//          anything else: no special function, written as "00" in positions 1 and 2)
//   2      "0" when "no special function" is written, otherwise kept
//   3..8   kept as read
//   9, 10  output 2 (pair "C0", "C1", "C2", or "8"/"0"/"D" + channel digit)
//   11, 12 output 1
// A string shorter than twelve characters is completed from the default string before it is parsed,
// so no position is ever read or written past the end of what the device sent.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace korvul {

// The string the dialog starts from (also the completion of a short device answer).
inline constexpr const char *kDefaultV2Config = "90000000C201";
inline constexpr int kV2ConfigLength = 12;

// Device functions (index of cbDevFunc).
enum : int { kDevFuncSum = 0, kDevFuncSwitchInput = 1, kDevFuncSwitchTimes = 2, kDevFuncNone = 3 };
// Output functions (index of cbOut1/cbOut2).
enum : int { kOutPulse = 0, kOutLimit = 1, kOutOff = 2, kOutSync = 3 };

// The channel codes in their fixed order; the index is the channel digit for 0..5. Display texts are
// language texts kChannelText + index.
inline constexpr std::array<const char *, 8> kChannelCodes{"P1", "P2", "P3", "P4", "S1", "S2", "OR", "60"};
inline constexpr uint16_t kChannelText = 1534;
// Index of a code in kChannelCodes, or -1.
int ChannelCodeIndex(const QString &code);

// Device function and sub-choice read from position 1. subChoice is the sum channel choice (function 0)
// or the switching choice (functions 1, 2); nothing for function 3.
struct TV2DeviceFunction {
    int function = kDevFuncNone;
    std::optional<int> subChoice;
};
TV2DeviceFunction ParseDeviceFunction(QChar position1);
// Position 1 for a device function and its sub-choice (a missing sub-choice counts as 0); function 3
// gives '0' (and position 2 becomes '0' as well, see RebuildV2Config).
QChar DeviceFunctionChar(int function, int subChoice);

// One output read from its pair. function: nothing leaves the output function as it was (a first
// character other than C/c, 8, 0, D, or a C pair other than C0..C2). channel: the code the pair names,
// empty when it names none (C2, or a digit outside 0..5).
struct TV2Output {
    std::optional<int> function;
    QString channel;
};
TV2Output ParseOutputPair(QChar first, QChar second);
// The pair for an output function and the index of its channel code (-1: no channel, the box is off);
// nothing for a combination that has no pair (the pair is then left as it was).
std::optional<QString> OutputPair(int function, int channelIndex);

// The channel codes an output offers, in table order: P1..P4 plus OR (pulse), plus 60 (sync), P1..P4
// alone (limit); S1 when the device function is 0 with sum choice 1 or a switching function, S2 only
// with switching by control input. Output off offers none. An output function that is not set
// (negative) offers all eight.
QStringList OfferedChannels(int outputFunction, int deviceFunction, int sumChoice);

// The whole string as the dialog shows it.
struct TV2Config {
    TV2DeviceFunction device;
    TV2Output output1, output2;
};
// Completes a short string from the default (longer strings are kept whole).
QString CompleteV2Config(const QString &config);
// Parses a string (completed first).
TV2Config ParseV2Config(const QString &config);

// What the dialog's controls hold when Set runs. An output whose channelIndex is -1 has no channel;
// an output with rebuild false keeps its pair as read.
struct TV2Choice {
    int deviceFunction = kDevFuncNone;
    int subChoice = 0;
    struct Output {
        int function = -1;
        int channelIndex = -1;
        bool rebuild = true;
    } output1, output2;
};
// The string with positions 1, 2 and the output pairs replaced from choice (config completed first).
QString RebuildV2Config(const QString &config, const TV2Choice &choice);

// Switching time: the device's "hhmm" as the masked edit's "hh:mm" (texts shorter than two characters
// pass unchanged), and the edit's text back as four digits (the separator at position 3 dropped, every
// blank "_" or " " written as "0": "07:3_" gives "0730").
QString SwitchTimeForEdit(const QString &deviceText);
QString SwitchTimeForDevice(const QString &editText);

// Register 2009, the readout limit per month: as two or more capital hexadecimal digits, and read back.
// A read-back that is not hexadecimal text raises std::invalid_argument naming the text.
QString ReadingNumberText(int value);
int ParseReadingNumber(const QString &registerText);

} // namespace korvul
