// The main window's device actions without the window: TDeviceSession on the fake drivers, with a view
// that records what the window would be asked to do.
#include "unit/CommFixture.h"
#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "comm/Connection.h"
#include "comm/Conversions.h"
#include "main/CommonDataWrite.h"
#include "main/DeviceSession.h"

#include <map>
#include <ostream>

using namespace korvul;
using korvultest::DriverCall;

namespace {

class FakeSessionView : public IDeviceSessionView {
public:
    QStringList log;        // what the session asked, in order
    TCommonDataEdits edits;
    bool unsetEdits = false, yes = false, visible = true, moduleOpen = false;
    int selectedChannel = 0;
    std::map<TSessionDialog, std::function<bool()>> dialogs;

    void ShowMessage(const QString &text) override { log << "message " + text; }
    void ShowError(const QString &text, const QString &caption) override { log << "error " + caption + ": " + text; }
    bool AskYesNo(const QString &text, int helpTopic) override {
        log << QStringLiteral("ask %1 help %2").arg(text).arg(helpTopic);
        return yes;
    }
    void SetBusyCursor(bool) override {}
    bool HasBusyNotice() const override { return notice; }
    void CreateBusyNotice() override { notice = true; }
    void ShowBusyNotice() override {}
    void HideBusyNotice() override {}
    void FreeBusyNotice() override { notice = false; }
    void ShowCommonData(const TCommonDataView &) override { log << "display"; }
    TCommonDataEdits CollectEdits() const override { return edits; }
    bool HasUnsetEdits() const override { return unsetEdits; }
    void DropUnsetEdits() override { unsetEdits = false, log << "drop edits"; }
    void ShowClock(const QString &date, const QString &time) override { log << "clock " + date + " " + time; }
    void ApplyConnectedState(const TDeviceInfo &) override { log << "connected"; }
    void ApplyDisconnectedState() override { log << "disconnected"; }
    void EnableModuleAccessCode(bool enabled) override { log << QStringLiteral("module code %1").arg(enabled); }
    void RebuildChannelTabs(int count) override { log << QStringLiteral("tabs %1").arg(count); }
    int AdoptSelectedChannel() override { return selectedChannel; }
    void Repaint() override {}
    bool WindowVisible() const override { return visible; }
    void HideWindow() override { log << "hide"; }
    void BringWindowToFront() override { log << "front"; }
    bool HasDialog(TSessionDialog d) const override { return dialogs.count(d) != 0; }
    bool RunDialog(TSessionDialog d) override { return dialogs.at(d)(); }
    bool ModuleWindowOpen() const override { return moduleOpen; }
    void FreeModuleWindow() override { moduleOpen = false, log << "free module"; }
    void ShowModuleWindowInstead() override { log << "module instead"; }
    void RefreshModuleClock(const QString &clock) override { log << "module clock " + clock; }
    std::optional<QString> AskModuleAccessCode() override { return std::nullopt; }
    void CloseStatusRegWindow() override {}

    bool notice = false;
};

class DeviceSessionTest : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        OperationActive = false;
    }
    void TearDown() override {
        session.UnbindCommObject();
        OperationActive = false;
        CommFixture::TearDown();
    }
    // Signed on to a QT device with write access; the display shown once, the log empty.
    void ConnectedWithDisplay() {
        ConnectQuietly();
        DeviceInfo().WriteAccess = true;
        session.ShowCommonData();
        view.log.clear();
    }
    static QString Message(uint16_t text) { return "message " + LanguageText(text); }
    static QString Question(uint16_t text, int help) {
        return QStringLiteral("ask %1 help %2").arg(LanguageText(text)).arg(help);
    }

    FakeSessionView view;
    TDeviceSession session{view};
};

} // namespace

// A connect that fails after the line was opened ends disconnected, says why, and leaves no operation
// or busy notice behind. No answer is a broken connection, a positive result the device's refusal.
struct FailedConnectRow {
    int32_t identResult;
    uint16_t text;
    friend void PrintTo(const FailedConnectRow &r, std::ostream *os) {
        *os << "identification result " << r.identResult;
    }
};
class DeviceSessionFailedConnect : public DeviceSessionTest, public ::testing::WithParamInterface<FailedConnectRow> {};

TEST_P(DeviceSessionFailedConnect, ShowsItsTextThenEndsDisconnected) {
    fakes.items['z'] = "240517101112";
    fakes.readResults['a'] = GetParam().identResult;
    session.Connect();
    EXPECT_EQ(view.log, (QStringList{Message(GetParam().text), "module code 1", "disconnected"}));
    EXPECT_FALSE(comm->Connected());
    EXPECT_FALSE(OperationActive);
    EXPECT_FALSE(view.notice);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceSessionFailedConnect, ::testing::Values(
    FailedConnectRow{-13, TDeviceSession::kConnectionLostText},
    FailedConnectRow{3, TDeviceSession::kConnectRefusedText}));

// Every entry point the operator reaches does nothing while another operation runs: no device request,
// nothing asked of the window.
struct EntryPointRow {
    const char *name;
    void (TDeviceSession::*action)();
    friend void PrintTo(const EntryPointRow &r, std::ostream *os) { *os << r.name; }
};
class DeviceSessionDuringOperation : public DeviceSessionTest, public ::testing::WithParamInterface<EntryPointRow> {};

TEST_P(DeviceSessionDuringOperation, DoesNothing) {
    ConnectedWithDisplay();
    view.unsetEdits = true;
    DeviceInfo().TypeCode = 41;
    for (TSessionDialog d : {TSessionDialog::ReadArchive, TSessionDialog::ReadProcessData, TSessionDialog::InitDevice,
                             TSessionDialog::ConfigQT700A})
        view.dialogs[d] = [&] { return view.log << "dialog", true; };
    OperationActive = true;
    (session.*GetParam().action)();
    EXPECT_TRUE(view.log.isEmpty()) << view.log.join(" | ").toStdString();
    EXPECT_TRUE(fakes.calls.empty());
    EXPECT_TRUE(comm->Connected());
    EXPECT_TRUE(OperationActive);
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, DeviceSessionDuringOperation, ::testing::Values(
    EntryPointRow{"Connect", &TDeviceSession::Connect}, EntryPointRow{"Disconnect", &TDeviceSession::Disconnect},
    EntryPointRow{"Read", &TDeviceSession::ReadCommonDataAction}, EntryPointRow{"Set", &TDeviceSession::SetDataAction},
    EntryPointRow{"Configure", &TDeviceSession::ConfigureDevice},
    EntryPointRow{"ReadArchive", &TDeviceSession::ReadArchive},
    EntryPointRow{"ReadProcessData", &TDeviceSession::ReadProcessData},
    EntryPointRow{"InitDevice", &TDeviceSession::InitDevice}));

// Set: a refused write shows text 42006 and re-displays what the device kept; a broken connection shows
// text 2207 and disconnects. Only a connection that is still there polls again.
struct SetRow {
    int32_t writeResult;
    QStringList log;
    bool connected;
    friend void PrintTo(const SetRow &r, std::ostream *os) { *os << "write result " << r.writeResult; }
};
class DeviceSessionSet : public DeviceSessionTest, public ::testing::WithParamInterface<SetRow> {};

TEST_P(DeviceSessionSet, ReportsTheWriteAndPollsAgainWhileConnected) {
    Settings().CHECKTIME = 15000;
    ConnectedWithDisplay();
    view.edits.Period = {"15", true};
    fakes.writeResults['q'] = GetParam().writeResult;
    session.SetDataAction();
    QStringList expected;
    for (const QString &entry : GetParam().log) expected << (entry.toInt() ? Message(uint16_t(entry.toInt())) : entry);
    EXPECT_EQ(view.log, expected);
    EXPECT_EQ(comm->Connected(), GetParam().connected);
    if (GetParam().connected) {
        EXPECT_EQ(comm->Period, 15000);
        EXPECT_EQ(comm->Options(), 26);
    }
    EXPECT_NE(session.CommonData().GetValue("p"), "15");
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceSessionSet, ::testing::Values(
    SetRow{3, {"42006", "display"}, true},
    SetRow{-13, {"2207", "module code 1", "disconnected"}, false}));

// New identification numbers offer a code mark 00; a refused code mark counts as a refused write, and
// the settings keep their own code mark.
TEST_F(DeviceSessionTest, RefusedCodeMarkAfterNewIdentificationIsARefusedWrite) {
    ConnectedWithDisplay();
    Settings().CODEMARK = 7;
    view.yes = true;
    view.edits.DevNo = {"1234", true};
    fakes.writeResults[126] = 3;
    EXPECT_EQ(session.WriteCommonData(), kWriteRefused);
    EXPECT_EQ(view.log, QStringList{Question(kCodeMarkOffer, kHelpCodeMark)});
    EXPECT_EQ(fakes.Trace("proto").back(), "proto write ~ \"00\" n=2");
    EXPECT_EQ(Settings().CODEMARK, 7);
}

// Disconnect with unsaved edits asks first; No drops them and nothing is written.
TEST_F(DeviceSessionTest, DisconnectAsksForUnsavedEditsAndNoDropsThem) {
    ConnectedWithDisplay();
    view.unsetEdits = true;
    view.edits.Period = {"15", true};
    session.Disconnect();
    EXPECT_EQ(view.log, (QStringList{Question(TDeviceSession::kSaveChangesText, kHelpSaveChanges), "drop edits",
                                     "module code 1", "disconnected"}));
    EXPECT_FALSE(comm->Connected());
    for (const std::string &line : fakes.Trace("proto")) EXPECT_EQ(line.find("write"), std::string::npos) << line;
}

// With the module window open the line goes back to the module: it is woken from the pass-through
// (ETX, 5 x EOT, 5 x STX), shown in the main window's place and gets its own time-out; the
// connection itself stays.
TEST_F(DeviceSessionTest, DisconnectHandsTheLineBackToTheModuleWindow) {
    Settings().CLMTIMEOUT = 700;
    ConnectedWithDisplay();
    view.moduleOpen = true;
    session.DisconnectSequence();
    EXPECT_EQ(fakes.Trace("line"), (Trace{"line write 03", "line write 04 04 04 04 04", "line write 02 02 02 02 02",
                                          "line setparam 1=700"}));
    EXPECT_EQ(view.log, (QStringList{"module instead", "disconnected"}));
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
}

// The lost connection frees the module window, brings the main window back and reports only after the
// disconnect.
TEST_F(DeviceSessionTest, LostConnectionFreesTheModuleWindowAndReportsAfterTheDisconnect) {
    ConnectedWithDisplay();
    session.BindCommObject();
    view.moduleOpen = true;
    comm->OnConnectionLost(comm.get());
    EXPECT_EQ(view.log, (QStringList{"free module", "front", "module code 1", "disconnected",
                                     Message(TDeviceSession::kConnectionLostText)}));
    EXPECT_FALSE(comm->Connected());
}

// A read that loses the device reports after the disconnect and puts OperationActive back as it was.
TEST_F(DeviceSessionTest, FailedReadDisconnectsAndRestoresTheOperationFlag) {
    ConnectedWithDisplay();
    fakes.writeResults[99] = -13;  // the access code after the items
    for (bool before : {false, true}) {
        OperationActive = before;
        comm->SetConnected(true);
        view.log.clear();
        session.ReadCommonData();
        EXPECT_EQ(view.log,
                  (QStringList{"module code 1", "disconnected", Message(TDeviceSession::kConnectionLostText)}));
        EXPECT_EQ(OperationActive, before);
        EXPECT_FALSE(view.notice);
    }
}

// The configuration dialog by type code; a type without one says so.
struct ConfigRow {
    int typeCode;
    std::optional<TSessionDialog> dialog;
    friend void PrintTo(const ConfigRow &r, std::ostream *os) { *os << "type " << r.typeCode; }
};
class DeviceSessionConfigure : public DeviceSessionTest, public ::testing::WithParamInterface<ConfigRow> {};

TEST_P(DeviceSessionConfigure, OpensTheDialogOfTheTypeCode) {
    std::optional<TSessionDialog> opened;
    for (TSessionDialog d : {TSessionDialog::ConfigQT700V2, TSessionDialog::ConfigQT700A, TSessionDialog::ConfigQT700M,
                             TSessionDialog::ConfigNX17S})
        view.dialogs[d] = [&opened, d] { return opened = d, true; };
    DeviceInfo().TypeCode = GetParam().typeCode;
    session.ConfigureDevice();
    EXPECT_EQ(opened, GetParam().dialog);
    const QString error = "error " + LanguageText(TDeviceSession::kConfigCaptionText) + ": " +
                          LanguageText(TDeviceSession::kNoConfigDialogText);
    EXPECT_EQ(view.log, GetParam().dialog ? QStringList{} : QStringList{error});
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceSessionConfigure, ::testing::Values(
    ConfigRow{21, TSessionDialog::ConfigQT700V2}, ConfigRow{24, TSessionDialog::ConfigQT700V2},
    ConfigRow{41, TSessionDialog::ConfigQT700A}, ConfigRow{42, TSessionDialog::ConfigQT700M},
    ConfigRow{95, TSessionDialog::ConfigNX17S}, ConfigRow{20, std::nullopt}, ConfigRow{25, std::nullopt},
    ConfigRow{43, std::nullopt}));

// The clock from the poll goes to the window while it shows, else to the module window; a poll answer
// that is no clock changes nothing.
TEST_F(DeviceSessionTest, PollClockGoesToTheWindowShown) {
    ConnectedWithDisplay();
    comm->PollText = "240517101112";
    session.RefreshDeviceClock();
    view.visible = false;
    session.RefreshDeviceClock();
    comm->PollText = "24051710111";
    session.RefreshDeviceClock();
    const QString shown = DeviceDateToText("240517101112", 2) + " " + DeviceTimeToText("101112", 2);
    EXPECT_EQ(view.log, (QStringList{"clock " + shown, "module clock 240517101112"}));
    EXPECT_EQ(session.CommonData().GetValue("z"), "240517101112");
}
