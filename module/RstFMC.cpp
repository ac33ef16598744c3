#include "module/RstFMC.h"

#include "app/HelpViewer.h"
#include "app/LangSupp.h"
#include "app/TranslateForm.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui_RstFMC.h"

using namespace korvul;

TFoResetFaxMessCount::TFoResetFaxMessCount(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFoResetFaxMessCount>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    TranslateForm(this, kTextBase);
    ui->cbFaxReceiverNo->clear();
    ui->cbFaxReceiverNo->addItem(LanguageText(1936));
    for (int k = 1; k <= kModuleUnits; ++k) ui->cbFaxReceiverNo->addItem(QString::number(k));
    ui->cbFaxReceiverNo->setCurrentIndex(0);
    connect(ui->btReset, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ResetFaxMessageCount")); });
}

TFoResetFaxMessCount::~TFoResetFaxMessCount() = default;

QString TFoResetFaxMessCount::Result() const { return ResetSelectionRecord(ui->cbFaxReceiverNo->currentIndex()); }

std::optional<QString> TFoResetFaxMessCount::Run(QWidget *parent) {
    TFoResetFaxMessCount dialog(parent);
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}
