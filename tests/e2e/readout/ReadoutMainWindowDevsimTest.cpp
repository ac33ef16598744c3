// The archive readout started from the main window against devsim: a line dropped mid-readout ends in
// the readout's message 258, the main window's 2207 and a disconnected window, with no file; the memory
// dump reads the whole archive whatever the readout mode was.
#include "app/Wiring.h"
#include "e2e/MainWindowDevsimFixture.h"

#include "comm/DeviceTypes.h"
#include "readout/ArchiveReadout.h"
#include "readout/FormReadArch.h"
#include "readout/ReadoutDialogs.h"

#include <QRegularExpression>
#include <QTemporaryDir>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class ReadoutMainWindow : public korvultest::MainWindowDevsim {
protected:
    void InstallHooks() override {
        SetReadoutMessageHook([this](const QString &, const QString &text) { readoutMessages << text; });
        InstallReadoutDialogs();
    }
    // The main window loads the settings file when it is made: the file directory is set after that.
    void SetUp() override {
        MainWindowDevsim::SetUp();
        Settings().TempFilePath = files.path();
    }
    void TearDown() override {
        SetReadoutMessageHook({});
        MainWindowDevsim::TearDown();
    }

    void StartAndConnect(const QString &ident, const QStringList &extra) {
        StartDevice(ident, extra);
        Connect();
    }
    QStringList Files() const {
        return QDir(files.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Record lines of an archive file.
    int RecordLines(const QString &name) const {
        QFile f(files.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) return -1;
        return int(QString::fromLatin1(f.readAll()).split("\r\n").filter(QRegularExpression("^x\\d+=")).size());
    }

    QTemporaryDir files;
    QStringList readoutMessages;
};

TEST_F(ReadoutMainWindow, LineDroppedMidReadoutSays258Then2207DisconnectsAndWritesNoFile) {
    Settings().TIMEOUT = 100;
    Settings().READOUTMODE = "dump";
    StartAndConnect("2461", {"--archive-size", "1200", "--drop-after", "60"});
    Action("acReadArchivData")->trigger();   // returns when the main window has closed the readout
    EXPECT_EQ(readoutMessages, QStringList{ReadFailureText(-13)});
    ASSERT_TRUE(korvultest::WaitUntil([&] { return messages.contains(LanguageText(2207)); }, 5s));
    EXPECT_EQ(messages.count(LanguageText(2207)), 1);
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TFormReadArch *>(w) && w->isVisible()) << "the readout window stayed open";
}

TEST_F(ReadoutMainWindow, MemoryDumpReadsTheWholeArchiveAndTheModeStaysDump) {
    Settings().READOUTMODE = "complete";
    // The end marker sits after 50 records; a complete readout would stop there.
    StartAndConnect("2461", {"--archive-size", "1200", "--archive-records", "50"});
    ASSERT_TRUE(Action("acMemoryDump")->isEnabled());
    Action("acMemoryDump")->trigger();
    ASSERT_EQ(Files(), QStringList{"tempz.999"}) << readoutMessages.join('|').toStdString() << Messages()
                                                  << questions.join('|').toStdString();
    EXPECT_EQ(RecordLines("tempz.999"), 1200 / 6);
    EXPECT_EQ(Settings().READOUTMODE, "dump");
    EXPECT_TRUE(comm->Connected());
    EXPECT_TRUE(readoutMessages.isEmpty()) << readoutMessages.join('|').toStdString();
}

} // namespace
