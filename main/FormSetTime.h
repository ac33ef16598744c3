#pragma once
// TFormSetTime: set date and time in the device (text base 800, help topic "ChangeDateAndTime").
// EdDate holds the date as two-digit fields in the locale's order and separator, edTime "hh:nn";
// seconds are always written as 00.
#include <QDialog>
#include <memory>

namespace Ui {
class TFormSetTime;
}

namespace korvul {

class TFormSetTime : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 800;
    static constexpr uint16_t kRefusedText = 850;
    static constexpr uint16_t kInvalidText = 803;  // the entry is no valid date or time

    // Reads the device clock (item "z") into the fields; a failed read raises TCommClassException
    // ("ERROR" for a broken connection, else the refusal number).
    explicit TFormSetTime(QWidget *parent = nullptr);
    ~TFormSetTime() override;

    // The date format of EdDate: the locale's short date order with two-digit fields.
    static QString DateFormat();

    void Button4Click();  // take over the PC's date and time
    // Writes the entered date and time (seconds 00) as item "{"; a refusal shows text 850. Then the
    // connection is made again and the main window re-reads; the dialog closes. An invalid entry shows
    // a message and keeps the dialog open.
    void Button1Click();

private:
    std::unique_ptr<Ui::TFormSetTime> ui;
};

// The hook of the main window's "set date and time".
void ShowSetTimeDialog(QWidget *parent);

} // namespace korvul
