#include "module/FoAdjustRTC.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "ui/MainMessages.h"
#include "module/ModuleItems.h"
#include "module/TwoEntryCode.h"
#include "ui_FoAdjustRTC.h"

namespace korvul {

TFoAdjustRTC::TFoAdjustRTC(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoAdjustRTC>()) {
    ui->setupUi(this);
    UsePlainText(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    connect(ui->edTimeCorrection, &QLineEdit::textChanged, this,
            [this](const QString &text) { ui->btOk->setEnabled(!text.isEmpty()); });
    connect(ui->edTimeCorrection, &QLineEdit::returnPressed, this, [this] {
        if (ui->btOk->isEnabled()) btOkClick();
    });
    connect(ui->btOk, &QPushButton::clicked, this, &TFoAdjustRTC::btOkClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("AdjustRTC")); });
}

TFoAdjustRTC::~TFoAdjustRTC() = default;

void TFoAdjustRTC::btOkClick() {
    const TCorrectionResult r = CorrectionRecord(ui->edTimeCorrection->text());
    if (r.RefusalText != 0) return ShowMessageText(this, LanguageText(uint16_t(r.RefusalText)));
    result_ = r.Record;
    accept();
}

std::optional<QString> TFoAdjustRTC::Run(QWidget *parent) {
    TFoAdjustRTC dialog(parent);
    CentreDialogOn(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

} // namespace korvul
