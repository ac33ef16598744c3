#pragma once
// The common data fields of the main window: what a TCommonDataView puts on the widgets (texts,
// captions, write states, visibility, the actions the device allows), the operator's edit marks, the
// collection of the edits for the write-back, and the connected and disconnected states of the actions.
//
// Edit marks: a combo box (cbDayBound, cbPeriod, cbCpVal, cbAlarmCycle) carries the bool property
// "changed"; an edit field's mark is its QLineEdit modified flag. Text the program puts into a field
// marks nothing.
#include "main/CommonDataView.h"
#include "ui/MainWindowAccess.h"

#include <QList>
#include <QString>
#include <functional>

namespace Ui {
class TFormMain;
}
class QLabel;
class QMainWindow;
class QObject;
class QWidget;

namespace korvul {

struct TCommonDataEdits;
struct TDeviceInfo;

class TCommonDataPanel {
public:
    // Every widget of the window at the moment of asking, its open dialogs included (the window's
    // findChildren): clearing and displaying reach every field the window has then.
    using TWidgetList = std::function<QList<QWidget *>()>;

    // window: the main window built from ui; both outlive the panel. The window gets the focus events
    // of edCPz (its event filter checks the Cp value on leaving the field).
    TCommonDataPanel(QMainWindow &window, Ui::TFormMain &ui, TWidgetList widgets);
    TCommonDataPanel(const TCommonDataPanel &) = delete;
    TCommonDataPanel &operator=(const TCommonDataPanel &) = delete;

    // Once, after the form is built: the status text panel, the value lists of the combo boxes, the
    // field lengths, the tab stops and the change marks.
    void SetUp();

    // Every edit field (text and modified flag), combo box (no selection, empty text) and check box of
    // the window emptied; Set and Reject off, no marks left.
    void ClearDataFields();
    // Tab control off, only the disconnected state's actions on, the status text and the status
    // register hint gone, every data field cleared. acDKMACode is left as it is.
    void ApplyDisconnectedState();
    // After a connect: the actions the identified device allows.
    void ApplyConnectedState(const TDeviceInfo &info);

    // An operator's edit: marks the sending combo box (one of the four; other senders mark nothing)
    // and enables Set and Reject.
    void MarkCompAsChanged(QObject *sender);
    static bool IsMarkedChanged(const QObject *comboBox);
    void ResetChangeMarks();
    // Edits not yet set: Set is enabled. Dropping them turns Set and Reject off.
    bool HasUnsetEdits() const;
    void DropUnsetEdits();

    void Apply(const TCommonDataView &view);
    TCommonDataEdits CollectEdits() const;
    // The device clock from the poll: date and time as shown.
    void ShowClock(const QString &date, const QString &time);
    QString StatusText() const;

    QString FieldText(TMainField field) const;
    void SetFieldText(TMainField field, const QString &text);
    // As the display shows a period: the list entry when there is one, else the text itself.
    void ShowPeriod(const QString &period);

private:
    void FillValueCombos();
    void ConnectChangeMarks();
    void ApplyTexts(const TCommonDataView &view);
    void ApplyCaptions(const TCommonDataView &view);
    void ApplyWriteStates(const TCommonDataView &view);
    void ApplyVisibility(const TCommonDataView &view);
    void ApplyActions(const TCommonDataView &view);

    template <class T> QList<T *> Widgets() const;

    QMainWindow &window_;
    Ui::TFormMain &ui_;
    TWidgetList widgets_;
    QLabel *statusText_ = nullptr;  // the status bar's one panel
};

} // namespace korvul
