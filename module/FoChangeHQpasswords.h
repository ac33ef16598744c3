#pragma once
// TFoChangeHQpasswords (text base 1700): a new password for one headquarters (1..4), typed twice (at
// most 8 characters, shown as "*"). The result is the headquarters digit followed by the password, cut
// or blank-padded to 9 characters in all. Headquarters 1 is selected each time the dialog opens.
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TFoChangeHQpasswords;
}

namespace korvul {

class TFoChangeHQpasswords : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1700;

    explicit TFoChangeHQpasswords(QWidget *parent = nullptr);
    ~TFoChangeHQpasswords() override;

    QString Result() const { return result_; }
    static std::optional<QString> Run(QWidget *parent);

private:
    std::unique_ptr<Ui::TFoChangeHQpasswords> ui;
    QString result_;
};

} // namespace korvul
