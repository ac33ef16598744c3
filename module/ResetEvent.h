#pragma once
// TFoResetEvents (text base 1920): choose all inputs (the first entry, selected each time
// the dialog opens) or one of the four; the result is the decimal index: "0" all, "1".."4" one.
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TFoResetEvents;
}

class TFoResetEvents : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1920;

    explicit TFoResetEvents(QWidget *parent = nullptr);
    ~TFoResetEvents() override;

    QString Result() const;
    static std::optional<QString> Run(QWidget *parent);

private:
    std::unique_ptr<Ui::TFoResetEvents> ui;
};
