#pragma once
// The fields of the CLM-300 module window (TFoCLM300): the display of the module data on them, the
// enabling by ModuleAccess, the change marks, and the collection of the marked fields for Set.
//
// The panel shows the module data (owned by the main window) and keeps of it only the item texts of the
// last display. A TJEdit is marked by its modified flag, a combo box, spin box or check box by its bool
// property "changed". Without ModuleAccess every editable control is disabled and nothing is marked.
#include "module/ModuleSession.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace Ui {
class TFoCLM300;
}
class QObject;
class QWidget;

namespace korvul {

class TJEdit;
class TStrList;

class TModuleFormPanel {
public:
    static constexpr uint16_t kChannelMenuText = 4014;  // "Channel %d: %s"
    static constexpr uint16_t kNoReceiverText = 4178;
    static constexpr uint16_t kOutputOffText = 4179;
    static constexpr uint16_t kOutputOnText = 4180;

    // ui: the window's form, set up; window: the module window (messages, palette).
    TModuleFormPanel(Ui::TFoCLM300 &ui, QWidget &window, const TStrList &moduleData);

    // The display in its nine steps: every field from the module data, enabling by ModuleAccess, every
    // mark cleared, Set and Reject off.
    void Display();
    // The module clock from the poll ("yymmddhhnnss") into the header and page 0; the two date and time
    // fields lose their marks and keep their enabled state.
    void RefreshClock(const QString &clock);

    // The operator changed a field: it is marked and Set and Reject are enabled (not while a display
    // fills the fields, nor without ModuleAccess).
    void MarkChanged(QObject *sender);
    // The number of levels of input r (1..4) chosen: two levels turn "undef" and "break" into "low"
    // and "high".
    void LevelsChanged(int r);
    // The service of fax receiver r chosen: its row follows it.
    void ServiceChanged(int r);
    // A call acceptance time left with a change that is no time of day: text 4191, the display again,
    // the field keeps the focus.
    void CallWindowLeft(TJEdit *field);

    bool SetEnabled() const;
    void DisableSet();
    TModuleSetForm CollectSetForm() const;
    std::optional<TModuleClockEntry> EditedClock() const;

    // Marks of the controls that are not TJEdits ("changed" property).
    static bool IsMarked(const QObject *control);

private:
    void CopyItems();
    void ShowCommon();
    void ShowChannels();
    void ShowModem();
    void ShowUnits();
    void ShowInput(int r);
    void ShowReceiverLists(int r, int first, int substitute);
    void EnableByAccess();
    void EnableChannels();
    void EnableReceiverRows();
    void CollectUnit(int r, TModuleSetUnit &unit) const;
    void CollectChannel(int r, TModuleSetUnit &unit) const;
    TModuleModem CollectModem() const;
    QString Item(char letter) const;

    // The control named stem + r (r = 1..4) on the form.
    template <class T>
    T *Field(const char *stem, int r) const;

    Ui::TFoCLM300 &ui;
    QWidget &window_;
    const TStrList &moduleData_;
    std::array<QString, 15> items_;  // "a".."o" as last shown
    bool displaying_ = false;        // a display fills the fields: no marking
};

} // namespace korvul
