// The archive readout against devsim: each readout mode writes a file whose records are exactly the
// device's records up to the expected stop; all channels with one skipped; Escape; a dropped line.
#include "e2e/ReadoutDevsimFixture.h"

#include "ui/FrmCancelDlg.h"
#include "comm/Items.h"
#include "readout/ArchiveReadout.h"

#include <QKeyEvent>
#include <QPushButton>

using namespace korvul;
using namespace readouttest;

namespace {

// Index of the n-th (1-based) word equal to `word` at or after `from`; -1 if none.
int NthWord(const QList<int> &words, int word, int n, int from = 0) {
    for (int i = from; i < words.size(); ++i)
        if (words[i] == word && --n == 0) return i;
    return -1;
}
int RecordOfWord(int wordIndex) { return wordIndex / 4 + 1; }

struct TModeCase {
    const char *name;
    const char *mode;
    int codeMark;
    QStringList devsimArgs;
    // Number of records the readout must read, from the device's words.
    std::function<int(const QList<int> &words, int records)> expected;
};
void PrintTo(const TModeCase &c, std::ostream *os) { *os << c.name; }

class ReadoutArchiveMode : public ReadoutDevsim, public ::testing::WithParamInterface<TModeCase> {};

TEST_P(ReadoutArchiveMode, FileHoldsTheDeviceRecordsUpToTheStop) {
    const TModeCase &c = GetParam();
    Settings().CODEMARK = c.codeMark;
    StartDevsim(QStringList{"--type", "2461"} + c.devsimArgs);
    Connect();
    const QStringList device = DeviceRecords(0);
    const int expected = c.expected(DeviceWords(0), device.size());
    ASSERT_GT(expected, 0);
    ASSERT_LE(expected, device.size());

    TStrList shown;
    TReadArchHost host;
    host.Mode = c.mode;
    host.CommonDataRead = [&](const TStrList &list) { shown = list; };
    EXPECT_EQ(RunReadout(host), 1);

    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"}) << "messages: " << messages.size();
    const QStringList lines = FileLines(files.filePath("tempz.999"));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "[COMMONDATA]");
    EXPECT_TRUE(lines.contains("a=2461"));
    EXPECT_EQ(FileRecords(lines), device.mid(0, expected));
    EXPECT_EQ(shown.GetValue("Y"), "00");
    EXPECT_EQ(lastWindowState, LanguageText(kTextFinished));
    // The count is shown only now and then while reading; the last one must stand at the end.
    EXPECT_EQ(lastRecordsPanel, LanguageFormat(kTextRecords, {expected}));
    EXPECT_EQ(lastProgress, expected);
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadoutArchiveMode, ::testing::Values(
    TModeCase{"CompleteToEndMarker", "complete", 0, {"--archive-size", "1200", "--archive-records", "150"},
              [](const QList<int> &w, int) { return RecordOfWord(NthWord(w, 0xFF1, 1)); }},
    TModeCase{"CompleteToCodeMarkZero", "complete", 0, {"--archive-size", "1200", "--code-mark", "0@40"},
              [](const QList<int> &, int) { return 40; }},
    TModeCase{"CodeMarkToTheNextDay", "codemark", 5, {"--archive-size", "1200", "--code-mark", "5@30"},
              [](const QList<int> &w, int) {
                  const int mark = NthWord(w, 0xFF9, 1);
                  return RecordOfWord(NthWord(w, 0xFFC, 1, mark));
              }},
    TModeCase{"MonthToTheSecondMonthBoundary", "bom", 0, {},
              [](const QList<int> &w, int) { return RecordOfWord(NthWord(w, 0xFFA, 2)); }},
    TModeCase{"DumpReadsTheWholeMemory", "dump", 0, {"--archive-size", "1200", "--archive-records", "50"},
              [](const QList<int> &, int records) { return records; }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReadoutDevsim, UnknownModeSaysSoAndFilesOnlyTheCommonData) {
    StartDevsim({"--type", "2461", "--archive-size", "600"});
    Connect();
    TReadArchHost host;
    host.Mode = "weekly";
    RunReadout(host);
    EXPECT_TRUE(Said(kTextUnknownMode));
    const QStringList lines = FileLines(files.filePath("tempz.999"));
    EXPECT_EQ(lines.last(), "[IVDATA]");
}

TEST_F(ReadoutDevsim, CodeMarkIsLeftInTheDeviceAfterTheChannel) {
    Settings().CODEMARK = 0x2A;
    StartDevsim({"--type", "2461", "--archive-size", "600"});
    Connect();
    TReadArchHost host;
    host.Mode = "complete";
    RunReadout(host);
    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    QString first;
    ReadItem('b', first);   // rewinds the record pointer
    ReadItem('x', first);
    EXPECT_TRUE(first.startsWith("02AFF9")) << first.toStdString();
}

TEST_F(ReadoutDevsim, AllChannelsSkipTheChannelWithoutCustomerNumber) {
    Settings().CHANNELMODE = "all";
    StartDevsim({"--type", "2133", "--archive-size", "600", "--customer-number", "3:0"});
    Connect();
    ASSERT_EQ(DeviceInfo().ChannelCount, 4);
    TReadArchHost host;
    host.Mode = "complete";
    RunReadout(host);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, LanguageText(kTextSkipCaption));
    EXPECT_EQ(messages[0].text, LanguageFormat(kTextNoCustomer, {3}));
    ASSERT_EQ(ArchiveFiles(), (QStringList{"tempz.999", "tempz.998", "tempz.997"}));
    const int channelOfFile[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        const QStringList lines = FileLines(files.filePath(QStringLiteral("tempz.%1").arg(999 - i)));
        EXPECT_TRUE(lines.contains(QStringLiteral("Y=0%1").arg(channelOfFile[i]))) << i;
        const QStringList device = DeviceRecords(channelOfFile[i]);
        const QStringList records = FileRecords(lines);
        ASSERT_FALSE(records.isEmpty()) << i;
        EXPECT_EQ(records, device.mid(0, records.size())) << i;
        EXPECT_TRUE(records.last().contains("FF1")) << i;
    }
    QString y;
    ReadItem('Y', y);
    EXPECT_EQ(y, "00");   // back on the channel of the start
}

TEST_F(ReadoutDevsim, AllChannelsOfTheEightChannelLoggerEachInItsOwnFile) {
    Settings().CHANNELMODE = "All";
    StartDevsim({"--type", "4210", "--archive-size", "300"});
    Connect();
    ASSERT_EQ(DeviceInfo().ChannelCount, 8);
    TReadArchHost host;
    host.Mode = "complete";
    RunReadout(host);
    const QStringList names = ArchiveFiles();
    ASSERT_EQ(names.size(), 8) << names.join(' ').toStdString();
    for (int c = 0; c < 8; ++c) {
        const QStringList lines = FileLines(files.filePath(names[c]));
        EXPECT_TRUE(lines.contains(QStringLiteral("Y=0%1").arg(c))) << c;
        const QStringList records = FileRecords(lines);
        EXPECT_EQ(records, DeviceRecords(c).mid(0, records.size())) << c;
    }
}

TEST_F(ReadoutDevsim, EscapeCancelsAndKeepsOnlyTheFilesOfFinishedChannels) {
    Settings().CHANNELMODE = "all";
    StartDevsim({"--type", "2133", "--archive-size", "48000"});
    Connect();
    bool escaped = false;
    cancelAnswer = TFrmCancelDlg::kResultYes;
    TReadArchHost host;
    host.Mode = "dump";
    RunReadout(host, [&](TFormReadArch *window) {
        if (!escaped && QDir(files.path()).exists("tempz.999") &&
            window->PanelText(kPanelChannel) == LanguageFormat(kTextChannel, {2}) && window->Progress() >= 20) {
            escaped = true;
            QApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        }
    });
    EXPECT_TRUE(escaped);
    EXPECT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    EXPECT_EQ(FileRecords(FileLines(files.filePath("tempz.999"))).size(), 8000);
    EXPECT_EQ(lastWindowState, LanguageText(kTextCancelled));
}

TEST_F(ReadoutDevsim, DroppedLineReportsTheBrokenConnectionAndWritesNoFile) {
    Settings().TIMEOUT = 100;
    StartDevsim({"--type", "2461", "--archive-size", "1200", "--drop-after", "60"});
    Connect();
    QWidget mainWindow;
    int brokenEvents = 0;
    struct TCounter : QObject {
        int *count;
        explicit TCounter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == WM_DIALOG_CONNECTION_BROKEN) ++*count;
            return false;
        }
    } counter(&brokenEvents);
    mainWindow.installEventFilter(&counter);
    TReadArchHost host;
    host.Mode = "dump";
    QTimer operatorTimer;
    QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *window = qobject_cast<TFormReadArch *>(w); window && window->Finished() && brokenEvents > 0)
                window->close();   // what the main window does on message 1127
    });
    operatorTimer.start(5);
    ShowArchiveReadout(&mainWindow, host);
    EXPECT_EQ(brokenEvents, 1);
    EXPECT_TRUE(Said(ReadFailureText(-13))) << "the message names the cause: no answer";
    EXPECT_TRUE(ArchiveFiles().isEmpty()) << ArchiveFiles().join(' ').toStdString();
}

} // namespace
