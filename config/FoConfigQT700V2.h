#pragma once
// TFoConfigQT700V2: configuration of the QT-700/V (type codes 21-23) and QT-700/V2 (24), text base 1500,
// help topic "ConfigQT700V2". Edits the configuration string (item Z, written as '['), the HT and NT
// switching times (items N/O and P/Q, "hhmm") and, on the V2 only, the readout limit per month
// (register 2009 through items '=', '<', '>'). On the QT-700/V output 2 and the limit are shown but not
// editable, and neither is ever written.
//
// btSet is the changed state: enabled by any edit, disabled after creation, after a Set and when the
// operator declines to save on leaving. Every device exchange follows the shared failure rule; refusals
// show 2210 (reading) and 1289 (Set). A successful Set shows 1112 and closes the dialog with OK. Until the
// configuration string was read from the device, nothing can be edited and Set stays off (1520).
#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TFoConfigQT700V2;
}
class QComboBox;

namespace korvul {

class TFoConfigQT700V2 : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1500;
    static constexpr uint16_t kVCaptionText = 1502;
    static constexpr uint16_t kReadRefusedText = 2210;
    static constexpr uint16_t kSetRefusedText = 1289;
    static constexpr uint16_t kWrittenText = 1112;
    static constexpr uint16_t kNotReadText = 1520;
    static constexpr uint16_t kSaveQuestionText = 42014;
    static constexpr int kSaveQuestionHelp = 13001;

    // Reads the device (for the connected type in DeviceInfo) and shows what it read; a refused read
    // leaves the default configuration "90000000C201" in the controls, which then cannot be edited.
    explicit TFoConfigQT700V2(QWidget *parent = nullptr);
    ~TFoConfigQT700V2() override;

    // True when the Set ran to its end; without a configuration read it shows 1520 and writes nothing.
    bool btSetClick();
    // The leaving question (42014) when btSet is enabled; Yes runs Set, No discards. Then closes (OK).
    void btExitClick();

    // Program-wide copies of the configuration string: as last read from or written to the device, and
    // as being edited (reset to the default each time the dialog is created).
    static QString &DeviceCopy();
    static QString &EditCopy();

protected:
    void done(int result) override;

private:
    void FillCombos();
    void ReadDevice();
    void ParseEditCopy();
    void SelectOutputChannel(int output, const QString &code);
    void cbDevFuncChange();
    void cbOut1Change(int output);
    void SetEnabled();
    void LockWithoutConfig();
    void ApplyTypeLimits();
    void WriteDevice();
    void WriteSwitchTimes();
    void WriteReadingNumber();
    QString RebuiltEditCopy() const;
    bool RunAction(uint16_t refusedText, const std::function<void()> &action);
    QComboBox *OutBox(int output) const;
    QComboBox *ChannelBox(int output) const;

    std::unique_ptr<Ui::TFoConfigQT700V2> ui;
    bool isV2_ = false;
    bool configRead_ = false;  // the configuration string came from this device
    bool readingNumberModified_ = false;
    bool connectionBroken_ = false;  // the main window ends the dialog; nothing is offered for saving
    bool leaving_ = false;
};

// Creates the dialog, shows it modally and frees it.
void ShowConfigQT700V2(QWidget *parent);

} // namespace korvul
