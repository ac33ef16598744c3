#pragma once
// TFoSettingsComm: serial interface settings (text base 600, help topic "InterfaceOptions"): the port,
// the line speed (first field of INIT), local or modem connection, the kind of local device, and the
// modem strings. The port list shows each port COM1..COM9 whose device exists, with that device; a port
// held by another program is listed too. OK writes the record and saves the settings file.
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "options/OptionRules.h"

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

    // The port enumeration the dialog uses (tests replace it); default: korvul::EnumeratePorts().
    static std::function<std::vector<korvul::TListedPort>()> &PortEnumeration();

private:
    void FillPorts();
    void RadioRule();

    std::unique_ptr<Ui::TFoSettingsComm> ui;
};

// Shows the serial interface settings modally; true when confirmed with OK.
bool ShowSettingsComm(QWidget *parent);

} // namespace korvul
