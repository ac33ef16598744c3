#include "module/FoChangeCLM300AccessCode.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui_FoChangeCLM300AccessCode.h"

namespace korvul {

TFoChangeCLM300AccessCode::TFoChangeCLM300AccessCode(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFoChangeCLM300AccessCode>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    TranslateForm(this, kTextBase);
    entry_ = new TTwoEntryCode(this, ui->jeNewAc, ui->jeConfirm, ui->btSend,
                               [this](const QString &code) { result_ = ModuleAccessCodeRecord(code); });
    entry_->FollowConfirm(ui->Label2);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ChangeCLM300AccessCode")); });
}

TFoChangeCLM300AccessCode::~TFoChangeCLM300AccessCode() = default;

void TFoChangeCLM300AccessCode::UseMainWindowTexts() {
    setWindowTitle(LanguageText(1902));
    ui->Label1->setText(LanguageText(1905));
    ui->btSend->setText(LanguageText(1913));
    entry_->FollowConfirm(nullptr);
    ui->Label2->setEnabled(true);
}

std::optional<QString> TFoChangeCLM300AccessCode::Run(QWidget *parent, bool mainWindowTexts) {
    TFoChangeCLM300AccessCode dialog(parent);
    if (mainWindowTexts) dialog.UseMainWindowTexts();
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

} // namespace korvul
