#pragma once
// TFoConfigQT700M: configuration dialog of the eight-channel logger QT-700/M (text base 1200). Pages:
// 0 Inputs (register "3001" of channels 1 and 2), 1 Outputs (item Z read, item [ written), 2 Memory size
// (registers "0400", "1401", "2810", items l and p), 3 and 4 the pressure (channel 3) and temperature
// (channel 4) sensor adjustment (registers "3010".."3812"), 5 the data sheet printout (TFrPrintSheet).
//
// Every page reads the device when it is shown and marks itself visited (property "visited"). The Set
// button of a page is its changed state. Leaving Inputs, Outputs or Memory size with Set enabled asks
// text 1286: Yes runs that Set, No drops the changes. Every device action follows the device dialogs'
// failure rule with text 1289 for a refusal; after a broken connection the dialog does no more device
// traffic (the main window closes it).
#include "config/QT700MConfig.h"
#include "config/SensorScaling.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

namespace Ui {
class TFoConfigQT700M;
}
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
namespace korvul {
class TFrPrintSheet;
}
namespace korvul {
class TJEdit;
}

namespace korvul {

class TFoConfigQT700M : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1200;
    static constexpr uint16_t kTotalText = 1221;         // %d total
    static constexpr uint16_t kBalanceText = 1222;       // %d total, %f allocated, %f free
    static constexpr uint16_t kOutputFunctionText = 1230; // 1230..1232
    static constexpr uint16_t kAllChannelsText = 1233;   // extra entry of function 0
    static constexpr uint16_t kHourlyPulseText = 1234;   // extra entry of function 2
    static constexpr uint16_t kInputText = 1280;         // 1280 no input, 1281..1284 input 1..4
    static constexpr uint16_t kDuplicateInputText = 1285;
    static constexpr uint16_t kUnsavedText = 1286;
    static constexpr uint16_t kUnbalancedText = 1287;
    static constexpr uint16_t kPartitionQuestion = 1288;
    static constexpr uint16_t kRefusedText = 1289;
    static constexpr uint16_t kSensorQuestion = 1299;

    enum TPage { pgInputs, pgOutputs, pgMemory, pgPressure, pgTemperature, pgPrint };

    // Translates and fills the boxes, then shows page 0 (which reads the device) and reads the print
    // factor. Device failures are reported by the failure rule, never thrown.
    explicit TFoConfigQT700M(QWidget *parent = nullptr);
    ~TFoConfigQT700M() override;

    int CurrentPage() const;
    bool Visited(int page) const;
    TFrPrintSheet *PrintSheet() const { return printSheet_; }
    // Whether a failure broke the connection (no device traffic from then on).
    bool ConnectionBroken() const { return broken_; }

public slots:
    void PageControl1Change(int page);
    // Leaving the current page: the question 1286 for a changed Inputs, Outputs or Memory size page.
    void PageControl1Changing();
    void cbCountInp2Change();
    void btInputsSetClick();
    void cbOut1Change();
    void SetConfString();
    void btMemorySetClick();
    void btSameSizeClick();
    void btExitClick();
    // Sensor pages: the sender decides the page (pressure or temperature).
    void rbAValues3Click();
    void btSet3Click();
    void btCalculate3Click();

    // Closing without btExit (window close, Escape) leaves the page like btExit does.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The components of one sensor page and what it adjusts.
    struct TSensorPage {
        korvul::TSensor Sensor;
        int Channel;  // channel index selected on entry
        QWidget *Page;
        QLabel *DevType, *Sw, *DateTime, *MaxValue, *Offset, *Slope;
        QRadioButton *Analog, *Binary;
        std::array<TJEdit *, 3> AnalogEdits, BinaryEdits;
        QPushButton *Set, *Calculate;
    };

    // FoConfigQT700M.cpp
    void ConnectHandlers();
    void ConnectSensorHandlers(TSensorPage &page);
    void FillBoxes();
    void SetUpPrintPage();
    bool RunAction(const std::function<void()> &action);
    TSensorPage *SensorPageOf(QObject *sender);
    int ShareTotal() const;

    // the Inputs, Outputs and Memory size pages
    void ReadInputsPage();
    void ReadOutputsPage();
    void ReadMemoryPage();
    void ReadMemoryRow(int index);
    void OutputChange(int output);
    void ShowBalance();
    void WriteInputs(int channel, const korvul::TInputAssignment &inputs);
    void WritePartition();
    korvul::TInputAssignment BoxInputs(int channel) const;
    std::array<korvul::TOutputChoice, 2> BoxOutputs() const;
    QSpinBox *ShareEdit(int index) const;
    QLabel *MemoryLabel(int column, int index) const;

    // the sensor adjustment pages
    void SetUpSensorPages();
    void EnterSensorPage(TSensorPage &page);
    void ShowCurrentValues(TSensorPage &page);
    void ApplyMode(TSensorPage &page);
    void SetStep(TSensorPage &page);
    bool WriteSensorValue(TSensorPage &page, int step, bool analog);
    void Calculate(TSensorPage &page);
    bool FilterSensorKey(TSensorPage &page, QObject *edit, QEvent *event);

    std::unique_ptr<Ui::TFoConfigQT700M> ui;
    TFrPrintSheet *printSheet_ = nullptr;
    std::array<TSensorPage, 2> sensorPages_{};
    int currentPage_ = -1;
    int total_ = 0;                       // register "0400", whole units
    std::array<QString, 2> inputConfig_;  // register "3001" as read for channel 1 and 2
    QString outputConfig_;                // item Z as read, completed to 12 characters
    bool broken_ = false;
};

} // namespace korvul
