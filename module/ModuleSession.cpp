#include "module/ModuleSession.h"

#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "comm/CommClass.h"
#include "comm/DeviceFailure.h"
#include "comm/Items.h"
#include "comm/PortFailure.h"

namespace korvul {

namespace {

using TLife = std::weak_ptr<const int>;

// The poll stays off while Set writes, so that no clock read comes between two records.
void PollOff() {
    if (CommObjectExists()) CommObject().SetOptions(coPollOff);
}
void PollOn() {
    if (CommObjectExists()) CommObject().SetOptions(coPollOn);
}
bool LineConnected() { return CommObjectExists() && CommObject().Connected(); }

// A protected write whose result is not 0 raises with the result in decimal (negative results raise in
// WriteProtectedItem already).
void WriteOrRaise(char letter, const QString &record) {
    if (const int32_t r = WriteProtectedItem(static_cast<uint8_t>(letter), record); r != 0)
        throw TCommClassException::Result(r);
}

// Each record in order; a refusal ends the run (the records after it stay unsent). reread collects the
// items that show what the records written so far changed.
void WriteRecords(const std::vector<TModuleWrite> &writes, QString &reread) {
    for (const TModuleWrite &w : writes) {
        WriteOrRaise(w.Letter, w.Record);
        AddToRereadList(reread, w.Letter);
    }
}

} // namespace

TModuleSession::TModuleSession(TModuleView &view, TStrList &moduleData, bool &operationActive)
    : view_(view), moduleData_(moduleData), active_(operationActive) {}

TModuleSession::~TModuleSession() = default;

TPageLeave TModuleSession::LeavePage(bool inputPage) {
    if (active_) return TPageLeave::Refused;
    const TLife alive = life_;
    if (view_.HasUnsavedEdits()) {
        if (view_.AskYesNo(LanguageText(kSaveChangesText), kHelpSaveChanges)) Set();
        else if (inputPage) view_.Display();
    }
    if (alive.expired() || closed_) return TPageLeave::Closed;
    return TPageLeave::Allowed;
}

void TModuleSession::ReadPage(int page, int interfacePage) { ReadItems(PageReadLetters(page, interfacePage)); }

void TModuleSession::ReadItems(const QString &letters) {
    if (active_ || letters.isEmpty()) return;
    bool &active = active_;  // the program's flag: still there when the session is not
    const TLife alive = life_;
    active = true;
    view_.ShowWait(kReadingText);
    try {
        ReadModuleItems(moduleData_, letters, false);
    } catch (const TCommClassException &e) {
        active = false;
        if (!alive.expired()) ReadFailed(e);
        return;
    }
    active = false;
    if (alive.expired()) return;
    view_.CloseWait();
    view_.Display();
}

void TModuleSession::ReadFailed(const TCommClassException &e) {
    view_.CloseWait();
    const TDeviceFailure kind = ClassifyDeviceFailure(e);
    if (kind == TDeviceFailure::Other) return view_.ShowMessage(e.Message());
    const TLife alive = life_;
    view_.ShowMessage(kind == TDeviceFailure::DeviceRefusal ? LanguageText(kReadRefusedText)
                                                            : ConnectionBrokenText(kConnectionLostText));
    if (!alive.expired() && kind == TDeviceFailure::ConnectionBroken) Close();
}

void TModuleSession::Set() {
    if (active_) return;
    bool &active = active_;
    active = true;
    TModuleSetForm form = view_.CollectSetForm();
    if (const std::optional<TModuleClockEntry> clock = view_.EditedClock()) {
        form.Clock = LocalClockRecord(clock->Date, clock->Time);
        if (!form.Clock) {
            active = false;
            return view_.ShowMessage(LanguageText(kInvalidTimeText));
        }
    }
    view_.ShowWait(kSettingText);
    PollOff();
    QString reread;
    const TLife alive = life_;
    try {
        WriteRecords(PlanModuleSet(form), reread);
        if (!reread.isEmpty()) ReadModuleItems(moduleData_, reread, false);
    } catch (const TCommClassException &e) {
        if (!alive.expired()) SetFailed(e, reread);
        else active = false;
        return;
    }
    active = false;
    if (alive.expired()) return;
    view_.Display();
    PollOn();
    view_.CloseWait();
}

void TModuleSession::SetFailed(const TCommClassException &e, const QString &reread) {
    active_ = false;
    view_.CloseWait();
    switch (ClassifyDeviceFailure(e)) {
    case TDeviceFailure::DeviceRefusal:
        PollOn();
        view_.ShowMessage(LanguageText(kRecordRefusedText));
        if (reread.isEmpty()) view_.Display();
        else ReadItems(reread);
        return;
    case TDeviceFailure::ConnectionBroken:
        view_.ShowMessage(ConnectionBrokenText(kConnectionLostText));
        view_.DisableSet();
        Close();
        return;
    case TDeviceFailure::Other:
        PollOn();
        view_.ShowMessage(e.Message());
        return;
    }
}

void TModuleSession::Reject() {
    if (!active_) view_.Display();
}

void TModuleSession::ConnectEndDevice() {
    if (active_) return;
    active_ = true;
    const QStringList lines =
        ChannelChoiceLines(moduleData_.GetValue(QStringLiteral("h")), LanguageText(kChannelLineText));
    QString line;
    if (lines.size() == 1) line = lines.first();
    else if (lines.size() > 1) line = view_.ChooseChannelLine(lines);
    const int channel = ChannelOfChoiceLine(line);
    if (channel < 0) {
        active_ = false;
        return;
    }
    SwitchThrough(channel);
}

void TModuleSession::ConnectChannel(int channel) {
    if (active_) return;
    active_ = true;
    SwitchThrough(channel);
}

// "N" with the channel digit; then the main window takes the line and signs on to the end device. Its
// disconnect brings the module window back.
void TModuleSession::SwitchThrough(int channel) {
    try {
        WriteOrRaise('N', QString::number(channel));
    } catch (const TCommClassException &e) {
        active_ = false;
        const TDeviceFailure kind = ClassifyDeviceFailure(e);
        if (kind == TDeviceFailure::DeviceRefusal) return view_.ShowMessage(LanguageText(kSwitchRefusedText));
        if (kind == TDeviceFailure::Other) return view_.ShowMessage(e.Message());
        if (e.Message() == QLatin1String(kErrorText)) view_.ShowMessage(ConnectionBrokenText(kConnectionLostText));
        Close();
        return;
    }
    active_ = false;
    view_.HandOverToEndDevice();
}

bool TModuleSession::Close() {
    if (closed_) return true;
    if (active_) return false;
    const TLife alive = life_;
    RunClosingSequence();
    return alive.expired() || closed_;
}

// Unsaved edits are offered for Set; then the window leaves and the main window ends the connection (the
// module window no longer exists for it, so it really disconnects).
void TModuleSession::RunClosingSequence() {
    const TLife alive = life_;
    if (view_.HasUnsavedEdits() && LineConnected() && view_.AskYesNo(LanguageText(kSaveChangesText), kHelpSaveChanges))
        Set();
    if (alive.expired() || closed_) return;  // a failed Set has closed the window already
    closed_ = true;
    view_.Leave();
}

} // namespace korvul
