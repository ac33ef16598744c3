#pragma once
// The transfers of the CLM-300 module window without its widgets: the page reads of module items, Set
// (the records of the marked fields, then the re-read of what they changed), the switch-through to the
// end device on a channel, and the closing sequence that hands the line back to the main window. The
// window (TFoCLM300) shows what the session reports through TModuleView and asks the operator for it.
//
// Every transfer runs only while the operation flag (the program's OperationActive) is clear, sets it,
// and clears it on every path before a failure is reported, so that a closing sequence in the reaction
// takes effect.
//
// Failures (TCommClassException: "ERROR" or a driver result in decimal) close the wait notice first:
//   page read:  result > 0 text 4194, the window stays; otherwise 2207 and the closing sequence
//   Set:        result > 0 text 4190, then what was written so far is re-read (the records after the
//               refused one stay unsent); otherwise 2207, Set off, the closing sequence
//   switch:     result > 0 text 4184, the window stays; result < 0 the closing sequence without a
//               message; "ERROR" 2207 and the closing sequence
// Any other exception text is shown as it stands.
#include "comm/StrList.h"
#include "module/ModuleWindowLogic.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

namespace korvul {

class TCommClassException;

// The date and time texts of the header's editable clock fields, as the operator typed them.
struct TModuleClockEntry {
    QString Date, Time;
};

// The module window as the session sees it.
class TModuleView {
public:
    virtual ~TModuleView() = default;
    // A notice with language text `text` and the wait cursor while a transfer runs; CloseWait removes
    // both (nothing when no notice shows).
    virtual void ShowWait(uint16_t text) = 0;
    virtual void CloseWait() = 0;
    // Modal; the window may be gone when they return only where the session checks for it.
    virtual void ShowMessage(const QString &text) = 0;
    virtual bool AskYesNo(const QString &question, int helpContext) = 0;
    // Every field from the module data, every mark cleared, Set and Reject off.
    virtual void Display() = 0;
    // The operator has edits that Set would send (Set is enabled), and switching Set off.
    virtual bool HasUnsavedEdits() const = 0;
    virtual void DisableSet() = 0;
    // The fields as Set sees them (without the clock record), and the clock texts when the operator
    // edited the date or the time.
    virtual TModuleSetForm CollectSetForm() const = 0;
    virtual std::optional<TModuleClockEntry> EditedClock() const = 0;
    // The channel dialog over `lines` (more than one); the chosen line, empty when cancelled.
    virtual QString ChooseChannelLine(const QStringList &lines) = 0;
    // The module has switched through: the window hides and the main window signs on to the end device.
    virtual void HandOverToEndDevice() = 0;
    // The end of the closing sequence: the window frees itself, the main window shows again and ends
    // the connection.
    virtual void Leave() = 0;
};

// What a page change may do (TModuleSession::LeavePage).
enum class TPageLeave {
    Refused,  // a transfer runs: the shown page stays
    Closed,   // the window closed while the edits were set: nothing more may happen
    Allowed,
};

class TModuleSession {
public:
    static constexpr uint16_t kReadingText = 3010;
    static constexpr uint16_t kSettingText = 3011;
    static constexpr uint16_t kChannelLineText = 1820;
    static constexpr uint16_t kRecordRefusedText = 4190;
    static constexpr uint16_t kInvalidTimeText = 4191;
    static constexpr uint16_t kReadRefusedText = 4194;
    static constexpr uint16_t kSwitchRefusedText = 4184;
    static constexpr uint16_t kConnectionLostText = 2207;
    static constexpr uint16_t kSaveChangesText = 42014;

    // moduleData: the module items the main window owns (read into, never copied). operationActive: the
    // program-wide flag of a running operation; it outlives the session.
    TModuleSession(TModuleView &view, TStrList &moduleData, bool &operationActive);
    ~TModuleSession();
    TModuleSession(const TModuleSession &) = delete;
    TModuleSession &operator=(const TModuleSession &) = delete;

    // Leaving the shown page: refused while a transfer runs; with unsaved edits the operator decides
    // whether they are set first (No on an input sub-page, inputPage, also discards them).
    TPageLeave LeavePage(bool inputPage);
    // The items of PageControl1's page `page` (and of the interface sub-page), then the display.
    void ReadPage(int page, int interfacePage);
    // The module items `letters` into the module data, then the display; nothing for no letters.
    void ReadItems(const QString &letters);
    // The records of the marked fields ("K" access assumed), the re-read and the display. A date or
    // time entry that is no valid local date or time sends nothing and says so (text 4191).
    void Set();
    // The display from the module data again, unless a transfer runs.
    void Reject();
    // The general switch-through: the only connectable channel, or the one the operator chooses.
    void ConnectEndDevice();
    void ConnectChannel(int channel);
    // The closing sequence unless a transfer runs: unsaved edits on a connected line are offered for
    // Set, then the view leaves. True when the window is closed (also when it was before).
    bool Close();
    // The window left by other means (freed quietly): no closing sequence follows.
    void MarkClosed() { closed_ = true; }
    bool Closed() const { return closed_; }

private:
    void SetFailed(const TCommClassException &e, const QString &reread);
    void ReadFailed(const TCommClassException &e);
    void SwitchThrough(int channel);
    void RunClosingSequence();

    TModuleView &view_;
    TStrList &moduleData_;
    bool &active_;
    bool closed_ = false;
    // Expires with the session (and with the window that owns it): steps that hand control to the
    // operator or the line check it before they go on.
    std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
};

} // namespace korvul
