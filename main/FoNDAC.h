#pragma once
// TfoNDAC: a new device access code (text base 900, help topic "ChangeAccessCode"). Two password
// fields of at most 8 characters (codes 32 to 125 only); the second takes input once the first holds
// something, Set once both do. Set writes the code to a connected device with write access (then signs
// off and on so that it takes effect) and stores it in ACCESSCODE for later connections.
#include <QDialog>
#include <memory>

namespace Ui {
class TfoNDAC;
}

namespace korvul {

class TfoNDAC : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 900;
    static constexpr uint16_t kWrittenText = 921;
    static constexpr uint16_t kNotAcceptedText = 42006;

    explicit TfoNDAC(QWidget *parent = nullptr);
    ~TfoNDAC() override;

    // 910 when the entries differ, 912 when shorter than 8 characters; else writes and stores the code
    // and closes with Accepted. A refusal by the device shows 42006 and stores nothing; a broken
    // connection posts message 1127 for this dialog to the main window and stores nothing.
    void Button1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FieldsChanged();
    bool WriteToDevice(const QString &code);

    std::unique_ptr<Ui::TfoNDAC> ui;
};

// Shows the dialog modally, centred on parent; true when a new code was stored.
bool ShowNewAccessCodeDialog(QWidget *parent);

} // namespace korvul
