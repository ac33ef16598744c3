#pragma once
// The QT-700/M configuration texts: the input configuration (register "3001"), the output configuration
// string (read as item Z, written as item [), and the memory partition (registers "0400", "1401",
// "2810"). Pure text and number logic; the dialog does the device traffic.
#include <QString>
#include <array>

namespace korvul {

// The inputs of one channel: 0 = no input, 1..4 = input 1..4.
struct TInputAssignment {
    int Count = 0;    // counter input
    int Compare = 0;  // compare input
    bool operator==(const TInputAssignment &) const = default;
};

// Register "3001": the pairs at positions 11-12, 9-10, 7-8, 5-6 (1-based) belong to inputs 1..4; a pair
// whose second character is "1" makes that input the counter input, "2" the compare input (a later input
// wins). Pairs beyond the end of a short answer are not read.
TInputAssignment ParseInputConfig(const QString &text);
// "000000000000" with "41" in the counter input's pair and "42" in the compare input's pair.
QString BuildInputConfig(const TInputAssignment &inputs);
// The first input digit that the four boxes (counter 1, compare 1, counter 2, compare 2) use twice, as
// the character '1'..'4'; a null QChar when every input is used at most once ("no input" may repeat).
QChar DuplicateInput(const TInputAssignment &channel1, const TInputAssignment &channel2);

// One output: function box index (0 pulse output, 1 limit alarm, 2 synchronisation pulse) and channel
// box index (function 0 and 2: 0..7 = channel 1..8, 8 = the extra entry; function 1: 0..1).
struct TOutputChoice {
    int Function = 1;
    int Channel = 0;
    bool operator==(const TOutputChoice &) const = default;
};

inline constexpr int kOutputStringLength = 12;
// The pair positions (0-based) of output 1 (11-12) and output 2 (9-10).
inline constexpr std::array<int, 2> kOutputPairPos = {10, 8};

// The first 12 characters of item Z; a shorter answer is completed with "0" characters, so nothing is
// ever read or written past the device's answer, and a missing pair reads as "00" (function 1, entry 0).
QString NormalizeOutputString(const QString &answer);
// A pair as a hexadecimal byte: 80..87 and C0 function 0, 00/01 function 1, D0..D7 and C1 function 2;
// anything else function 1 with entry 0.
TOutputChoice ParseOutputPair(const QString &pair);
// The pair for v = function x 10 + channel: 0..7 "8n", 8 "C0", 10/11 "0n", 20..27 "Dn", 28 "C1"; any
// other combination (not offered by the boxes) gives "00".
QString OutputPairText(const TOutputChoice &choice);
// Output 1 and 2 of a normalized string, and the string with both pairs replaced (positions 1 to 8 kept).
std::array<TOutputChoice, 2> ParseOutputString(const QString &normalized);
QString BuildOutputString(const QString &normalized, const std::array<TOutputChoice, 2> &outputs);
// The number of channel entries of an output function: 9, 2, 9.
int OutputChannelCount(int function);

// Memory shares are whole units; the spin edits take 0..1260.
inline constexpr int kShareMin = 0;
inline constexpr int kShareMax = 1260;
inline constexpr int kMemoryChannels = 8;
using TShares = std::array<int, kMemoryChannels>;

// "All channels same size": channel n (1..7) gets R / (9 - n) rounded to the nearest integer with ties
// to even, clamped to the spin limits, and R shrinks by what the channel got; channel 8 gets the rest
// (clamped like the spin edit does).
TShares SameSizeShares(int total);
int SharesSum(const TShares &shares);
// The value text written to register "2810" for a channel (0-based): "0" + digit + four hexadecimal
// digits ("0201F4" for channel index 2 with 500); the closing write is kPartitionEnd.
QString PartitionText(int channelIndex, int share);
inline constexpr const char *kPartitionEnd = "FFFFFF";

} // namespace korvul
