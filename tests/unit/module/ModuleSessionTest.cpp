// The module window's transfers without the window, on the fake drivers: the operation flag is clear
// before any failure is reported, a refused Set re-reads only what it wrote, and each failure of a page
// read, Set and switch-through says what it should and closes the window only on a broken connection.
#include "unit/CommFixture.h"
#include "base/LangSupp.h"
#include "module/ModuleSession.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

// Records the session's calls in order; a message also records the operation flag at that moment.
class FakeView : public TModuleView {
public:
    explicit FakeView(const bool &active) : active_(active) {}
    void ShowWait(uint16_t) override { events << "wait"; }
    void CloseWait() override { events << "close wait"; }
    void ShowMessage(const QString &text) override {
        events << "message";
        messages << text;
        flagAtMessage.push_back(active_);
    }
    bool AskYesNo(const QString &, int) override {
        events << "ask";
        return answer;
    }
    void Display() override { events << "display"; }
    bool HasUnsavedEdits() const override { return edits; }
    void DisableSet() override { edits = false; }
    TModuleSetForm CollectSetForm() const override { return form; }
    std::optional<TModuleClockEntry> EditedClock() const override { return clock; }
    QString ChooseChannelLine(const QStringList &) override { return {}; }
    void HandOverToEndDevice() override {
        events << "hand over";
        flagAtHandOver = active_;
    }
    void Leave() override { events << "leave"; }

    QStringList events, messages;
    std::vector<bool> flagAtMessage;
    bool flagAtHandOver = false;
    bool edits = false, answer = false;
    TModuleSetForm form;
    std::optional<TModuleClockEntry> clock;

private:
    const bool &active_;
};

class ModuleSessionTest : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        ConnectQuietly();
        for (char c : {'c', 'd', 'g', 'h'}) fakes.items[c] = "answer";
    }
    void TearDown() override {
        UnloadLanguageModule();
        CommFixture::TearDown();
    }
    // The item requests on the line: "write D", "read d", ...
    QStringList Requests() const {
        QStringList out;
        for (const std::string &line : fakes.Trace("proto")) {
            const QStringList words = QString::fromStdString(line).split(' ');
            if (words.size() < 3) continue;
            if (words[1] == "read") out << "read " + words[2];
            else if (words[1].startsWith("write")) out << "write " + words[2];
        }
        return out;
    }
    // Device name, device number and clock marked: Set sends "D", "C", "G" in this order.
    static void MarkThreeRecords(FakeView &v) {
        v.form.DevNameModified = v.form.DevNoModified = true;
        v.form.DevName = "Station";
        v.form.DevNo = "123";
        v.form.Clock = "261207090559";
    }

    bool active = false;
    TStrList data;
    FakeView view{active};
    TModuleSession session{view, data, active};
};

TEST_F(ModuleSessionTest, ARefusedRecordEndsSetAndReReadsOnlyWhatWasWritten) {
    MarkThreeRecords(view);
    fakes.writeResults['C'] = 5;
    view.edits = true;
    session.Set();
    EXPECT_EQ(Requests(), (QStringList{"write D", "write C", "read d"}));
    EXPECT_EQ(view.messages, QStringList{LanguageText(TModuleSession::kRecordRefusedText)});
    EXPECT_EQ(view.flagAtMessage, std::vector<bool>{false});
    EXPECT_EQ(view.events, (QStringList{"wait", "close wait", "message", "wait", "close wait", "display"}));
    EXPECT_EQ(data.GetValue("d"), QStringLiteral("answer"));
    EXPECT_FALSE(active);
}

TEST_F(ModuleSessionTest, ABrokenSetSwitchesSetOffAndClosesWithoutAskingAgain) {
    MarkThreeRecords(view);
    fakes.writeResults['D'] = -13;
    view.edits = view.answer = true;
    session.Set();
    EXPECT_EQ(Requests(), QStringList{"write D"});
    EXPECT_EQ(view.messages, QStringList{LanguageText(TModuleSession::kConnectionLostText)});
    EXPECT_EQ(view.flagAtMessage, std::vector<bool>{false});
    EXPECT_EQ(view.events, (QStringList{"wait", "close wait", "message", "leave"}));
    EXPECT_TRUE(session.Closed());
    EXPECT_FALSE(active);
}

TEST_F(ModuleSessionTest, AClockEntryThatIsNoDateSendsNothing) {
    MarkThreeRecords(view);
    view.clock = TModuleClockEntry{"31.13.2026", "10:00:00"};
    session.Set();
    EXPECT_TRUE(Requests().isEmpty());
    EXPECT_EQ(view.messages, QStringList{LanguageText(TModuleSession::kInvalidTimeText)});
    EXPECT_EQ(view.flagAtMessage, std::vector<bool>{false});
}

TEST_F(ModuleSessionTest, APageReadReportsARefusalAndClosesOnABrokenLine) {
    struct Row {
        int32_t result;
        uint16_t text;  // 0: no message
        QStringList events;
    } rows[] = {
        {0, 0, {"wait", "close wait", "display"}},
        {5, TModuleSession::kReadRefusedText, {"wait", "close wait", "message"}},
        {-13, TModuleSession::kConnectionLostText, {"wait", "close wait", "message", "leave"}},
    };
    for (const Row &row : rows) {
        FakeView v(active);
        TModuleSession s(v, data, active);
        fakes.readResults['h'] = row.result;
        s.ReadPage(mpDevices, 0);
        EXPECT_EQ(v.events, row.events) << row.result;
        EXPECT_EQ(v.messages, row.text ? QStringList{LanguageText(row.text)} : QStringList{}) << row.result;
        EXPECT_EQ(v.flagAtMessage, std::vector<bool>(row.text ? 1 : 0, false)) << row.result;
        EXPECT_FALSE(active) << row.result;
    }
}

TEST_F(ModuleSessionTest, SwitchThroughHandsOverOnlyWhenTheModuleAccepts) {
    struct Row {
        int32_t result;
        uint16_t text;  // 0: no message
        QStringList events;
    } rows[] = {
        {0, 0, {"hand over"}},
        {7, TModuleSession::kSwitchRefusedText, {"message"}},
        {-13, 0, {"leave"}},  // the main window's disconnect says what happened
    };
    for (const Row &row : rows) {
        FakeView v(active);
        TModuleSession s(v, data, active);
        fakes.calls.clear();
        fakes.writeResults['N'] = row.result;
        s.ConnectChannel(2);
        EXPECT_EQ(Requests(), QStringList{"write N"}) << row.result;
        EXPECT_EQ(v.events, row.events) << row.result;
        EXPECT_EQ(v.messages, row.text ? QStringList{LanguageText(row.text)} : QStringList{}) << row.result;
        EXPECT_FALSE(v.flagAtHandOver) << "the main window's Connect needs the flag clear";
        EXPECT_FALSE(active) << row.result;
    }
}

TEST_F(ModuleSessionTest, NothingStartsWhileAnOperationRuns) {
    MarkThreeRecords(view);
    view.edits = true;
    active = true;
    session.ReadItems("h");
    session.Set();
    session.ConnectChannel(2);
    session.ConnectEndDevice();
    session.Reject();
    EXPECT_FALSE(session.Close());
    EXPECT_EQ(session.LeavePage(false), TPageLeave::Refused);
    EXPECT_TRUE(Requests().isEmpty());
    EXPECT_TRUE(view.events.isEmpty());
    EXPECT_TRUE(active);
}

TEST_F(ModuleSessionTest, ClosingOffersUnsavedEditsOnlyOnAConnectedLine) {
    struct Row {
        bool connected, answer;
        QStringList requests, events;
    } rows[] = {
        {true, true, {"write D", "write C", "write G", "read d", "read c", "read g"},
         {"ask", "wait", "display", "close wait", "leave"}},
        {true, false, {}, {"ask", "leave"}},
        {false, true, {}, {"leave"}},
    };
    for (const Row &row : rows) {
        FakeView v(active);
        TModuleSession s(v, data, active);
        MarkThreeRecords(v);
        v.edits = true;
        v.answer = row.answer;
        comm->SetConnected(row.connected);
        fakes.calls.clear();
        EXPECT_TRUE(s.Close());
        EXPECT_EQ(Requests(), row.requests) << row.connected << row.answer;
        EXPECT_EQ(v.events, row.events) << row.connected << row.answer;
        EXPECT_TRUE(s.Close()) << "closed once, closed for good";
        EXPECT_EQ(v.events.count("leave"), 1);
    }
}

} // namespace
