#pragma once
// The process data readout without its window: the request by device type, the two answer layouts,
// the status check, the period rules and the clipboard text.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace korvul {

// One answer in the raw table's ten columns: 0 time, 1-6 values, 7 status, 8-9 flow rates.
inline constexpr int kRawColumns = 10;
inline constexpr int kShownColumns = 8;
inline constexpr int kStatusColumn = 7;
using TProcessRow = std::array<QString, kRawColumns>;

// One answer as the readout keeps it: the program's clock at reception (the device sends its time of
// day only) and the raw row.
struct TProcessSample {
    QDateTime Received;
    TProcessRow Row;
};

// Column order of the shown table: shown column i takes raw column order[i].
inline constexpr const char *kCounterOrder = "01234567";
inline constexpr const char *kFlowRateOrder = "08934567";

// "P55" for type 91 below version 40, "P56" for type 91 from version 40, "P67" for every other type.
QString ProcessDataRequest(int typeCode, int version);

// Type 91: ":" must stand at position 9 or 10 (1-based); the text from two characters before it is
// split at blanks: tokens 1, 2, 3, 9, 8, 6, 7 fill columns 0-6, tokens 4 and 5 columns 8 and 9, and
// the rest after token 9 (first "." removed) is the status. Nothing when the ":" is missing.
std::optional<TProcessRow> ParseType91Answer(const QString &answer);

// Other types: the data begin 54 characters after "ZQV" and are split at ",". Field 1 gives the time
// (characters 7-12 as hh:mm:ss), fields 2, 3, 7, 6, 4 (kelvin, shown in degrees Celsius), 5 fill
// columns 1-6, field 8 the status as received, fields 9 and 10 the flow rates (not for type 92 below
// version 40). Nothing when "ZQV" is missing. A value that is not a number raises TConversionError.
std::optional<TProcessRow> ParseOtherAnswer(const QString &answer, int typeCode, int version);

// A device number "mmmmmDee": its digit count before "D" and the exponent fix the format. A negative
// exponent -e gives e decimals, at most 15 (12345D-3 -> 12.345), a non-negative one two decimals.
// Colons are ignored. offset is added before formatting (the kelvin to Celsius shift). Raises
// TConversionError on anything that is not such a number.
QString FormatDeviceNumber(const QString &field, double offset = 0.0, QChar decimalSeparator = QLatin1Char('.'));

// "Ok" when the hexadecimal digits of the status add up to 0 or the status is "80000000"; "Er" else
// (a character that is no hexadecimal digit counts as a fault).
QString StatusCheck(const QString &status);

// The shown row for a raw row through a column order.
std::array<QString, kShownColumns> ShownRow(const TProcessRow &raw, const QString &columnOrder);

// The shown row as the window's table shows it: the cells through the column order, with the status
// column reading "Ok" or "Er" (StatusCheck).
std::array<QString, kShownColumns> ShownCells(const TProcessRow &raw, const QString &columnOrder);

// Unit of a raw column for a device type. The answers carry bare numbers; every device type with
// process data reports volumes in m³, pressure in bar, temperature in °C (the kelvin of the P67 answer
// are shifted) and flow rates in m³/h. Empty for time, factors and status, and for other types.
QString ProcessDataUnit(int typeCode, int rawColumn);
// Raw columns that hold numbers (the values and flow rates), shown right-aligned.
bool IsProcessNumberColumn(int rawColumn);
// A column title over its unit in brackets ("Volume" and "[m³]" on two lines); the title alone
// when the column has no unit.
QString TitleWithUnit(const QString &title, const QString &unit);

// Period in seconds shown when the window opens (PDBPERIOD; type 91 at least 10, others at least 5).
int InitialPeriod(int typeCode, int pdbPeriod);
// A period the operator applies: the value used, and when it was out of range the lowest and highest
// value for the message (texts 340-342).
struct TPeriodCheck {
    int Period;
    std::optional<std::pair<int, int>> Range;
};
TPeriodCheck CheckPeriod(int typeCode, int value);

// One process data request over the line of the connected device (the caller has signed off; the line
// stays open): the request for DeviceInfo()'s type and version, the answer parsed by its layout.
// Nothing when the answer was empty (a checksum mismatch) or has no usable layout. Raises
// TCommClassException "ERROR" when the exchange failed, TConversionError for a value that is no number.
std::optional<TProcessRow> ReadProcessDataRow();
// Titles of the ten raw columns from the language module (texts 320-329, as the window's table).
QStringList ProcessDataTitles();

// Titles, then each row; every cell followed by separator, every row by CR LF.
QString CopyText(const QStringList &titles, const QList<QStringList> &rows, QChar separator);

} // namespace korvul
