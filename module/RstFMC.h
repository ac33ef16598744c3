#pragma once
// TFoResetFaxMessCount (text base 1930): choose all fax receivers (the first entry, selected each time
// the dialog opens) or one of the four; the result is the decimal index: "0" all, "1".."4" one.
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TFoResetFaxMessCount;
}

class TFoResetFaxMessCount : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1930;

    explicit TFoResetFaxMessCount(QWidget *parent = nullptr);
    ~TFoResetFaxMessCount() override;

    QString Result() const;
    static std::optional<QString> Run(QWidget *parent);

private:
    std::unique_ptr<Ui::TFoResetFaxMessCount> ui;
};
