#pragma once
// TFormProcessData: the modal process data window (text base 300). It sends the process data request
// straight through the line driver every period and keeps each answer with its reception time in a
// TProcessTableModel, which the shown table (StringGrid1, eight columns through the column order) and
// the plot (ProcessPlot) show. The status reads Ok/Er; two columns switch to flow rates (every row,
// from its raw values); the status register of the selected row is shown over the window; rows go to
// the clipboard, the whole session to a CSV file (ProcessCsv.h) and the plot to a PNG or SVG file.
// Column titles carry the unit of the device type; numbers stand right-aligned. StringGrid2 (hidden)
// holds the raw titles the copy and the CSV file use.
//
// The period is in seconds (5..99, type 91 at least 10); the timer runs at period x 1000 ms scaled by
// KORVUL_TIME_SCALE. A failed exchange stops the timer and asks TFrmCancelDlg (text 250) whether to end
// (Yes: the window closes with result 7) or to go on. Closing saves the period as PDBPERIOD.
#include "ui/MainDialogs.h"
#include "readout/ProcessData.h"
#include "readout/ProcessSeries.h"

#include <QDialog>
#include <QTimer>
#include <memory>

namespace Ui {
class TFormProcessData;
}
class TProcessPlot;
namespace korvul {
class TProcessTableModel;
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
    QString ColumnOrder() const;
    // Raw rows (without the title row), as the copy takes them.
    int RowCount() const;
    korvul::TProcessRow RawRow(int row) const;
    QString ShownCell(int row, int column) const;
    QString ShownTitle(int column) const;
    QStringList RawTitles() const;
    // The clipboard text for the current selection.
    QString SelectionText() const;

    TProcessPlot *Plot() const;
    const korvul::TProcessTableModel &Model() const { return *model_; }

    // One tick: request, parse, add a row. Public for the window's tests.
    void ReadOnce();
    // Adds a row received now (what ReadOnce does with an answer; the benchmark feeds rows this way).
    void AddRow(const korvul::TProcessRow &row);
    // Write every row as CSV, or the plot as SVG (".svg") or PNG; false (after a message naming the
    // file) when the file could not be written. The file appears complete or not at all.
    bool SaveCsv(const QString &path);
    bool SavePlot(const QString &path);

public slots:
    void Button1Click();   // stop / resume
    void Button2Click();   // flow rate / counter view
    void Button3Click();   // status register
    void Button4Click();   // copy
    void btSetClick();     // apply the period
    void btSaveCsvClick();
    void btSavePlotClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void SetUpTables();
    void SetUpPlot();
    void UpdateHeaders();
    QString AskSaveName(uint16_t title, const QString &suffix, const QStringList &filters);
    void FileNotWritten(const QString &path);
    void ApplyPeriod(int value);
    bool Tick();
    void TickFailed();

    std::unique_ptr<Ui::TFormProcessData> ui;
    QTimer Timer1;
    korvul::TProcessTableModel *model_ = nullptr;
    QStringList shownTitles_;   // the shown table's titles from the language module, without units
    int period_ = 5;
    bool started_ = false;
    bool inTick_ = false;
    bool closing_ = false;
};

} // namespace korvul
