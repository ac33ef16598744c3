#include "module/FoChangeHQpasswords.h"

#include "ui/HelpViewer.h"
#include "ui/TranslateForm.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui_FoChangeHQpasswords.h"

namespace korvul {

TFoChangeHQpasswords::TFoChangeHQpasswords(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFoChangeHQpasswords>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    TranslateForm(this, kTextBase);
    ui->cbHQNo->setCurrentIndex(0);
    auto *entry = new TTwoEntryCode(this, ui->jeNewPsw, ui->jeConfPsw, ui->btOk, [this](const QString &password) {
        result_ = HqPasswordRecord(ui->cbHQNo->currentIndex() + 1, password);
    });
    entry->FollowConfirm(ui->Label3);
    connect(ui->btCnacel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ChangeHQPasswords")); });
}

TFoChangeHQpasswords::~TFoChangeHQpasswords() = default;

std::optional<QString> TFoChangeHQpasswords::Run(QWidget *parent) {
    TFoChangeHQpasswords dialog(parent);
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

} // namespace korvul
