#pragma once
// TFoCheckMaxima: moves the device clock to 5 s before its next day boundary so that the maxima can be
// checked, and puts it back to the PC's time afterwards (text base 1450, help topic "CheckMaxima").
//
// The next check is computed from the device clock (item 'z') and the day boundary of CommonData
// (key '\'); see NextCheckDateTime. Set next writes it (access code, item '{'), reconnects, shows the
// following check and then ends the connection so that the device passes its boundary on its own.
// Set current writes the PC's time the same way, leaves the connection up with polling and closes with
// OK. Exit (button, Esc or the window's close box) asks text 1459 once the clock was moved, and Yes
// puts the PC's time back first; it closes with Cancel.
//
// Failures by the shared rule: refusals show 1289 (computing the next check) or 1460 (setting the
// clock); "ERROR" and negative results send message 1127 to the main window.
#include <QDialog>
#include <cstdint>
#include <memory>

namespace Ui {
class TFoCheckMaxima;
}

namespace korvul {

class TFoCheckMaxima : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1450;
    static constexpr uint16_t kExitQuestion = 1459, kComputeRefused = 1289, kSetRefused = 1460;
    static constexpr int kReconnectPauseMs = 200;

    // Reads the device clock and shows the current and the next check date.
    explicit TFoCheckMaxima(QWidget *parent = nullptr);
    ~TFoCheckMaxima() override;

    bool NextCheckSet() const { return nextCheckSet_; }
    // True while the connection is down because set-next ended it.
    bool LeftDisconnected() const { return leftDisconnected_; }

    void btSetNextClick();
    void btSetCrntClick();
    void btEscClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void ShowNextCheck();
    bool SetNext(bool fromButton);
    bool SetCurrentTime();
    void SelectMainChannel();

    std::unique_ptr<Ui::TFoCheckMaxima> ui;
    bool nextCheckSet_ = false;
    bool leftDisconnected_ = false;
};

// The hook of the main window's "Check maxima". When the dialog closes with the connection ended by
// set-next, the main window takes the disconnected state, so that it never shows a connection that is
// no longer there.
void ShowCheckMaximaDialog(QWidget *parent);

} // namespace korvul
