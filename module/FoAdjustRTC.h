#pragma once
// TFoAdjustRTC: the correction value of the module's real-time clock (not translated: its own texts
// are shown). OK is enabled only while the field holds something; the value is sent as "+" or "-"
// followed by six digits (the unit is the module's own). A text without sign longer than 6 characters
// shows text 2021, one that is no whole number text 2022; the dialog then stays open.
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TFoAdjustRTC;
}

namespace korvul {

class TFoAdjustRTC : public QDialog {
    Q_OBJECT
public:
    explicit TFoAdjustRTC(QWidget *parent = nullptr);
    ~TFoAdjustRTC() override;

    void btOkClick();
    QString Result() const { return result_; }
    static std::optional<QString> Run(QWidget *parent);

private:
    std::unique_ptr<Ui::TFoAdjustRTC> ui;
    QString result_;
};

} // namespace korvul
