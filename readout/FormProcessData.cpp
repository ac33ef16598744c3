#include "readout/FormProcessData.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "ui/FoStatusReg.h"
#include "readout/FormReadArch.h"
#include "ui/FrmCancelDlg.h"
#include "readout/ProcessCsv.h"
#include "readout/ProcessPlot.h"
#include "readout/ProcessTableModel.h"
#include "ui_FormProcessData.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <algorithm>

namespace korvul {

namespace {
enum : uint16_t {
    kTextRunning = 311, kTextStopped = 312, kTextFlowRate = 313, kTextCounters = 314, kTextFailed = 250,
    kTextPeriod1 = 340, kTextPeriod2 = 341, kTextPeriod3 = 342,
    kTextShownTable = 367, kTextRawTable = 368,  // accessible names of the two tables
    kTextShownTitles = 350, kTextVolumes = 3201, kTextFlowRates = 3202, kTextPause = 3203, kTextFollow = 3204,
    kTextCsvTitle = 3208, kTextCsvFilter = 3209, kTextPlotTitle = 3210, kTextPngFilter = 3211,
    kTextSvgFilter = 3212, kTextNotWritten = 3213, kTextPlotName = 3216, kTextPlotHint = 3217,
};
// Texts of the plot's axes in TPlotQuantity order: pressure, temperature, volumes, flow rates, K, Z.
constexpr uint16_t kAxisTexts[kPlotQuantities] = {323, 325, kTextVolumes, kTextFlowRates, 324, 326};
constexpr int kStatusBase = 50000;
} // namespace

int ShowProcessData(QWidget *parent, const TProcessDataHeader &header) {
    TFormProcessData window(parent);
    window.SetHeader(header);
    return window.exec();
}

TFormProcessData::TFormProcessData(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormProcessData>()) {
    ui->setupUi(this);
    TranslateForm(this, kTextBase);
    SetUpTables();
    ui->Button1->setText(LanguageText(kTextRunning));
    ui->Button2->setText(LanguageText(kTextFlowRate));
    ui->sePeriod->setValue(5);
    connect(&Timer1, &QTimer::timeout, this, &TFormProcessData::Tick);
    connect(ui->Button1, &QPushButton::clicked, this, &TFormProcessData::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TFormProcessData::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TFormProcessData::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &TFormProcessData::Button4Click);
    connect(ui->btSet, &QPushButton::clicked, this, &TFormProcessData::btSetClick);
    connect(ui->Button6, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui->Button5, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ReadProcessData")); });
    connect(ui->sePeriod, &QSpinBox::valueChanged, this, [this] { ui->btSet->setEnabled(true); });
    connect(ui->btSaveCsv, &QPushButton::clicked, this, &TFormProcessData::btSaveCsvClick);
    ui->sePeriod->installEventFilter(this);
    SetUpPlot();
}

TFormProcessData::~TFormProcessData() = default;

void TFormProcessData::SetUpTables() {
    ui->StringGrid2->setColumnCount(kRawColumns);
    ui->StringGrid2->hide();
    ui->StringGrid1->setAccessibleName(LanguageText(kTextShownTable));
    ui->StringGrid2->setAccessibleName(LanguageText(kTextRawTable));
    model_ = new TProcessTableModel(this);
    QTableView *shown = ui->StringGrid1;
    shown->setModel(model_);
    for (int c = 0; c < kShownColumns; ++c) shownTitles_ << LanguageText(TextNumber(kTextShownTitles, c));
    // Every column as wide as its title and its widest value: titles carry their unit on a second line.
    shown->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    shown->setSelectionBehavior(QAbstractItemView::SelectRows);
    shown->setEditTriggers(QAbstractItemView::NoEditTriggers);
    shown->verticalHeader()->setSectionsMovable(true);
    // Rows of one height: the view never measures 20,000 rows to lay them out.
    shown->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

// The plot beside the table: pressure and temperature at first, the others by the operator's choice.
void TFormProcessData::SetUpPlot() {
    TProcessPlot *plot = ui->ProcessPlot;
    plot->setAccessibleName(LanguageText(kTextPlotName));
    plot->setToolTip(LanguageText(kTextPlotHint));
    plot->SetModel(model_);
    const std::pair<QCheckBox *, TPlotQuantity> choices[] = {
        {ui->cbPressure, kPlotPressure}, {ui->cbTemperature, kPlotTemperature}, {ui->cbVolumes, kPlotVolumes},
        {ui->cbFlowRates, kPlotFlowRates}, {ui->cbFactor, kPlotFactor}, {ui->cbZ, kPlotZ}};
    for (const auto &[box, quantity] : choices) {
        plot->SetQuantityShown(quantity, box->isChecked());
        connect(box, &QCheckBox::toggled, plot, [plot, q = quantity](bool on) { plot->SetQuantityShown(q, on); });
    }
    ui->btPause->setText(LanguageText(kTextPause));
    connect(ui->btPause, &QPushButton::clicked, plot, [plot] { plot->SetFollowing(!plot->Following()); });
    connect(plot, &TProcessPlot::FollowingChanged, this,
            [this](bool following) { ui->btPause->setText(LanguageText(following ? kTextPause : kTextFollow)); });
    connect(ui->btResetZoom, &QPushButton::clicked, plot, &TProcessPlot::ResetZoom);
    connect(ui->btSavePlot, &QPushButton::clicked, this, &TFormProcessData::btSavePlotClick);
    ui->spData->setStretchFactor(0, 2);
    ui->spData->setStretchFactor(1, 3);
    UpdateHeaders();
}

TProcessPlot *TFormProcessData::Plot() const { return ui->ProcessPlot; }

QString TFormProcessData::ColumnOrder() const { return model_->ColumnOrder(); }

void TFormProcessData::SetHeader(const TProcessDataHeader &h) {
    ui->edDevType->setText(h.DevType);
    ui->edSw->setText(h.Sw);
    ui->edDate->setText(h.Date);
    ui->edDevNo->setText(h.DevNo);
    ui->edCountNo->setText(h.CountNo);
    ui->edCustNo->setText(h.CustNo);
}

void TFormProcessData::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    const TDeviceInfo &info = DeviceInfo();
    model_->SetColumnOrder(QString::fromLatin1(kCounterOrder));
    period_ = InitialPeriod(info.TypeCode, Settings().PDBPERIOD);
    ui->sePeriod->setValue(period_);
    // This family sends no flow rates below version 40.
    const bool flowRates = !(info.TypeCode == 92 && info.Version < 40);
    ui->Button2->setEnabled(flowRates);
    ui->cbFlowRates->setEnabled(flowRates);
    UpdateHeaders();
    Timer1.setInterval(ScaledMs(period_ * 1000));
    ui->btSet->setEnabled(false);
    // The table has the keyboard at first: a blinking text cursor in the period would wake an otherwise
    // idle window twice a second.
    ui->StringGrid1->setFocus();
    QTimer::singleShot(0, this, [this] {
        if (!Tick()) return;
        if (!closing_) Timer1.start();
    });
}

bool TFormProcessData::Tick() {
    if (inTick_ || closing_) return true;
    inTick_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = true;
    try {
        ReadOnce();
    } catch (const std::exception &) {
        ok = false;
    }
    QApplication::restoreOverrideCursor();
    inTick_ = false;
    if (!ok) TickFailed();
    return ok;
}

void TFormProcessData::ReadOnce() {
    if (const std::optional<TProcessRow> row = ReadProcessDataRow()) AddRow(*row);
}

// The tick acts as Stop, then asks whether to end; No acts as the Stop button again (resumes).
void TFormProcessData::TickFailed() {
    Timer1.stop();
    ui->Button1->setText(LanguageText(kTextStopped));
    TFrmCancelDlg dialog(this, LanguageText(kTextFailed));
    if (dialog.exec() == TFrmCancelDlg::kResultYes) {
        done(kResultEnd);
        return;
    }
    Button1Click();
}

void TFormProcessData::AddRow(const TProcessRow &row) {
    model_->Add({QDateTime::currentDateTime(), row}, LocaleFormats().DecimalSeparator);
    const QModelIndex last = model_->index(model_->Size() - 1, 0);
    // The newest row becomes the current one (as the status register button takes it) and in view.
    ui->StringGrid1->setCurrentIndex(last);
    ui->StringGrid1->scrollTo(last);
}

// Titles through the column order (the shown table's own titles, the raw titles for the flow rates),
// each over the unit the device type reports the column in; the plot's axes the same way.
void TFormProcessData::UpdateHeaders() {
    model_->SetTitles(shownTitles_, RawTitles(), DeviceInfo().TypeCode);
    std::array<QString, kPlotQuantities> axisTitles;
    for (int q = 0; q < kPlotQuantities; ++q) axisTitles[size_t(q)] = LanguageText(kAxisTexts[q]);
    ui->ProcessPlot->SetTitles(axisTitles, RawTitles());
}

int TFormProcessData::RowCount() const { return model_->Size(); }

TProcessRow TFormProcessData::RawRow(int row) const { return model_->Sample(row).Row; }

QString TFormProcessData::ShownCell(int row, int column) const {
    return model_->data(model_->index(row, column)).toString();
}

QString TFormProcessData::ShownTitle(int column) const { return model_->ShownTitle(column); }

QStringList TFormProcessData::RawTitles() const {
    QStringList titles;
    for (int c = 0; c < kRawColumns; ++c) {
        const QTableWidgetItem *h = ui->StringGrid2->horizontalHeaderItem(c);
        titles << (h ? h->text() : QString());
    }
    return titles;
}

QString TFormProcessData::SelectionText() const {
    QList<int> rows;
    for (const QModelIndex &i : ui->StringGrid1->selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (rows.size() <= 1) {
        rows.clear();
        for (int r = 0; r < RowCount(); ++r) rows << r;
    }
    QList<QStringList> cells;
    for (int r : rows) {
        const TProcessRow raw = RawRow(r);
        cells << QStringList(raw.begin(), raw.end());
    }
    const QChar separator(static_cast<char16_t>(std::clamp(Settings().PDBSEPARATORCHARACTER, 0, 0xFFFF)));
    return CopyText(RawTitles(), cells, separator);
}

void TFormProcessData::Button1Click() {
    if (Timer1.isActive()) {
        Timer1.stop();
        ui->Button1->setText(LanguageText(kTextStopped));
    } else {
        Timer1.start();
        ui->Button1->setText(LanguageText(kTextRunning));
    }
}

void TFormProcessData::Button2Click() {
    const bool toFlow = model_->ColumnOrder() == QLatin1String(kCounterOrder);
    // Every row is shown again from its raw values, so no row keeps volumes under flow-rate titles.
    model_->SetColumnOrder(QString::fromLatin1(toFlow ? kFlowRateOrder : kCounterOrder));
    ui->Button2->setText(LanguageText(toFlow ? kTextCounters : kTextFlowRate));
}

void TFormProcessData::Button3Click() {
    const int row = ui->StringGrid1->currentIndex().row();
    if (row < 0 || row >= RowCount()) return;
    try {
        const QString text = StatusBitsToText(RawRow(row)[kStatusColumn], DeviceInfo().TypeCode, kStatusBase);
        CreateStatusRegWindow();
        FoStatusReg()->Memo()->clear();
        FoStatusReg()->ShowText(text, this);
    } catch (const std::exception &e) {
        ReadoutMessage(this, QString(), QString::fromStdString(e.what()));
    }
}

void TFormProcessData::Button4Click() { QGuiApplication::clipboard()->setText(SelectionText()); }

void TFormProcessData::btSetClick() { ApplyPeriod(ui->sePeriod->value()); }

// A file name from the save dialog, proposed as korvul-process-<device no.>-<date time>.<suffix> in the
// home directory; empty when the operator cancelled.
QString TFormProcessData::AskSaveName(uint16_t title, const QString &suffix, const QStringList &filters) {
    QString device = ui->edDevNo->text().trimmed();
    device.replace(QRegularExpression(QStringLiteral("[^0-9A-Za-z_-]")), QStringLiteral("_"));
    const QString name = QStringLiteral("korvul-process-%1-%2.%3")
                             .arg(device, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
    QString filter = filters.value(0);
    QString path = QFileDialog::getSaveFileName(this, LanguageText(title), QDir::home().filePath(name),
                                                filters.join(QStringLiteral(";;")), &filter);
    // A name typed without suffix takes the one of the chosen file type ("*.svg" in "SVG drawing (*.svg)").
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*(\\.\\w+)")).match(filter);
        path += m.hasMatch() ? m.captured(1) : QLatin1Char('.') + suffix;
    }
    return path;
}

void TFormProcessData::btSaveCsvClick() {
    const QString path = AskSaveName(kTextCsvTitle, QStringLiteral("csv"), {LanguageText(kTextCsvFilter)});
    if (!path.isEmpty()) SaveCsv(path);
}

void TFormProcessData::btSavePlotClick() {
    const QString path = AskSaveName(kTextPlotTitle, QStringLiteral("png"),
                                     {LanguageText(kTextPngFilter), LanguageText(kTextSvgFilter)});
    if (!path.isEmpty()) SavePlot(path);
}

bool TFormProcessData::SaveCsv(const QString &path) {
    if (SaveProcessCsv(path, model_->Samples(), model_->TypeCode(), model_->DecimalSeparator())) return true;
    FileNotWritten(path);
    return false;
}

bool TFormProcessData::SavePlot(const QString &path) {
    if (ui->ProcessPlot->SavePicture(path)) return true;
    FileNotWritten(path);
    return false;
}

void TFormProcessData::FileNotWritten(const QString &path) {
    ReadoutMessage(this, QString(), LanguageFormat(kTextNotWritten, {QDir::toNativeSeparators(path)}));
}

void TFormProcessData::ApplyPeriod(int value) {
    const TPeriodCheck check = CheckPeriod(DeviceInfo().TypeCode, value);
    if (check.Range) {
        const QString text = LanguageText(kTextPeriod1) + QStringLiteral("\r\n") +
                             LanguageFormat(kTextPeriod2, {check.Range->first, check.Range->second}) +
                             QStringLiteral("\r\n") + LanguageText(kTextPeriod3);
        ReadoutMessage(this, QString(), text);
    }
    period_ = check.Period;
    ui->sePeriod->setValue(period_);
    Timer1.setInterval(ScaledMs(period_ * 1000));
    ui->btSet->setEnabled(false);
}

bool TFormProcessData::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->sePeriod && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btSetClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Every way of closing stops the readout and keeps the period for the next time.
void TFormProcessData::done(int result) {
    if (!closing_) {
        closing_ = true;
        Timer1.stop();
        Settings().PDBPERIOD = period_;
        try {
            SaveSettings();
        } catch (const std::exception &e) {
            ReadoutMessage(this, QString(), QString::fromStdString(e.what()));
        }
    }
    QDialog::done(result);
}

} // namespace korvul
