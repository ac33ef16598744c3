#pragma once
// TFoResetUnit: the reset question of the module's event inputs (text base 1920, object name
// TFoResetEvents, choice box cbInputNo) and fax message counters (text base 1930, TFoResetFaxMessCount,
// cbFaxReceiverNo). The user chooses all units (the first entry, selected each time the dialog opens) or
// one of the four; the result is the decimal index: "0" all, "1".."4" one.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TFoResetUnit;
}

namespace korvul {

enum class TResetUnitKind { EventInputs, FaxReceivers };

class TFoResetUnit : public QDialog {
    Q_OBJECT
public:
    explicit TFoResetUnit(TResetUnitKind kind, QWidget *parent = nullptr);
    ~TFoResetUnit() override;

    TResetUnitKind Kind() const { return kind_; }
    QString Result() const;
    // Shows the dialog modally, centred on parent: the chosen record, or nothing on Cancel.
    static std::optional<QString> Run(TResetUnitKind kind, QWidget *parent);

private:
    std::unique_ptr<Ui::TFoResetUnit> ui;
    TResetUnitKind kind_;
};

} // namespace korvul
