#pragma once
// The QT-700/M data sheet: one page painted in printer pixels from the values of the configuration
// dialog's pages, the page's sensor entries and the print factor. All fixed texts come from the language
// module (texts 1301 to 1334).
#include "config/FrPrintSheet.h"

#include <QDateTime>
#include <QString>

class QPainter;
class QPrinter;

namespace korvul {

// The sensor entries of the print page.
struct TDataSheetSensors {
    bool PressureSupplied = false;  // cbPSensor
    QString PManufacturer, PType, PSerial, PYear;  // JEdit13..JEdit16
    QString P4mA, P20mA;                           // JEdit17, JEdit18 (bar; pressure sensor not supplied)
    bool TemperatureSupplied = false;              // cbTSensor
    QString TManufacturer, TType, TSerial, TYear;  // JEdit19..JEdit22
};

struct TDataSheet {
    TDataSheetValues Values;
    TDataSheetSensors Sensors;
    float PrintFactor = 1000.0f;
    QDateTime Printed;  // the PC's date and time of the printout
};

// Print factor from the answer of item A (hexadecimal v): 1000 / v + 1000, or 1000 for v = 0 and for an
// answer that is not a hexadecimal number.
float PrintFactorFromAnswer(const QString &answer);
// The device number as the sheet prints it: its fifth character from the end replaced by "0"
// ("123456789012" -> "123456709012"); numbers shorter than five characters are printed as they are.
QString DataSheetDeviceNumber(const QString &devNo);
// The date and time in the local short date and long time formats.
QString DataSheetDateTime(const QDateTime &dt);

// Paints the sheet on an active painter; positions and font heights are pixels of the painter's device,
// scaled by its resolution where the layout is given in inches. The painter's font and pen are restored.
void PaintDataSheet(QPainter &painter, const TDataSheet &sheet);
// Prints the sheet as one page on `printer`; false when the print job could not be started.
bool PrintDataSheet(QPrinter &printer, const TDataSheet &sheet);

} // namespace korvul
