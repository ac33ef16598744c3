#pragma once
// TFoConfigNX17S: command scripts for the NX-17S correctors (type code 95; text base 1400). The operator
// picks a "*.cmd" file from the script directory (setting CMD_DIRECTORY) and runs it: the program signs
// off from the device, sends the script's texts raw on the open line, logs every text sent (">> ") and
// every answer (" << ") in Memo1, and signs on again afterwards whatever happened.
//
// Failures follow the device dialogs' rule: a line failure posts message 1127 to the main window, a
// positive driver result shows text 1289; a bad PAUSE or GET number or an unreadable file is shown as
// it stands. The dialog cannot be closed while a script runs (PAUSE keeps the window painted).
#include "config/NxScript.h"

#include <QDialog>
#include <optional>
#include <functional>
#include <memory>

namespace Ui {
class TFoConfigNX17S;
}

namespace korvul {

class TFoConfigNX17S : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1400;

    // Creation: translates, shows CMD_DIRECTORY and its scripts, or runs the directory browse when the
    // setting is empty.
    explicit TFoConfigNX17S(QWidget *parent = nullptr);
    ~TFoConfigNX17S() override;

    // The directory chooser (tests replace it): the chosen directory, or empty when cancelled.
    using TChooseDirectory = std::function<QString(QWidget *parent, const QString &caption)>;
    static TChooseDirectory &ChooseDirectory();

    // The log as the run wrote it (control bytes included).
    const QStringList &LogLines() const { return log_; }
    bool Running() const { return running_; }

public slots:
    void Button1Click();
    void btSendClick();
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FillFileList(const QString &directory);
    void UseDirectory(const QString &directory);
    korvul::TNxRunEnd RunScript();
    korvul::TNxScriptIo ScriptIo();
    void ReportEnd(korvul::TNxRunEnd end);
    void SignOnAgain();
    void AddLogLine(const QString &line);

    std::unique_ptr<Ui::TFoConfigNX17S> ui;
    QStringList log_;
    bool running_ = false;
    bool brokenReported_ = false;
};

// Shows the dialog modally centred on parent.
void ShowConfigNX17S(QWidget *parent);
// The pattern-checked input of the command scripts (TfoInput::AskCheckedInput with the script pattern,
// see NxPatternMismatches): the text as entered, or nothing on Cancel.
std::optional<QString> AskScriptInput(QWidget *parent, const QString &prompt, const QString &pattern, int count);

} // namespace korvul
