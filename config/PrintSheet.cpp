#include "config/PrintSheet.h"

#include "app/JEdit.h"
#include "app/LangSupp.h"
#include "app/TranslateForm.h"
#include "comm/Items.h"
#include "config/DataSheet.h"
#include "config/DeviceAction.h"
#include "main/FormMain.h"
#include "main/MainMessages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>

#include "config/ui_PrintSheet.h"

namespace {

// The dialog's language base; the page's tags are numbered from it.
constexpr uint16_t kDialogTextBase = 1200;
// Refused print factor read.
constexpr uint16_t kPrintFactorRefused = 1335;
// A page never shown (page caption; OK / Cancel).
constexpr uint16_t kPageNotShown = 1336;
// The Outputs page gives the sheet nothing, so it need not have been shown.
constexpr int kOutputsPage = 1;

void EnableAndEmpty(TJEdit *edit, bool enabled) {
    edit->clear();
    edit->setEnabled(enabled);
}

} // namespace

QString MainSoftwareVersion() {
    TFormMain *main = FormMain();
    if (!main) return {};
    const auto *edit = main->findChild<QLineEdit *>(QStringLiteral("edSw"));
    return edit ? edit->text() : QString();
}

TFrPrintSheet::TFrPrintSheet(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TFrPrintSheet>()) {
    ui->setupUi(this);
    korvul::TranslateForm(this, kDialogTextBase);
    connect(ui->cbPSensor, &QCheckBox::clicked, this, &TFrPrintSheet::cbPSensorClick);
    connect(ui->cbTSensor, &QCheckBox::clicked, this, &TFrPrintSheet::cbPSensorClick);
    for (int n = 13; n <= 22; ++n) connect(JEdit(n), &QLineEdit::textChanged, this, &TFrPrintSheet::JEdit13Change);
    connect(ui->btPrint, &QPushButton::clicked, this, &TFrPrintSheet::btPrintClick);
    cbPSensorClick();
}

TFrPrintSheet::~TFrPrintSheet() = default;

void TFrPrintSheet::SetValuesSource(std::function<TDataSheetValues()> source) { source_ = std::move(source); }

QCheckBox *TFrPrintSheet::cbPSensor() const { return ui->cbPSensor; }
QCheckBox *TFrPrintSheet::cbTSensor() const { return ui->cbTSensor; }
QPushButton *TFrPrintSheet::btPrint() const { return ui->btPrint; }

TJEdit *TFrPrintSheet::JEdit(int number) const {
    const std::array<TJEdit *, 10> edits{ui->JEdit13, ui->JEdit14, ui->JEdit15, ui->JEdit16, ui->JEdit17,
                                         ui->JEdit18, ui->JEdit19, ui->JEdit20, ui->JEdit21, ui->JEdit22};
    return number >= 13 && number <= 22 ? edits[number - 13] : nullptr;
}

void TFrPrintSheet::SetPrinter(QPrinter *printer) { printer_ = printer; }

bool TFrPrintSheet::ReadPrintFactor() {
    return korvul::RunDeviceAction(window(), kPrintFactorRefused, [this] {
        QString answer;
        korvul::ReadItem('A', answer);
        printFactor_ = korvul::PrintFactorFromAnswer(answer);
    });
}

// The supplied sensor's data edits are filled in; a pressure sensor that is not supplied is described
// by its values at 4 mA and 20 mA instead. Every switch starts the affected edits empty.
void TFrPrintSheet::cbPSensorClick() {
    const bool pressure = ui->cbPSensor->isChecked();
    for (int n = 13; n <= 16; ++n) EnableAndEmpty(JEdit(n), pressure);
    for (int n = 17; n <= 18; ++n) EnableAndEmpty(JEdit(n), !pressure);
    const bool temperature = ui->cbTSensor->isChecked();
    for (int n = 19; n <= 22; ++n) EnableAndEmpty(JEdit(n), temperature);
    JEdit13Change();
}

void TFrPrintSheet::JEdit13Change() {
    bool complete = true;
    for (int n = 13; n <= 22; ++n) {
        const TJEdit *edit = JEdit(n);
        if (edit->isEnabled() && edit->text().trimmed().isEmpty()) complete = false;
    }
    ui->btPrint->setEnabled(complete);
}

void TFrPrintSheet::btPrintClick() {
    // Filled in with the data sheet printing.
}
