#pragma once
// Write-back of the edited common data ("Set"): validation and encoding of the edited fields into the
// ordered list of item writes, and running that list through a write function. Pure logic; the main
// window collects the edits and hands the device writes to the communication layer.
#include "main/CommonDataView.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

namespace korvul {

// Result texts of the write-back.
enum : uint16_t {
    kDevNoNotDigits = 42000,
    kCountNoNotDigits = 42001,
    kCustNoNotDigits = 42003,
    kCounterCpTooLarge = 42004,
    kPeriodInvalid = 42005,
    kWriteRefused = 42006,
    kDayBoundNoColon = 42009,
    kSetCounterNotDigits = 42010,
    kValueLocked = 42011,
    kCodeMarkOffer = 42013,
    kAlarmNotDigits = 42015,
    kAlarmZero = 42016,
    kNotANumber = 42017,
};

// Largest counter Cp mantissa: six hexadecimal digits.
inline constexpr double kCounterCpMax = 16777215;

// One edited field: its text and whether the operator changed it (edit: modified flag; combo box:
// its change mark).
struct TEditedField {
    QString Text;
    bool Changed = false;
};

struct TCommonDataEdits {
    TEditedField DevNo, CountNo, CustNo, SetCounter, DevUnit, DayBound, Period, CpVal, CPz, AlarmLimit;
    int AlarmCycleIndex = -1;   // selected item of cbAlarmCycle
    bool AlarmCycleChanged = false;
    bool AlarmVisible = false;  // cbAlarmCycle is shown
};

// One write: item code, the record key that takes the text on success, the text.
struct TItemWrite {
    char Code = 0;
    QString Key;
    QString Text;
    bool Lockable = false;       // day boundary, period, Cp code: result 4 means "locked" with ValueLock
    bool Identification = false; // device, meter or customer number
    bool operator==(const TItemWrite &) const = default;
};

struct TWritePlan {
    uint16_t Error = 0;          // 0, or the text of the first validation failure (then nothing is written)
    QList<TItemWrite> Items;     // m k i _ u S ] q o, those with a text only
    TItemWrite Alarm;            // X; Text empty when nothing is written
};

// Validates the edits in the fixed order (first failure wins) and encodes the texts to write.
// derived: the values of the last display; unitItem: the record's "^" item.
TWritePlan PlanCommonDataWrite(const TCommonDataEdits &edits, const TDisplayValues &derived, const QString &unitItem);

// What runs the writes: Write sends one item and returns 0 or the device's positive refusal (negative
// results raise in the communication layer); RestorePeriod runs before the alarm write.
struct TWriteSink {
    std::function<int32_t(const TItemWrite &)> Write;
    std::function<void()> RestorePeriod;
};

struct TWriteOutcome {
    uint16_t Message = 0;          // 0, 42006 or 42011: the first problem
    bool IdentificationWritten = false;
};

// Runs the plan's writes in order; a refusal does not stop the following writes.
TWriteOutcome RunCommonDataWrites(const TWritePlan &plan, bool valueLock, const TWriteSink &sink);

// Encodings, each returning the text to write or 0-text error through `error`.
// Identification numbers and the settable counter: digits only, right-aligned into 12 digits.
QString TwelveDigits(const QString &text, bool &ok);
// "6:30" -> "0630"; without ":" or not a time of day -> error 42009.
QString DayBoundaryCode(const QString &text, uint16_t &error);
// "5" -> "05"; longer than 2, below 1 or not a number -> 42005.
QString PeriodCode(const QString &text, uint16_t &error);
// "99" stays; x -> "0" + (round(log10 x) + 2). Not a positive number, or a code beyond one digit -> 42017.
QString CpCode(const QString &text, uint16_t &error);
// "12.5" (locale separator) -> "00007DFF": mantissa in 6 hex digits, exponent as a signed hex byte.
// Not a non-negative number -> 42017; a mantissa above 16777215 -> 42004.
QString CounterCpCode(const QString &text, uint16_t &error);
// The alarm: cycle code + the last 6 of the 12 digits of the raw limit.
QString AlarmCode(const TCommonDataEdits &edits, const TDisplayValues &derived, const QString &unitItem,
                  uint16_t &error);

// Reads a number typed with the locale decimal separator (or the group separator used by the display):
// every "," and "." counts as a separator, and all but the last of them as thousands separators.
bool ParseLocaleNumber(const QString &text, double &value);

// edCPz on leaving: a value above 16777215 gives 42004 (0: fine or not a number).
uint16_t CounterCpExitCheck(const QString &text);

} // namespace korvul
