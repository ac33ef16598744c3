#pragma once
// What korvul-read prints: the common data as key=value lines or JSON, and process data rows as
// separated text or CSV. Pure functions of the data read; the values shown come from the main window's
// own display rules (BuildCommonDataView), so the tool and the window never disagree.
#include "base/ControlText.h"
#include "comm/DeviceTypes.h"
#include "comm/StrList.h"
#include "readout/ProcessData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace korvul {

struct TChannelData {
    int Channel = 1;   // 1-based, as the main window's tabs count
    TStrList Items;    // "key=value" lines as ReadCapabilityItems reads them
};

struct TCommonReport {
    TDeviceInfo Info;
    QList<TChannelData> Channels;
};

// One converted value of the main window: a key of the tool's own, the value, and for counters the
// label the window shows beside them and the unit.
struct TShownValue {
    QString Key, Value, Label, Unit;
};
// The values the main window shows for one channel, in window order; empty values are left out.
QList<TShownValue> ShownValues(const TStrList &items, const TDeviceInfo &info);

// "[DEVICE]" with the identification, then per channel "[CHANNEL n]", its raw items and its shown
// values (counters as value, blank, unit). Lines end in LF; a line break inside a text is a blank,
// any other control character is escaped (EscapeControls).
QString CommonDataText(const TCommonReport &report);
// {"device": {...}, "channels": [{"channel": n, "items": {...}, "values": {...}, "counters": [...]}]}
// Control characters in texts are JSON escapes ("\u001b"), so the document reads back to the texts as
// read and shows no control character on a terminal.
QByteArray CommonDataJson(const TCommonReport &report);

// One field as CSV needs it: quoted (quotes doubled) when it holds a comma, a quote, CR or LF, or
// starts or ends with a blank.
QString CsvField(const QString &field);
// The cells of one line joined by the separator (plain) or as CSV; ends in LF. Control characters in a
// cell are escaped; plain cells have line breaks as blanks, CSV keeps TAB, CR and LF (quoted).
QString ProcessLine(const QStringList &cells, bool csv, QChar separator);
// The titles of the shown columns (through the counter column order) and one shown row.
QStringList ShownTitles(const QStringList &rawTitles);
QStringList ShownRowCells(const TProcessRow &row);

} // namespace korvul
