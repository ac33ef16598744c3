#pragma once
// TFormUserOptions: readout defaults and the archive file location (text base 400, help topic
// "UserOptions"). Created from the settings record; OK writes the record back and saves the settings
// file, Cancel changes nothing (except a directory chosen with the browse button, which the record takes
// at once). Leaving the directory field offers to create a missing directory.
#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TFormUserOptions;
}

namespace korvul {

class TFormUserOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFormUserOptions(QWidget *parent = nullptr);
    ~TFormUserOptions() override;

    // OK: the record takes the dialog's values, then SaveSettings; a failed save is shown and the
    // dialog stays open.
    void accept() override;

    // The new device access code dialog that btAccessCode opens (parent: this dialog). Empty: the
    // button does nothing.
    static std::function<void(QWidget *parent)> &AccessCodeDialog();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LoadFromSettings();
    void ModeChanged(int index);
    void Button4Click();
    // Offers to create a missing directory; false when creating it failed (the error was shown).
    bool CheckDirectory();

    std::unique_ptr<Ui::TFormUserOptions> ui;
    bool checking_ = false;
};

// Shows the user options modally; true when the operator confirmed them with OK.
bool ShowUserOptions(QWidget *parent);

} // namespace korvul
