#include "config/FoConfigQT700M.h"

#include "app/LangSupp.h"
#include "app/TranslateForm.h"
#include "config/DeviceAction.h"
#include "config/PrintSheet.h"
#include "main/DeviceFailure.h"
#include "main/MainMessages.h"
#include "ui_FoConfigQT700M.h"

#include <QApplication>
#include <QTabBar>

using namespace korvul;

TFoConfigQT700M::TFoConfigQT700M(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConfigQT700M>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpPrintPage();
    TranslateForm(this, kTextBase);
    SetUpSensorPages();
    FillBoxes();
    for (int n = 1; n <= 8; ++n) ui->PageControl1->findChild<QLabel *>(QStringLiteral("lbPnt%1").arg(n))->setVisible(false);
    // A share's row has no label of its own (the marker arrow, the channel digit): a screen reader says
    // its column and channel instead, "Memory share 3".
    for (int n = 0; n < kMemoryChannels; ++n)
        ShareEdit(n)->setAccessibleName(ui->lbHdShare->text() + u' ' + QString::number(n + 1));
    ui->Label37->setText(LanguageFormat(kTotalText, {0}));
    ui->Label38->setText(LanguageFormat(kBalanceText, {0, 0.0, 0.0}));
    ConnectHandlers();
    ui->PageControl1->setCurrentIndex(pgInputs);
    PageControl1Change(pgInputs);
    if (!broken_) printSheet_->ReadPrintFactor();
}

TFoConfigQT700M::~TFoConfigQT700M() = default;

int TFoConfigQT700M::CurrentPage() const { return ui->PageControl1->currentIndex(); }

bool TFoConfigQT700M::Visited(int page) const {
    QWidget *w = ui->PageControl1->widget(page);
    return w && w->property("visited").toInt() == 1;
}

void TFoConfigQT700M::ConnectHandlers() {
    // The tab widget reports a change after it happened; the page left is still known here, so its
    // unsaved changes are offered before the new page reads the device.
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        PageControl1Changing();
        PageControl1Change(page);
    });
    for (QComboBox *box : {ui->cbCountInp1, ui->cbCompInp1, ui->cbCountInp2, ui->cbCompInp2, ui->cbOfCh1, ui->cbOfCh2})
        connect(box, &QComboBox::activated, this, &TFoConfigQT700M::cbCountInp2Change);
    connect(ui->cbOut1, &QComboBox::activated, this, &TFoConfigQT700M::cbOut1Change);
    connect(ui->cbOut2, &QComboBox::activated, this, &TFoConfigQT700M::cbOut1Change);
    for (int n = 0; n < kMemoryChannels; ++n)
        connect(ShareEdit(n), &QSpinBox::valueChanged, this, &TFoConfigQT700M::cbCountInp2Change);
    connect(ui->btInputsSet, &QPushButton::clicked, this, &TFoConfigQT700M::btInputsSetClick);
    connect(ui->btOutputsSet, &QPushButton::clicked, this, &TFoConfigQT700M::SetConfString);
    connect(ui->btMemorySet, &QPushButton::clicked, this, &TFoConfigQT700M::btMemorySetClick);
    connect(ui->btSameSize, &QPushButton::clicked, this, &TFoConfigQT700M::btSameSizeClick);
    connect(ui->btExit, &QPushButton::clicked, this, &TFoConfigQT700M::btExitClick);
    for (TSensorPage &page : sensorPages_) ConnectSensorHandlers(page);
}

void TFoConfigQT700M::FillBoxes() {
    for (QComboBox *box : {ui->cbCountInp1, ui->cbCompInp1, ui->cbCountInp2, ui->cbCompInp2}) {
        box->clear();
        for (int i = 0; i <= 4; ++i) box->addItem(LanguageText(TextNumber(kInputText, i)));
        box->setCurrentIndex(0);
    }
    for (QComboBox *box : {ui->cbOut1, ui->cbOut2}) {
        box->clear();
        for (int i = 0; i <= 2; ++i) box->addItem(LanguageText(TextNumber(kOutputFunctionText, i)));
    }
    ui->btInputsSet->setEnabled(false);
    ui->btOutputsSet->setEnabled(false);
    ui->btMemorySet->setEnabled(false);
}

// The print page takes the other pages' values as they are shown when Print is clicked.
void TFoConfigQT700M::SetUpPrintPage() {
    printSheet_ = new TFrPrintSheet(ui->TabSheet6);
    ui->TabSheet6->layout()->addWidget(printSheet_);
    printSheet_->SetValuesSource([this] {
        TDataSheetValues v;
        v.SoftwareVersion = MainSoftwareVersion();
        v.TotalMemory = total_;
        for (int n = 0; n < kMemoryChannels; ++n)
            v.Channels[n] = {MemoryLabel(1, n)->text(), MemoryLabel(2, n)->text(), MemoryLabel(3, n)->text(),
                             ShareEdit(n)->value()};
        const TSensorPage &p = sensorPages_[0], &t = sensorPages_[1];
        v.PressureMax = p.MaxValue->text(), v.PressureOffset = p.Offset->text(), v.PressureSlope = p.Slope->text();
        v.TemperatureMax = t.MaxValue->text(), v.TemperatureOffset = t.Offset->text(), v.TemperatureSlope = t.Slope->text();
        v.CountInput = {ui->cbCountInp1->currentText(), ui->cbCountInp2->currentText()};
        v.CompInput = {ui->cbCompInp1->currentText(), ui->cbCompInp2->currentText()};
        for (int i = 0; i < ui->PageControl1->count(); ++i) v.Pages.append({ui->PageControl1->tabText(i), Visited(i)});
        return v;
    });
}

// Every device action of the dialog: the failure rule with text 1289; a broken connection stops all
// further device traffic of the dialog, so one failure gives the main window one message 1127.
bool TFoConfigQT700M::RunAction(const std::function<void()> &action) {
    if (broken_) return false;
    return RunDeviceAction(this, kRefusedText, [&] {
        try {
            action();
        } catch (const TCommClassException &e) {
            if (ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken) broken_ = true;
            throw;
        }
    });
}

void TFoConfigQT700M::PageControl1Change(int page) {
    currentPage_ = page;
    if (QWidget *w = ui->PageControl1->widget(page)) w->setProperty("visited", 1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (page) {
    case pgInputs: ReadInputsPage(); break;
    case pgOutputs: ReadOutputsPage(); break;
    case pgMemory: ReadMemoryPage(); break;
    case pgPressure: EnterSensorPage(sensorPages_[0]); break;
    case pgTemperature: EnterSensorPage(sensorPages_[1]); break;
    default: break;
    }
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void TFoConfigQT700M::PageControl1Changing() {
    if (broken_) return;
    const std::array<QPushButton *, 3> setButtons = {ui->btInputsSet, ui->btOutputsSet, ui->btMemorySet};
    if (currentPage_ < pgInputs || currentPage_ > pgMemory) return;
    QPushButton *set = setButtons[currentPage_];
    if (!set->isEnabled()) return;
    if (!AskYesNo(this, LanguageText(kUnsavedText), 0)) return set->setEnabled(false);
    if (currentPage_ == pgInputs) btInputsSetClick();
    else if (currentPage_ == pgOutputs) SetConfString();
    else btMemorySetClick();
}

void TFoConfigQT700M::cbCountInp2Change() {
    switch (CurrentPage()) {
    case pgInputs: ui->btInputsSet->setEnabled(true); break;
    case pgOutputs: ui->btOutputsSet->setEnabled(true); break;
    case pgMemory:
        ui->btMemorySet->setEnabled(true);
        ShowBalance();
        break;
    case pgPressure: sensorPages_[0].Set->setEnabled(true); break;
    case pgTemperature: sensorPages_[1].Set->setEnabled(true); break;
    default: break;
    }
}

void TFoConfigQT700M::btExitClick() {
    PageControl1Changing();
    currentPage_ = -1;  // the question is not asked again when the dialog closes
    accept();
}

void TFoConfigQT700M::reject() {
    PageControl1Changing();
    currentPage_ = -1;
    QDialog::reject();
}

TFoConfigQT700M::TSensorPage *TFoConfigQT700M::SensorPageOf(QObject *sender) {
    for (TSensorPage &page : sensorPages_)
        if (sender && (sender == page.Page || page.Page->isAncestorOf(qobject_cast<QWidget *>(sender)))) return &page;
    return nullptr;
}

bool TFoConfigQT700M::eventFilter(QObject *watched, QEvent *event) {
    if (TSensorPage *page = SensorPageOf(watched))
        if (FilterSensorKey(*page, watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}
