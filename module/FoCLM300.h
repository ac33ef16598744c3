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
// The transfers (page reads, Set, the switch-through, the closing sequence) are a TModuleSession that
// sees the window through TModuleView; the fields, their marks and what Set collects from them are a
// TModuleFormPanel. The window wires its controls to them and keeps the key rules of its fields.
#include "module/ModuleFormPanel.h"
#include "module/ModuleSession.h"

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>

namespace Ui {
class TFoCLM300;
}
class QKeyEvent;
class QTabWidget;

namespace korvul {

class TFormMeldung;
class TJEdit;
class TStrList;
enum class TModuleActionEnd;

class TFoCLM300 : public QMainWindow, private TModuleView {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 4000;
    static constexpr uint16_t kChannelMenuText = TModuleFormPanel::kChannelMenuText;
    static constexpr uint16_t kStatusHintBase = 1660;
    static constexpr uint16_t kNoReceiverText = TModuleFormPanel::kNoReceiverText;
    static constexpr uint16_t kOutputOffText = TModuleFormPanel::kOutputOffText;
    static constexpr uint16_t kOutputOnText = TModuleFormPanel::kOutputOnText;
    static constexpr uint16_t kChannelLineText = TModuleSession::kChannelLineText;
    static constexpr uint16_t kReadingText = TModuleSession::kReadingText;
    static constexpr uint16_t kSettingText = TModuleSession::kSettingText;
    static constexpr uint16_t kRecordRefusedText = TModuleSession::kRecordRefusedText;
    static constexpr uint16_t kInvalidTimeText = TModuleSession::kInvalidTimeText;
    static constexpr uint16_t kReadRefusedText = TModuleSession::kReadRefusedText;
    static constexpr uint16_t kSwitchRefusedText = TModuleSession::kSwitchRefusedText;
    static constexpr uint16_t kConnectionLostText = TModuleSession::kConnectionLostText;
    static constexpr uint16_t kSaveChangesText = TModuleSession::kSaveChangesText;

    // Fills itself from moduleData and translates itself; shows page 0.
    explicit TFoCLM300(korvul::TStrList &moduleData, QWidget *parent = nullptr);
    ~TFoCLM300() override;

    // The display in its nine steps: every field from ModuleData, enabling by ModuleAccess, every mark
    // cleared, Set and Reject off.
    void Display() override;
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

    // Marks of the controls that are not TJEdits ("changed" property).
    static bool IsMarked(const QObject *control) { return TModuleFormPanel::IsMarked(control); }

signals:
    // The window is being destroyed by its closing sequence or FreeQuietly.
    void Closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Creation and wiring.
    void NameUnitFields();
    void ConnectSignals();
    void ConnectMarking();
    void ConnectActions();
    void InstallKeyRules();
    bool PhoneFieldKey(TJEdit *field, QKeyEvent *key);
    void RunModuleAction(const std::function<korvul::TModuleActionEnd()> &action);
    void Print();

    // Page changes: the session decides whether the page may be left, then the new page is read.
    void PageControl1Change(int index);
    void PageControl2Change(int index);
    void pgcInputsChange(int index);
    bool LeavePage(QTabWidget *pages, int &shown, int index, bool inputs);
    void ReadPage();

    // TModuleView.
    void ShowWait(uint16_t text) override;
    void CloseWait() override;
    void ShowMessage(const QString &text) override;
    bool AskYesNo(const QString &question, int helpContext) override;
    bool HasUnsavedEdits() const override { return SetEnabled(); }
    void DisableSet() override;
    TModuleSetForm CollectSetForm() const override;
    std::optional<TModuleClockEntry> EditedClock() const override;
    QString ChooseChannelLine(const QStringList &lines) override;
    void HandOverToEndDevice() override;
    void Leave() override;

    template <class T>
    T *Field(const char *stem, int r) const;

    std::unique_ptr<Ui::TFoCLM300> ui;
    korvul::TStrList &moduleData_;
    std::unique_ptr<TModuleFormPanel> panel_;
    std::unique_ptr<TModuleSession> session_;
    std::unique_ptr<TFormMeldung> wait_;
    int shownPage1_ = 0, shownPage2_ = 0, shownInputs_ = 0;
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
