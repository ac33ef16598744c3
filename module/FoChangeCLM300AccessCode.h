#pragma once
// TFoChangeCLM300AccessCode (text base 1900): a new module access code, typed twice (at most 8
// characters, shown as "*"). The result is the code cut or blank-padded to 8 characters.
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TFoChangeCLM300AccessCode;
}
namespace korvul {
class TTwoEntryCode;
}

namespace korvul {

class TFoChangeCLM300AccessCode : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1900;

    explicit TFoChangeCLM300AccessCode(QWidget *parent = nullptr);
    ~TFoChangeCLM300AccessCode() override;

    // The main window's variant: caption 1902, Label1 1905, Label2 always enabled, send button 1913.
    void UseMainWindowTexts();
    // The 8-character code after a confirmed send; empty before.
    QString Result() const { return result_; }

    // Shows the dialog modally centred on `parent`; the result, or nothing on Cancel.
    static std::optional<QString> Run(QWidget *parent, bool mainWindowTexts = false);

private:
    std::unique_ptr<Ui::TFoChangeCLM300AccessCode> ui;
    korvul::TTwoEntryCode *entry_ = nullptr;
    QString result_;
};

} // namespace korvul
