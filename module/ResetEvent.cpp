#include "module/ResetEvent.h"

#include "app/HelpViewer.h"
#include "app/LangSupp.h"
#include "app/TranslateForm.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui_ResetEvent.h"

using namespace korvul;

TFoResetEvents::TFoResetEvents(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFoResetEvents>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    TranslateForm(this, kTextBase);
    ui->cbInputNo->clear();
    ui->cbInputNo->addItem(LanguageText(1926));
    for (int k = 1; k <= kModuleUnits; ++k) ui->cbInputNo->addItem(QString::number(k));
    ui->cbInputNo->setCurrentIndex(0);
    connect(ui->btReset, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ResetEvents")); });
}

TFoResetEvents::~TFoResetEvents() = default;

QString TFoResetEvents::Result() const { return ResetSelectionRecord(ui->cbInputNo->currentIndex()); }

std::optional<QString> TFoResetEvents::Run(QWidget *parent) {
    TFoResetEvents dialog(parent);
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}
