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
#include "ui_FormProcessData.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <algorithm>

namespace korvul {

namespace {
enum : uint16_t {
    kTextRunning = 311, kTextStopped = 312, kTextFlowRate = 313, kTextCounters = 314, kTextFailed = 250,
    kTextPeriod1 = 340, kTextPeriod2 = 341, kTextPeriod3 = 342,
    kTextShownTable = 367, kTextRawTable = 368,  // accessible names of the two tables
};
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
    ui->sePeriod->installEventFilter(this);
}

TFormProcessData::~TFormProcessData() = default;

void TFormProcessData::SetUpTables() {
    ui->StringGrid2->setColumnCount(kRawColumns);
    ui->StringGrid2->hide();
    ui->StringGrid1->setAccessibleName(LanguageText(kTextShownTable));
    ui->StringGrid2->setAccessibleName(LanguageText(kTextRawTable));
    QTableWidget *shown = ui->StringGrid1;
    for (int c = 0; c < kShownColumns; ++c) shownTitles_ << shown->horizontalHeaderItem(c)->text();
    // Every column as wide as its title and its widest value: titles carry their unit on a second line.
    shown->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    shown->setSelectionBehavior(QAbstractItemView::SelectRows);
    shown->setEditTriggers(QAbstractItemView::NoEditTriggers);
    shown->verticalHeader()->setSectionsMovable(true);
}

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
    columnOrder_ = QString::fromLatin1(kCounterOrder);
    period_ = InitialPeriod(info.TypeCode, Settings().PDBPERIOD);
    ui->sePeriod->setValue(period_);
    ui->Button2->setEnabled(!(info.TypeCode == 92 && info.Version < 40));
    UpdateHeaders();
    Timer1.setInterval(ScaledMs(period_ * 1000));
    ui->btSet->setEnabled(false);
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
    QTableWidget *raw = ui->StringGrid2, *shown = ui->StringGrid1;
    const int r = raw->rowCount();
    raw->insertRow(r);
    for (int c = 0; c < kRawColumns; ++c) raw->setItem(r, c, new QTableWidgetItem(row[size_t(c)]));
    shown->insertRow(r);
    FillShownRow(r, row);
    shown->setCurrentCell(r, 0);
}

// The shown cells of a row through the current column order; numbers right-aligned.
void TFormProcessData::FillShownRow(int r, const TProcessRow &row) {
    const auto cells = ShownCells(row, columnOrder_);
    for (int c = 0; c < kShownColumns; ++c) {
        auto *item = new QTableWidgetItem(cells[size_t(c)]);
        if (IsProcessNumberColumn(columnOrder_[c].digitValue())) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui->StringGrid1->setItem(r, c, item);
    }
}

// Titles through the column order (the shown table's own titles, the raw titles for the flow rates),
// each over the unit the device type reports the column in.
void TFormProcessData::UpdateHeaders() {
    const QStringList rawTitles = RawTitles();
    for (int c = 0; c < kShownColumns; ++c) {
        const int raw = columnOrder_[c].digitValue();
        const QString title = raw == c ? shownTitles_.value(c) : rawTitles.value(raw);
        const QString text = TitleWithUnit(title, ProcessDataUnit(DeviceInfo().TypeCode, raw));
        ui->StringGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem(text));
    }
}

int TFormProcessData::RowCount() const { return ui->StringGrid2->rowCount(); }

TProcessRow TFormProcessData::RawRow(int row) const {
    TProcessRow r;
    for (int c = 0; c < kRawColumns; ++c) {
        const QTableWidgetItem *item = ui->StringGrid2->item(row, c);
        r[size_t(c)] = item ? item->text() : QString();
    }
    return r;
}

QString TFormProcessData::ShownCell(int row, int column) const {
    const QTableWidgetItem *item = ui->StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

QString TFormProcessData::ShownTitle(int column) const {
    const QTableWidgetItem *h = ui->StringGrid1->horizontalHeaderItem(column);
    return h ? h->text() : QString();
}

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
    const bool toFlow = columnOrder_ == QLatin1String(kCounterOrder);
    columnOrder_ = QString::fromLatin1(toFlow ? kFlowRateOrder : kCounterOrder);
    ui->Button2->setText(LanguageText(toFlow ? kTextCounters : kTextFlowRate));
    UpdateHeaders();
    // Every row is shown again from its raw values, so no row keeps volumes under flow-rate titles.
    for (int r = 0; r < RowCount(); ++r) FillShownRow(r, RawRow(r));
}

void TFormProcessData::Button3Click() {
    const int row = ui->StringGrid1->currentRow();
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
