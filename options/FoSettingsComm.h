#pragma once
// TFoSettingsComm: serial interface settings (text base 600, help topic "InterfaceOptions"): the port,
// the line speed (first field of INIT), local or modem connection, the kind of local device, and the
// modem strings. The port field (TPortChooser) lists every serial port present with what the system
// knows about it and takes a typed name or path; choosing an adapter gives it a stable COMn. OK writes
// the record and saves the settings file.
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "options/OptionRules.h"
#include "options/PortChooser.h"

namespace Ui {
class TFoSettingsComm;
}

namespace korvul {

class TFoSettingsComm : public QDialog {
    Q_OBJECT
public:
    explicit TFoSettingsComm(QWidget *parent = nullptr);
    ~TFoSettingsComm() override;

    void accept() override;

    // The port enumeration the dialog uses (tests replace it); default: korvul::ListPorts() of the
    // system's serial ports.
    static std::function<std::vector<korvul::TListedPort>()> &PortEnumeration();

private:
    void RadioRule();

    std::unique_ptr<Ui::TFoSettingsComm> ui;
    korvul::TPortChooser *ports_ = nullptr;
};

// Shows the serial interface settings modally; true when confirmed with OK.
bool ShowSettingsComm(QWidget *parent);

} // namespace korvul
