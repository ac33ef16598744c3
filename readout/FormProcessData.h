#pragma once
// TFormProcessData: the modal process data window (text base 300). It sends the process data request
// straight through the line driver every period, appends each answer to the hidden raw table
// (StringGrid2, ten columns) and to the shown table (StringGrid1, eight columns through the column
// order), shows the status as Ok/Er, switches two columns to flow rates (every row, from its raw
// values), shows the status register of the selected row over the window and copies rows to the
// clipboard. Column titles carry the unit of the device type; numbers stand right-aligned.
//
// The period is in seconds (5..99, type 91 at least 10); the timer runs at period x 1000 ms scaled by
// KORVUL_TIME_SCALE. A failed exchange stops the timer and asks TFrmCancelDlg (text 250) whether to end
// (Yes: the window closes with result 7) or to go on. Closing saves the period as PDBPERIOD.
#include "ui/MainDialogs.h"
#include "readout/ProcessData.h"

#include <QDialog>
#include <QTimer>
#include <memory>

namespace Ui {
class TFormProcessData;
}

namespace korvul {
// Shows the window modally; the caller has closed the protocol connection (the line stays open) and
// reopens it afterwards. Returns the window's result.
int ShowProcessData(QWidget *parent, const TProcessDataHeader &header);
} // namespace korvul

namespace korvul {

class TFormProcessData : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 300;
    static constexpr int kResultEnd = 7;

    explicit TFormProcessData(QWidget *parent = nullptr);
    ~TFormProcessData() override;

    void SetHeader(const korvul::TProcessDataHeader &header);
    int Period() const { return period_; }
    int TimerInterval() const { return Timer1.interval(); }
    bool Running() const { return Timer1.isActive(); }
    QString ColumnOrder() const { return columnOrder_; }
    // Raw rows (without the title row), as the copy takes them.
    int RowCount() const;
    korvul::TProcessRow RawRow(int row) const;
    QString ShownCell(int row, int column) const;
    QString ShownTitle(int column) const;
    QStringList RawTitles() const;
    // The clipboard text for the current selection.
    QString SelectionText() const;

    // One tick: request, parse, add a row. Public for the window's tests.
    void ReadOnce();

public slots:
    void Button1Click();   // stop / resume
    void Button2Click();   // flow rate / counter view
    void Button3Click();   // status register
    void Button4Click();   // copy
    void btSetClick();     // apply the period

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void SetUpTables();
    void AddRow(const korvul::TProcessRow &row);
    void FillShownRow(int row, const korvul::TProcessRow &raw);
    void UpdateHeaders();
    void ApplyPeriod(int value);
    bool Tick();
    void TickFailed();

    std::unique_ptr<Ui::TFormProcessData> ui;
    QTimer Timer1;
    QString columnOrder_ = QString::fromLatin1(korvul::kCounterOrder);
    QStringList shownTitles_;   // the shown table's titles from the language module, without units
    int period_ = 5;
    bool started_ = false;
    bool inTick_ = false;
    bool closing_ = false;
};

} // namespace korvul
