#include "module/FoResetUnit.h"

#include "base/LangSupp.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui/HelpViewer.h"
#include "ui/TranslateForm.h"
#include "ui_FoResetUnit.h"

namespace korvul {

namespace {

struct TResetUnitTexts {
    uint16_t textBase;
    uint16_t allUnitsText;  // the first entry of the choice box
    const char *helpTopic;
    const char *objectName;
    const char *boxName;
};

TResetUnitTexts TextsOf(TResetUnitKind kind) {
    if (kind == TResetUnitKind::EventInputs) return {1920, 1926, "ResetEvents", "TFoResetEvents", "cbInputNo"};
    return {1930, 1936, "ResetFaxMessageCount", "TFoResetFaxMessCount", "cbFaxReceiverNo"};
}

} // namespace

TFoResetUnit::TFoResetUnit(TResetUnitKind kind, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFoResetUnit>()), kind_(kind) {
    const TResetUnitTexts texts = TextsOf(kind);
    ui->setupUi(this);
    setObjectName(QString::fromLatin1(texts.objectName));
    ui->cbUnitNo->setObjectName(QString::fromLatin1(texts.boxName));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    TranslateForm(this, texts.textBase);
    ui->cbUnitNo->clear();
    ui->cbUnitNo->addItem(LanguageText(texts.allUnitsText));
    for (int k = 1; k <= kModuleUnits; ++k) ui->cbUnitNo->addItem(QString::number(k));
    ui->cbUnitNo->setCurrentIndex(0);
    connect(ui->btReset, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    const QString topic = QString::fromLatin1(texts.helpTopic);
    connect(ui->btHelp, &QPushButton::clicked, this, [topic] { ShowHelpTopic(topic); });
}

TFoResetUnit::~TFoResetUnit() = default;

QString TFoResetUnit::Result() const { return ResetSelectionRecord(ui->cbUnitNo->currentIndex()); }

std::optional<QString> TFoResetUnit::Run(TResetUnitKind kind, QWidget *parent) {
    TFoResetUnit dialog(kind, parent);
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

} // namespace korvul
