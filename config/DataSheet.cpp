#include "config/DataSheet.h"

#include <QPainter>
#include <QPrinter>

namespace korvul {

float PrintFactorFromAnswer(const QString &answer) {
    bool ok = false;
    const qulonglong v = answer.trimmed().toULongLong(&ok, 16);
    return ok && v != 0 ? static_cast<float>(1000.0 / double(v) + 1000.0) : 1000.0f;
}

QString DataSheetDeviceNumber(const QString &devNo) {
    if (devNo.size() < 5) return devNo;
    QString s = devNo;
    s[s.size() - 5] = QLatin1Char('0');
    return s;
}

QString DataSheetDateTime(const QDateTime &dt) { return dt.toString(); }

void PaintDataSheet(QPainter &, const TDataSheet &) {}

bool PrintDataSheet(QPrinter &printer, const TDataSheet &sheet) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PaintDataSheet(painter, sheet);
    return painter.end();
}

} // namespace korvul
