#pragma once
// Process data as CSV, one layout for the window's "Save as CSV" and korvul-read process --csv:
// UTF-8, comma-separated, LF line ends, dot decimals, a header row whose titles carry their unit in
// brackets ("Pressure [bar]"), and per row the program's time stamp as ISO 8601 with date and UTC
// offset ("2026-12-08T17:35:12+01:00") before the device's time of day.
#include "readout/ProcessData.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace korvul {

// Columns of a CSV row.
enum TProcessCsvColumn {
    kCsvStamp, kCsvDeviceTime, kCsvVolume, kCsvCorrectedVolume, kCsvPressure, kCsvFactor, kCsvTemperature,
    kCsvCompressibility, kCsvFlowRate, kCsvCorrectedFlowRate, kCsvStatus, kCsvStatusRegister, kCsvColumns
};
// Raw column behind each CSV column from kCsvDeviceTime to kCsvStatusRegister (the status twice: as
// Ok/Er and as the register, "0x80000000").
inline constexpr int kCsvRawColumn[kCsvColumns] = {-1, 0, 1, 2, 3, 4, 5, 6, 8, 9, 7, 7};

// Titles of the CSV columns: rawTitles are the ten raw titles (texts 320-329), stampTitle and
// registerTitle the titles of the time stamp and the status register column. Every column with a unit
// for typeCode gets it as " [unit]".
QStringList ProcessCsvTitles(const QStringList &rawTitles, const QString &stampTitle, const QString &registerTitle,
                             int typeCode);
// The cells of one sample: numbers with a dot whatever decimalSeparator the row was formatted with,
// without padding; a flow rate the device does not send stays empty; the status register in
// hexadecimal with "0x" before it. A control character the device
// sent in a text cell is written as "\xHH" (EscapeControls), so every row stays one line.
QStringList ProcessCsvCells(const TProcessSample &sample, QChar decimalSeparator);
// ISO 8601 with date, seconds and UTC offset; empty for an invalid time.
QString ProcessCsvStamp(const QDateTime &time);
// A number cell of a row with a dot decimal and no blanks.
QString DotDecimal(const QString &cell, QChar decimalSeparator);
// One CSV line, LF-terminated; a cell is quoted (quotes doubled) when it holds a comma, a quote, CR or
// LF, or starts or ends with a blank.
QString ProcessCsvLine(const QStringList &cells);

// The header line with the titles of the loaded language module (texts 320-329, 3214 and 3215).
QString ProcessCsvHeader(int typeCode);
// Writes the header and every sample to path as UTF-8 (without byte order mark) through a temporary
// file that replaces path only when complete. False when the file could not be written.
bool SaveProcessCsv(const QString &path, const std::vector<TProcessSample> &samples, int typeCode,
                    QChar decimalSeparator);

} // namespace korvul
