#pragma once
// TFoInitDevice: writes serial, counter and customer number, the measuring period and the PC clock into
// every channel of the connected device in one run (text base 1430, help topic "InitDevice").
//
// One pass per channel (DeviceInfo().ChannelCount): access code (item 'c', 8 bytes), the channel the
// device answers for (item 'Y', multi-channel devices only), items 'm', 'k', 'i' (12 digits each, the
// serial number carrying the channel number in its 8th character on multi-channel devices), 'q'
// (2 digits) and the clock '{'; then a sign-off, 2000 ms and a sign-on, after which the device answers
// for its next channel. The main window's tab and fields follow each pass.
//
// Failures end the run, later channels stay untouched: a refusal shows text 1441; "ERROR" or a negative
// result sends message 1127 (the main window closes the dialog and disconnects). A refused clock is
// ignored. Set is disabled after every run; the main window's Set action too.
#include "ui/MainWindowAccess.h"

#include <QDialog>
#include <cstdint>
#include <memory>

namespace Ui {
class TFoInitDevice;
}

namespace korvul {

class TFoInitDevice : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1430;
    static constexpr uint16_t kWaitText = 1439, kDoneText = 1440, kRefusedText = 1441;
    static constexpr int kSignOnPauseMs = 2000;  // between the sign-off and the sign-on of a pass

    explicit TFoInitDevice(QWidget *parent = nullptr);
    ~TFoInitDevice() override;

    void EnableSetButton();
    // The initialisation run; closes the dialog with OK after the last pass.
    void btSetClick();

private:
    void RunPass();
    void WriteNumber(uint8_t item, const QString &value, TMainField mainField);
    void ShowPeriodInMain(const QString &period);
    void SignOffAndOn();

    std::unique_ptr<Ui::TFoInitDevice> ui;
};

// The hook of the main window's "Initialize device": the poll pauses while the dialog is up. True when
// the run completed (the main window then reads the common data again).
bool ShowInitDeviceDialog(QWidget *parent);

} // namespace korvul
