#pragma once
// Rules of the archive readout that need no device: the readout modes and where each one stops, the
// marker words of a record, and the archive size from the device's answers.
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace korvul {

// Readout modes by the READOUTMODE keyword: "dump", "bom" (from the start of the month), "codemark",
// "complete"; any other keyword is Unknown and reads no record.
enum class TReadoutMode { Dump, Month, CodeMark, Complete, Unknown };
TReadoutMode ReadoutModeFromSetting(const QString &keyword);

// Marker words the device writes into its archive (12-bit words).
inline constexpr int kWordEnd = 0xFF1;        // end of the recorded data
inline constexpr int kWordCodeMark = 0xFF9;   // follows the code mark's value
inline constexpr int kWordMonth = 0xFFA;      // month boundary
inline constexpr int kWordDay = 0xFFC;        // day boundary

// Decides, word by word, where a readout stops. Words are fed in the order they are read (newest first).
//  - every mode but dump stops at 0xFF1, and at 0xFF9 whose previous word is 0 (checked first);
//  - code mark also stops at the first 0xFFC after a 0xFF9 whose previous word equals the code mark;
//  - month also stops at the first 0xFFA after both 0xFFA and 0xFFC were seen (in either order).
// "Previous" is the word fed before (-1 before the first word).
class TStopRule {
public:
    TStopRule(TReadoutMode mode, int codeMark) : mode_(mode), codeMark_(codeMark) {}
    // Feeds one word; true when the readout stops at this word. Words after a stop keep returning true.
    bool Feed(int word);
    bool Stopped() const { return stopped_; }

private:
    bool FeedMonth(int word);
    bool FeedCodeMark(int word);

    enum class TMonthState { Start, ASeen, CSeen, BothSeen };
    TReadoutMode mode_;
    int codeMark_;
    int previous_ = -1;
    bool markSeen_ = false;
    TMonthState month_ = TMonthState::Start;
    bool stopped_ = false;
};

// The marker words of a record answer: characters 1-3, 4-6, 7-9 and 10-12, each read as three
// hexadecimal digits (either letter case); a group that is missing or not hexadecimal is left out.
QList<int> MarkerWords(const QString &answer);
// Feeds the record's words in order and stops feeding at the word that stops the readout.
bool FeedRecord(TStopRule &rule, const QString &answer);

// What the archive size needs from the device. Read returns the answer, or nothing when the read failed;
// Write returns true when the device took the value.
struct TArchiveSizeDevice {
    std::function<std::optional<QString>(int item)> Read;
    std::function<bool(int item, const QString &value)> Write;
};

// Archive size in bytes from item 98 ("b"):
//  - the read fails, or the answer is not hexadecimal: 0;
//  - "FFFF": through the registers (61 := "1401", 64 must read back "1401", 60 = share in hex):
//    share x 102 - 256; any failing step gives 65279;
//  - otherwise the answer in hex - 256 (type code 94: without the 256). Never below 0.
int ArchiveSize(int typeCode, const TArchiveSizeDevice &device);
inline constexpr int kArchiveSizeFallback = 65279;

} // namespace korvul
