#pragma once
// TFoTelephone: the telephone number to dial (text base 700), shown before a modem connection. The
// editable list holds Ph0..Ph<PHCOUNT>, most recently dialled first; only digits, ":", ",", "W" and "w"
// can be typed or pasted. Dial (also Enter) moves the number to the front of the list, stores the kind of
// remote modem and saves the settings; the dialling code then takes Ph0.
#include <QDialog>
#include <memory>

namespace Ui {
class TFoTelephone;
}

namespace korvul {

class TFoTelephone : public QDialog {
    Q_OBJECT
public:
    explicit TFoTelephone(QWidget *parent = nullptr);
    ~TFoTelephone() override;

    // Dial: an empty number (blanks removed) ends with Rejected; otherwise the list, CLM300 and GX500
    // are updated and saved, and the dialog ends with Accepted (a failed save is shown and keeps it open).
    void Button1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PasteFiltered();

    std::unique_ptr<Ui::TFoTelephone> ui;
};

// Shows the telephone dialog modally; true when a number was chosen with Dial.
bool ShowTelephoneDialog(QWidget *parent);

} // namespace korvul
