#pragma once
// TFoPassword (text base 1960): asks for the headquarter password of a remote CLM-300 module (modal,
// caption text 1961). cbHeadQuarter offers the headquarters "1".."4" and starts at the first each
// time the dialog is shown; jePassword shows "*". btSend (or Enter in the password) ends with Accepted.
#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TFoPassword;
}

namespace korvul {

class TFoPassword : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1960;

    explicit TFoPassword(QWidget *parent = nullptr);
    ~TFoPassword() override;

    // The headquarter digit + the typed password, exactly 9 characters (HeadquarterPassword).
    QString PasswordText() const;

    // Shows the dialog modally: the password text, or nothing on Cancel.
    static std::optional<QString> Ask(QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFoPassword> ui;
};

} // namespace korvul
