#pragma once
// TFoCLM300: the window of a CLM-300 communication module (text base 4000). A header with the module's
// identity, eight pages of settings (PageControl1; the interface page has the sub-pages PageControl2,
// the input page one sub-page per input in pgcInputs), and the buttons Connect with end device, Set,
// Reject, Disconnect.
//
// The window shows ModuleData (owned by the main window) and never keeps its own copy of a setting
// beyond the item texts of the last display. Editing marks a field: a TJEdit by its modified flag, a
// combo box, spin box or check box by its bool property "changed". Set sends the records of the marked
// fields, re-reads what it wrote and shows it again, which clears every mark. Without ModuleAccess every
// editable control and every device action is disabled and nothing can be marked; the window can still
// be read page by page, switched through to an end device, printed and closed.
//
// Every transfer (page read, Set, switch-through, maintenance action) runs only while OperationActive is
// clear, sets it, and clears it on every path before a failure is reported.
//
// Code: creation, wiring and key rules in FoCLM300.cpp, the display and the change marks in
// FoCLM300Display.cpp, the transfers in FoCLM300Device.cpp.
#include "module/ModuleWindowLogic.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace Ui {
class TFoCLM300;
}
namespace korvul {
class TStrList;
class TCommClassException;
enum class TModuleActionEnd;
}
class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QTabWidget;
namespace korvul {
class TFormMeldung;
}
namespace korvul {
class TJEdit;
}

namespace korvul {

class TFoCLM300 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 4000;
    static constexpr uint16_t kChannelMenuText = 4014;     // "Channel %d: %s"
    static constexpr uint16_t kStatusHintBase = 1660;
    static constexpr uint16_t kNoReceiverText = 4178;
    static constexpr uint16_t kOutputOffText = 4179;
    static constexpr uint16_t kOutputOnText = 4180;
    static constexpr uint16_t kChannelLineText = 1820;
    static constexpr uint16_t kReadingText = 3010;
    static constexpr uint16_t kSettingText = 3011;
    static constexpr uint16_t kRecordRefusedText = 4190;
    static constexpr uint16_t kInvalidTimeText = 4191;
    static constexpr uint16_t kReadRefusedText = 4194;
    static constexpr uint16_t kSwitchRefusedText = 4184;
    static constexpr uint16_t kConnectionLostText = 2207;
    static constexpr uint16_t kSaveChangesText = 42014;

    // Fills itself from moduleData and translates itself; shows page 0.
    explicit TFoCLM300(korvul::TStrList &moduleData, QWidget *parent = nullptr);
    ~TFoCLM300() override;

    // The display in its nine steps: every field from ModuleData, enabling by ModuleAccess, every mark
    // cleared, Set and Reject off.
    void Display();
    // The module clock from the poll ("yymmddhhnnss") into the header and page 0; the two date and time
    // fields lose their marks and keep their enabled state.
    void RefreshClock(const QString &clock);

    // Handlers of the buttons and actions (also reached by tests).
    void btSetClick();
    void btRejectClick();
    void btConnectClick();             // the general Connect with end device (channel dialog)
    void ConnectChannel(int channel);  // a per-channel button or menu entry
    void btDisconnectClick();
    void acExitExecute();
    // Frees the window without the closing sequence (the main window's lost connection does the rest).
    void FreeQuietly();

    bool SetEnabled() const;

signals:
    // The window is being destroyed by its closing sequence or FreeQuietly.
    void Closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // ---- FoCLM300.cpp: creation and wiring
    void NameUnitFields();
    void ConnectSignals();
    void ConnectMarking();
    void ConnectActions();
    void InstallKeyRules();
    bool PhoneFieldKey(TJEdit *field, QKeyEvent *key);
    void RunModuleAction(const std::function<korvul::TModuleActionEnd()> &action);
    void Print();

    // ---- FoCLM300Display.cpp
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
    void MarkChanged(QObject *sender);
    void LevelsChanged(int r);
    void ServiceChanged(int r);
    void CallWindowLeft(TJEdit *field);
    korvul::TModuleSetForm CollectSetForm() const;
    void CollectUnit(int r, korvul::TModuleSetUnit &unit) const;
    korvul::TModuleModem CollectModem() const;

    // ---- FoCLM300Device.cpp
    void PageControl1Change(int index);
    void PageControl2Change(int index);
    void pgcInputsChange(int index);
    bool LeavePage(QTabWidget *pages, int &shown, int index, bool inputs);
    void ReadPage();
    void ReadItems(const QString &letters);
    void RunSet();
    void WriteRecords(const std::vector<korvul::TModuleWrite> &writes, QString &reread);
    void SetFailed(const korvul::TCommClassException &e, const QString &reread);
    void SwitchThrough(int channel);
    void ShowWait(uint16_t text);
    void CloseWait();
    void Disconnect();
    void RunClosingSequence();

public:
    // Marks of the controls that are not TJEdits ("changed" property).
    static bool IsMarked(const QObject *control);

private:
    template <class T>
    T *Field(const char *stem, int r) const;

    std::unique_ptr<Ui::TFoCLM300> ui;
    korvul::TStrList &moduleData_;
    std::array<QString, 15> items_;  // "a".."o" as last shown
    std::unique_ptr<TFormMeldung> wait_;
    int shownPage1_ = 0, shownPage2_ = 0, shownInputs_ = 0;
    bool displaying_ = false;  // a display fills the fields: no marking
    bool closing_ = false;     // the closing sequence has run (or the window is freed quietly)
    bool exiting_ = false;     // Exit: the main window's Exit follows the close
};

// The control named stem + r (r = 1..4).
template <class T>
T *TFoCLM300::Field(const char *stem, int r) const {
    return findChild<T *>(QString::fromLatin1(stem) + QString::number(r));
}

// The module window while it exists.
TFoCLM300 *ModuleWindowInstance();
// The module window as the main window reaches it (app/Wiring.cpp hands these to its hooks): opening it
// after reading the module items into moduleData, the window while it exists, freeing it, and the
// device clock from the poll ("yymmddhhnnss") for its date and time fields.
void OpenModuleWindow(QWidget *parent, TStrList &moduleData);
QWidget *ModuleWindowWidget();
void FreeModuleWindow();
void RefreshModuleClock(const QString &clock);

} // namespace korvul
