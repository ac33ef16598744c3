#include "ui/FoPassword.h"

#include "ui/HelpViewer.h"
#include "ui/TranslateForm.h"
#include "comm/Modem.h"
#include "ui_FoPassword.h"

#include <QPushButton>

namespace korvul {

TFoPassword::TFoPassword(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoPassword>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kTextBase);
    ui->jePassword->setEchoMode(QLineEdit::Password);
    connect(ui->btSend, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->jePassword, &QLineEdit::returnPressed, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { korvul::ShowHelpTopic(QStringLiteral("HQPassword")); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoPassword::~TFoPassword() = default;

QString TFoPassword::PasswordText() const {
    return korvul::HeadquarterPassword(ui->cbHeadQuarter->currentText(), ui->jePassword->text());
}

void TFoPassword::showEvent(QShowEvent *event) {
    ui->cbHeadQuarter->setCurrentIndex(0);
    QDialog::showEvent(event);
}

std::optional<QString> TFoPassword::Ask(QWidget *parent) {
    TFoPassword dlg(parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.PasswordText();
}

} // namespace korvul
