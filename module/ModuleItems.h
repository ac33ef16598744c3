#pragma once
// The CLM-300 module's fifteen text items in their fixed record layouts: parsing a read item into
// fields, and building the record of each upper-case write command from fields. Pure text work: the
// transfer (ReadModuleItems, WriteProtectedItem) and the windows live elsewhere.
//
// Reading never fails: positions beyond the end of a short item give empty fields, and a number that
// does not parse gives -1 (no list entry selected, spin value left as it was). Every fixed-width text
// of a write record is cut to its width or blank-padded to it (PadField).
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace korvul {

class TStrList;

// Item letters read when a module is connected ("k" is never shown).
inline constexpr const char *kModuleReadLetters = "abcdefghijlmno";
inline constexpr int kModuleUnits = 4;  // channels, headquarters, inputs, receivers, outputs

// Record lengths of the items made of four records, and of item "i".
inline constexpr int kChannelRecordLength = 47;   // "h"
inline constexpr int kModemRecordLength = 32;     // "i"
inline constexpr int kHqRecordLength = 56;        // "j"
inline constexpr int kEventRecordLength = 43;     // "m"
inline constexpr int kInputRecordLength = 53;     // "n"
inline constexpr int kReceiverRecordLength = 51;  // "o"

// The item to re-read after a successful write command ("C" -> "c", "O" -> "l", "P" -> "n", "Q" -> "o",
// ...); a null QChar for the commands after which nothing is re-read ("A", "B", "K" to "N", "R" to "T").
QChar RereadItem(QChar writeLetter);

// ---- Field helpers ----------------------------------------------------------------------------------

// `text` cut to `width` characters or extended to it with blanks.
QString PadField(const QString &text, int width);
// Characters pos..pos+len-1 (1-based) of `item`; the part beyond its end is missing (may be empty).
QString FieldAt(const QString &item, int pos, int len);
// Record r (1..4) of an item made of four records of `length` characters (empty beyond the end).
QString RecordOf(const QString &item, int r, int length);
// A field of digits only (blanks around allowed) as a number; -1 otherwise.
int FieldNumber(const QString &field);
// Text with its trailing blanks removed.
QString TrimRight(const QString &text);

// ---- Code tables ------------------------------------------------------------------------------------

// Name of an end device type code (two decimal digits); "Unknown" for any other code or text.
QString ModuleDeviceTypeName(const QString &code);

// The ten level words, in the order of the level lists ("undef" is index 8, "break" index 9).
const QStringList &LevelWords();
// Index of a level designation (blanks around ignored, any letter case); -1 when it is none of them.
int LevelWordIndex(const QString &designation);

// Value lists of the choice controls, in list order.
const std::vector<int> &ChannelBaudRates();  // 1200 .. 19200
const std::vector<int> &ModemBaudRates();    // 1200 .. 38400
inline constexpr const char *kParityLetters = "NEO";    // None, Even, Odd
inline constexpr const char *kProtocolLetters = "DA";   // QT-700/NX-1x, WL-500/600
inline constexpr const char *kDialLetters = "TP";       // Tone, Pulse
// Index of `value` in `list`; -1 when absent.
int ListIndex(const std::vector<int> &list, int value);
// Index of `letter` in `letters`; -1 when absent (a null or blank letter included).
int LetterIndex(const char *letters, QChar letter);

// ---- Common data items "a" .. "g" ------------------------------------------------------------------

struct TModuleCommon {
    QString Sw;          // a, whole text
    QString DevType;     // b, characters 5..12
    QString DevNo;       // c
    QString DevName;     // d
    QString Status;      // e
    QString WorkingHours;// f
    QString Date;        // g characters 1..6, "yymmdd"
    QString Time;        // g characters 7..12, "hhnnss"
};
TModuleCommon ParseModuleCommon(const TStrList &moduleData);
// Language text number of the status register hint: 1660 + v for a decimal status v; 0 for none.
int StatusHintText(const QString &status);

// "C": 12 characters, left-padded with "0", a longer number cut to its first 12 characters.
QString DevNoRecord(const QString &devNo);
// "D": 30 characters.
QString DevNameRecord(const QString &devName);
// "G": "yymmddhhnnss" of a date and time.
QString ClockRecord(const QDateTime &dateTime);
// "G" of Take PC date/time: the PC clock with its seconds set to 00.
QString PcTimeRecord(const QDateTime &now);

// ---- Item "h": channels (end devices and their serial interfaces) -----------------------------------

struct TModuleChannel {
    QString Designation;  // 30 characters as read (the window trims for display as it likes)
    QString TypeCode;     // two characters, for ModuleDeviceTypeName
    QString TypeName;     // ModuleDeviceTypeName(TypeCode)
    int VersionMajor = -1;  // digit before the point; -1 when missing or not a digit
    QString Version;        // the two version digits joined by ".", e.g. "6.1"; empty when both missing
    bool ConfSwitch = false;  // "1" on
    bool Cts = false;         // "1" on
    QChar Protocol;           // "D" or "A" as read (null when missing)
    int Baud = -1;
    QChar Parity;             // "N", "E" or "O" as read
    int DataBits = -1;
    int StopBits = -1;
    int Timeout = -1;         // seconds 1..9
};
TModuleChannel ParseChannel(const QString &itemH, int r);
// "H": r, designation (30), baud rate (5 digits), parity letter, data bits, stop bits, timeout,
// protocol letter: 41 characters. Numbers that do not fit their field are clamped into it.
QString ChannelRecord(int r, const TModuleChannel &channel);
// A channel can be switched through to when its version digit before the point is above 0.
bool ChannelConnectable(const TModuleChannel &channel);

// ---- Item "i": modem interface and call settings ----------------------------------------------------

struct TModuleModem {
    int Baud = -1;
    QChar Parity;
    int DataBits = -1, StopBits = -1;
    int CharTimeout = -1, ResponseTimeout = -1, CarrierTimeout = -1;  // seconds
    int Attempts = -1;      // per fax receiver
    int CycleMinutes = -1;  // between two call cycles (two digits)
    int Rings = -1;
    // Call acceptance windows, "hhmm" as read.
    QString Caw1Begin, Caw1End, Caw2Begin, Caw2End;
    QChar DialMethod;       // "T" or "P"
};
TModuleModem ParseModem(const QString &itemI);
// "I": the 32-character layout of item "i". One-digit fields hold 0..9 and the cycle 0..99: a larger
// value is clamped so that the record keeps its layout.
QString ModemRecord(const TModuleModem &modem);
// "hhmm" to the shown "hh:mm"; "" when the text is shorter than 4 characters.
QString CallWindowText(const QString &hhmm);
// A shown call acceptance time ("h:mm" or "hh:mm", hours 0..23, minutes 0..59) back to "hhmm";
// nothing when it is no valid time of day.
std::optional<QString> CallWindowField(const QString &text);

// ---- Item "j": headquarters --------------------------------------------------------------------------

struct TModuleHq {
    QString Designation;  // trailing blanks removed
    QString Phone;        // trailing blanks removed
};
TModuleHq ParseHq(const QString &itemJ, int r);
// "J": r, designation (30), telephone number (25).
QString HqRecord(int r, const TModuleHq &hq);

// ---- Item "l": outputs --------------------------------------------------------------------------------

// State character of output r ("0" off, "1" on; null when missing).
QChar OutputState(const QString &itemL, int r);
// "O": r followed by "1" when the output is currently "0" (or unknown), "0" when it is "1".
QString OutputToggleRecord(int r, const QString &itemL);

// ---- Item "m": event inputs (read only) --------------------------------------------------------------

struct TModuleEvent {
    QString CurrentLevel, LevelBefore, LevelAfter;  // 5 characters each, trailing blanks removed
    QString FirstDate, FirstTime;  // "yymmdd", "hhnnss"
    QString LastDate, LastTime;
    QString Counter;               // 3 characters (positions 41..43 of the record)
};
TModuleEvent ParseEvent(const QString &itemM, int r);

// ---- Item "n": input settings ------------------------------------------------------------------------

struct TModuleInput {
    int LevelsIndex = -1;  // list index of the number of levels: 0 = 2 levels ("1"), 1 = 4 levels ("2")
    std::array<int, 4> Levels{-1, -1, -1, -1};  // Low, Undef, High, Break as LevelWords() indices
    int FirstReceiver = -1;       // 0 none, 1..4
    int SubstituteReceiver = -1;  // 0 none, 1..4
    QString Message;              // 30 characters, trailing blanks removed
};
TModuleInput ParseInput(const QString &itemN, int r);
// Two levels: "undef" becomes "low" and "break" becomes "high" in every level slot.
void ApplyTwoLevels(TModuleInput &input);
// "P": r, then the 53-character layout of item "n" (levels index + 1, the four words padded to 5,
// the two receiver digits, the message). A level without a word is written as 5 blanks; a receiver
// outside 0..4 as "0".
QString InputRecord(int r, const TModuleInput &input);

// ---- Item "o": fax receivers -------------------------------------------------------------------------

struct TModuleReceiver {
    int Service = -1;     // 0 none, 1 fax
    QString FaxNumber;    // trailing blanks removed
    QString Designation;  // trailing blanks removed
};
TModuleReceiver ParseReceiver(const QString &itemO, int r);
// "Q": r, service digit, fax number (20), designation (30).
QString ReceiverRecord(int r, const TModuleReceiver &receiver);

// One entry of the fax receiver lists of the input settings.
struct TReceiverChoice {
    int Receiver = 0;   // 0 = none
    QString Text;       // designation, or the "no fax receiver" text for 0
};
// The list: first `noneText` (receiver 0), then each receiver whose designation is not blank.
std::vector<TReceiverChoice> ReceiverChoices(const QString &itemO, const QString &noneText);
// Index in `choices` of `receiver`; 0 (the first entry) when it is not in the list.
int ReceiverChoiceIndex(const std::vector<TReceiverChoice> &choices, int receiver);

// ---- Maintenance dialog results ----------------------------------------------------------------------

// "L" (and the setting CLM300ACCESSCODE): the code cut or blank-padded to 8 characters.
QString ModuleAccessCodeRecord(const QString &code);
// "A"/"B": headquarters digit and password, cut or blank-padded to 9 characters in all.
QString HqPasswordRecord(int hq, const QString &password);
// "S"/"T": "0" for all (selection index 0), "1".."4" for one.
QString ResetSelectionRecord(int index);

// "M": the clock correction value. Either Record ("+" or "-" and six digits) or RefusalText (2021: a
// text without sign longer than 6 characters; 2022: no whole number, or one beyond six digits).
struct TCorrectionResult {
    QString Record;
    int RefusalText = 0;
};
TCorrectionResult CorrectionRecord(const QString &text);

// Enabling of the two-entry code dialogs (module access code, headquarters password).
struct TTwoEntryEnabling {
    bool ConfirmEnabled = false;  // only while the first field holds something
    bool SendEnabled = false;     // only while both fields hold something
};
TTwoEntryEnabling TwoEntryEnabling(const QString &first, const QString &confirm);

} // namespace korvul
