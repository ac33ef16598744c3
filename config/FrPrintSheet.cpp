#include "config/FrPrintSheet.h"

#include "ui/JEdit.h"
#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "comm/Items.h"
#include "config/DataSheet.h"
#include "ui/DeviceAction.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainMessages.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>

#include "config/ui_FrPrintSheet.h"

namespace korvul {

namespace {

// The dialog's language base; the page's tags are numbered from it.
constexpr uint16_t kDialogTextBase = 1200;
// Refused print factor read.
constexpr uint16_t kPrintFactorRefused = 1335;
// A page never shown (page caption; OK / Cancel).
constexpr uint16_t kPageNotShown = 1336;
// The printer could not start the job (printer name).
constexpr uint16_t kPrintFailed = 1340;
// The Outputs page gives the sheet nothing, so it need not have been shown.
constexpr int kOutputsPage = 1;

// A page caption without its keyboard mnemonic ("&&" stays one "&").
QString PlainCaption(const QString &caption) {
    QString plain;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        plain += caption[i];
    }
    return plain;
}

void EnableAndEmpty(TJEdit *edit, bool enabled) {
    edit->clear();
    edit->setEnabled(enabled);
}

} // namespace

QString MainSoftwareVersion() {
    const IMainWindow *main = MainWindow();
    return main ? main->FieldText(TMainField::SoftwareVersion) : QString();
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
// by its values at 4 mA and 20 mA instead. A switch starts its own sensor's edits empty and leaves the
// other sensor's entries alone (called without a sender, both sensors are set up).
void TFrPrintSheet::cbPSensorClick() {
    const QObject *box = sender();
    if (box != ui->cbTSensor) {
        const bool pressure = ui->cbPSensor->isChecked();
        for (int n = 13; n <= 16; ++n) EnableAndEmpty(JEdit(n), pressure);
        for (int n = 17; n <= 18; ++n) EnableAndEmpty(JEdit(n), !pressure);
    }
    if (box != ui->cbPSensor) {
        const bool temperature = ui->cbTSensor->isChecked();
        for (int n = 19; n <= 22; ++n) EnableAndEmpty(JEdit(n), temperature);
    }
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

// Every page other than Outputs that was never shown is named in a question; Cancel (No) prints nothing.
bool TFrPrintSheet::ConfirmUnvisitedPages(const TDataSheetValues &values) {
    for (int i = 0; i < values.Pages.size(); ++i) {
        const TDataSheetPage &page = values.Pages[i];
        if (i == kOutputsPage || page.Visited) continue;
        const QString question = korvul::LanguageFormat(kPageNotShown, {PlainCaption(page.Caption)});
        if (!korvul::AskYesNo(window(), question, 0)) return false;
    }
    return true;
}

korvul::TDataSheetSensors TFrPrintSheet::SensorEntries() const {
    korvul::TDataSheetSensors d;
    auto text = [this](int n) { return JEdit(n)->text(); };
    d.PressureSupplied = ui->cbPSensor->isChecked();
    d.PManufacturer = text(13), d.PType = text(14), d.PSerial = text(15), d.PYear = text(16);
    d.P4mA = text(17), d.P20mA = text(18);
    d.TemperatureSupplied = ui->cbTSensor->isChecked();
    d.TManufacturer = text(19), d.TType = text(20), d.TSerial = text(21), d.TYear = text(22);
    return d;
}

void TFrPrintSheet::btPrintClick() {
    korvul::TDataSheet sheet;
    if (source_) sheet.Values = source_();
    if (!ConfirmUnvisitedPages(sheet.Values)) return;
    sheet.Sensors = SensorEntries();
    sheet.PrintFactor = printFactor_;
    sheet.Printed = QDateTime::currentDateTime();
    if (!printer_) {
        ownPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_ = ownPrinter_.get();
    }
    if (!korvul::PrintDataSheet(*printer_, sheet))
        korvul::ShowMessageText(window(), korvul::LanguageFormat(kPrintFailed, {printer_->printerName()}));
}

} // namespace korvul
