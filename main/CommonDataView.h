#pragma once
// The "Reject" display of the common data: what the main window shows for a CommonData record of an
// identified device. A pure function from (record, device information, locale formats) to the texts,
// label texts, visibility, edit states and enabled actions of the window; the window only applies it.
#include "comm/DeviceTypes.h"
#include "comm/StrList.h"

#include <QString>

namespace korvul {

// Quantity code groups: A "aa", "bb", "DU", "cc" (a measured value with a conversion factor), B "VZ"/"SU"
// on correctors (a counter with a Cp value), C "VX"/"Vx" (a counter with Cp value and alarm).
enum class TQuantityGroup { None, A, B, C };

// Values derived while the window is filled; the write-back needs them again.
struct TDisplayValues {
    QString QuantityCode;      // V after normalisation
    TQuantityGroup Group = TQuantityGroup::None;
    QString Unit;              // trimmed unit text; "°C" for a kelvin unit
    double Offset = 0;         // 273.15 for a kelvin unit, else 0
    double Factor = 1;         // from T, or 1/Cp for "VZ" and "VX"
    double Cp = 1;             // from the Cp code n
    QString AlarmCycleCode;    // first two characters of W (kept when no cycle item is selected)
};

struct TCommonDataView {
    // Field texts (identification panel and tab page).
    QString DevType, Sw, Date, Time, LstReadName, LstAccDate;
    QString DevNo, CountNo, CustNo, DevUnit, StatReg, DayBound, Period, CpVal;
    QString SetCounter, TotCounter, SetCountMoBeg, CPz, AlarmLimit;
    int AlarmCycleIndex = -1;  // item of cbAlarmCycle; -1: no selection
    QString StatRegHint;       // tooltip of edStatReg; lines separated by CR LF

    // Label texts: counter labels, the unit labels beside the counters, Cp and alarm labels.
    QString Label7, Label8, Label9, Label13, Label20, Label21, Label22, Label25, Label26, Label27, Label28,
        Label29;

    // Write access: the ten settable components are white and editable, else grey and read-only
    // (the four combo boxes disabled). The three flags below narrow this further.
    bool Writable = false;
    bool SetCounterEditable = false;
    bool CPzEditable = false;
    bool CpValEnabled = false;
    // Visibility: Label12 + cbCpVal; edCPz + Label13 + Label26; Label27/28/29 + edAlarmLimit + cbAlarmCycle.
    bool CpValVisible = true;
    bool CPzVisible = true;
    bool AlarmVisible = true;

    QString StatusText;        // status bar: text 190 without write access, else empty

    // Actions the display enables (all false without write access).
    bool SetDateAndTime = false, NewZCode = false, ConfigDevice = false, TestRTC = false;
    bool InitDevice = false, CheckMaxima = false, DeleteMeasurements = false, MemoryDump = false;

    TDisplayValues Derived;
};

// Builds the display. Never throws: an empty item leaves its field empty, and an item that the
// conversions cannot read is shown as it stands (so one damaged value never hides the others).
// Label and status texts come from the language module; numbers use LocaleFormats().
TCommonDataView BuildCommonDataView(const TStrList &data, const TDeviceInfo &info);

// V after the normalisation of the display: "VZ"/"SU" count as "VX" (or "Vx" by the case of the second
// letter) on devices that are not correctors, and on NX-18 versions 30..32 and type 91 when Y is "00".
QString NormalisedQuantityCode(const TStrList &data, const TDeviceInfo &info);
TQuantityGroup QuantityGroup(const QString &quantityCode);

// The RTC test is offered for this type and version (write access assumed).
bool RtcTestOffered(int typeCode, int version);

// Software version text: first digit, ".", second digit of the version (5 -> "5.", 21 -> "2.1").
QString SoftwareText(int version);

// Numbers in general form: up to 15 significant digits, no trailing zeros, the locale decimal
// separator, no group separators.
QString GeneralNumber(double value);
// Fixed-point with `decimals` decimals and the locale decimal separator; with grouped, thousands are
// separated by "." (or "," where "." is the decimal separator).
QString FixedNumber(double value, int decimals, bool grouped);
// The thousands separator that goes with the locale decimal separator.
QChar GroupSeparator();

// Text of the alarm cycle item (0 measuring period, 1 hour, 2 day); empty for another index.
QString AlarmCycleText(int index);

} // namespace korvul
