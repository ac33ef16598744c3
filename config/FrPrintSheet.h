#pragma once
// TFrPrintSheet: the "Print data sheet" page of the QT-700/M configuration dialog. The operator states
// which sensors are delivered with the device, fills in their data and prints a one-page data sheet on
// the current printer. Everything else on the sheet comes from the dialog's other pages and from the main
// window, fetched through the values source at the moment Print is clicked.
//
// The dialog embeds the page and, once, at its creation:
//   page->SetValuesSource([this] { return ...values of the other pages...; });
//   page->ReadPrintFactor();   // item A; a failure follows the device dialogs' rule (refused: text 1335)
// Component texts are numbered relative to the dialog's language base 1200; the page translates itself
// when created, and translating the dialog again with base 1200 gives the same texts.
#include <QString>
#include <QVector>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

namespace Ui {
class TFrPrintSheet;
}

class QCheckBox;
class QPrinter;
class QPushButton;
namespace korvul {
class TJEdit;
}

namespace korvul {
struct TDataSheetSensors;
}

// One row of the memory page, as shown there.
struct TDataSheetChannel {
    QString Channel;  // channel number label (Label311..Label318)
    QString DevNo;    // device number label (Label321..Label328)
    QString Period;   // period label (Label331..Label338)
    int Share = 0;    // memory share spin edit (seMSize1..seMSize8), whole units as in the spin edit
};

// One page of the dialog: its caption and whether it was shown in this dialog (visited mark 1).
struct TDataSheetPage {
    QString Caption;
    bool Visited = false;
};

// What the sheet takes from the dialog's other pages and from the main window. Plain values, no widgets;
// texts are taken as displayed.
struct TDataSheetValues {
    // Main window: software version (edSw); MainSoftwareVersion() below reads it.
    QString SoftwareVersion;

    // Memory size page: the total memory T as read from register "0400" (whole units, the sheet shows
    // T div 10) and the eight rows. The device number of channel 1 is Channels[0].DevNo.
    int TotalMemory = 0;
    std::array<TDataSheetChannel, 8> Channels;

    // Sensor pages (channel 3 pressure, channel 4 temperature): current maximum value, offset and slope
    // as displayed there.
    QString PressureMax, PressureOffset, PressureSlope;
    QString TemperatureMax, TemperatureOffset, TemperatureSlope;

    // Inputs page: the current item texts of cbCountInp1/cbCompInp1 (index 0) and cbCountInp2/cbCompInp2
    // (index 1).
    std::array<QString, 2> CountInput, CompInput;

    // Every page of the dialog in page order (index 0 Inputs ... 5 Print data sheet). Before printing,
    // each page other than Outputs (index 1) that was never shown is named in a question.
    QVector<TDataSheetPage> Pages;
};

namespace korvul {

// The main window's software version field (edSw); empty when there is no main window.
QString MainSoftwareVersion();

class TFrPrintSheet : public QWidget {
    Q_OBJECT
public:
    explicit TFrPrintSheet(QWidget *parent = nullptr);
    ~TFrPrintSheet() override;

    // Called once by the dialog; the source is asked for the current values each time Print is clicked.
    void SetValuesSource(std::function<TDataSheetValues()> source);

    // Reads the print factor from item A (hexadecimal v: F = 1000 / v + 1000, F = 1000 for v = 0) and
    // keeps it for the dialog's lifetime. False after a failure, which is reported by the device dialogs'
    // rule with text 1335 for a refusal; F then stays 1000.
    bool ReadPrintFactor();
    float PrintFactor() const { return printFactor_; }

    // The printer Print uses; the page owns a printer for the current system printer unless one is set
    // here (tests print to a PDF file). The printer must outlive the page or be replaced.
    void SetPrinter(QPrinter *printer);

    QCheckBox *cbPSensor() const;
    QCheckBox *cbTSensor() const;
    QPushButton *btPrint() const;
    // JEdit13..JEdit22 by number (13..22); nullptr for other numbers.
    TJEdit *JEdit(int number) const;

public slots:
    void cbPSensorClick();  // both check boxes
    void JEdit13Change();   // all ten sensor edits: the print check
    void btPrintClick();

private:
    bool ConfirmUnvisitedPages(const TDataSheetValues &values);
    korvul::TDataSheetSensors SensorEntries() const;

    std::unique_ptr<Ui::TFrPrintSheet> ui;
    std::function<TDataSheetValues()> source_;
    float printFactor_ = 1000.0f;
    std::unique_ptr<QPrinter> ownPrinter_;
    QPrinter *printer_ = nullptr;
};

} // namespace korvul
