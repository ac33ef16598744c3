#pragma once
// TFoConfigQT700A: configuration of the QT-700/A (text base 1100, help topic "ConfigQT700A"). Three check
// boxes edit positions 1 to 4 of the configuration string (item Z, written as '['): channel 4 records
// the sum of E1+E2+E3 (cbSumCh), channel 3 / channel 4 record status (cbStCh3, cbStCh4); the sum and the
// status channels exclude each other.
//
// A refused read shows 1111. Set writes the string (no access code is sent first: the one given at
// connect still holds), moves the main window to the next channel and reads its common data, shows 1112
// and closes with OK. A refused Set asks 1113 (No/OK): No closes without saving, OK stays.
#include <QDialog>
#include <memory>

namespace Ui {
class TFoConfigQT700A;
}

namespace korvul {

class TFoConfigQT700A : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1100;
    static constexpr uint16_t kReadRefusedText = 1111;
    static constexpr uint16_t kWrittenText = 1112;
    static constexpr uint16_t kSetRefusedText = 1113;
    static constexpr uint16_t kSaveQuestionText = 42014;
    static constexpr int kSaveQuestionHelp = 13001;

    explicit TFoConfigQT700A(QWidget *parent = nullptr);
    ~TFoConfigQT700A() override;

    // True when the device took the new string.
    bool btSetClick();
    // The leaving question (42014) when btSet is enabled; Yes runs Set, No discards. Then closes (Cancel).
    void btExitClick();
    // The configuration string as read (at most 21 characters).
    const QString &ConfigText() const { return config_; }

protected:
    void done(int result) override;

private:
    void ReadDevice();
    void ShowChecks(bool sum, bool statusCh3, bool statusCh4);
    void cbStCh3Click();
    bool WriteDevice(int32_t &refusal);
    void NextChannelCommonData();

    std::unique_ptr<Ui::TFoConfigQT700A> ui;
    QString config_;
    bool connectionBroken_ = false;
    bool leaving_ = false;
};

// Creates the dialog, shows it modally and frees it.
void ShowConfigQT700A(QWidget *parent);

} // namespace korvul
