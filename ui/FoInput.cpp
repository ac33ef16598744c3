#include "ui/FoInput.h"

#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "ui/MainMessages.h"
#include "ui_FoInput.h"

namespace korvul {

namespace {
constexpr uint16_t kInputBase = 1420;
constexpr uint16_t kPatternMismatch = 1410;
} // namespace

TfoInput::TfoInput(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfoInput>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kInputBase);
    ui->mePeriod->setVisible(false);
    connect(ui->btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Edit1, &QLineEdit::returnPressed, this, &QDialog::accept);
    connect(ui->mePeriod, &QLineEdit::returnPressed, this, &QDialog::accept);  // only once the mask is full
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfoInput::~TfoInput() = default;

QLabel *TfoInput::Label1() const { return ui->Label1; }
QLineEdit *TfoInput::Edit1() const { return ui->Edit1; }
QLineEdit *TfoInput::mePeriod() const { return ui->mePeriod; }

// Label1 is the buddy of the shown entry only; the prompt as name keeps the hidden one named too.
void TfoInput::SetPrompt(const QString &prompt) {
    ui->Label1->setText(prompt);
    ui->Edit1->setAccessibleName(prompt);
    ui->mePeriod->setAccessibleName(prompt);
}

void TfoInput::ShowPeriodEntry(bool period) {
    ui->mePeriod->setVisible(period);
    ui->Edit1->setVisible(!period);
    ui->Label1->setBuddy(period ? ui->mePeriod : ui->Edit1);
}

std::optional<QString> TfoInput::AskCheckedInput(QWidget *parent, const QString &prompt, int count,
                                                 const std::function<int(const QString &value)> &mismatchCount) {
    TfoInput box(parent);
    box.setWindowTitle(korvul::LanguageText(kScriptCaptionText));
    box.SetPrompt(prompt);
    for (;;) {
        if (box.exec() != QDialog::Accepted) return std::nullopt;
        const QString text = box.Edit1()->text();
        const QString value = text.trimmed().left(count);
        const int mismatches = mismatchCount(value);
        for (int i = 0; i < mismatches; ++i) korvul::ShowMessageText(&box, korvul::LanguageText(kPatternMismatch));
        if (mismatches == 0) return text;
    }
}

} // namespace korvul
