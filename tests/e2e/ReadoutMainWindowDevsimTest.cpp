// The archive readout started from the main window against devsim: a line dropped mid-readout ends in
// the readout's message 258, the main window's 2207 and a disconnected window, with no file; the memory
// dump reads the whole archive whatever the readout mode was.
#include "app/LangSupp.h"
#include "app/Settings.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/Tcomm.h"
#include "main/FormMain.h"
#include "main/MainDialogs.h"
#include "main/MainMessages.h"
#include "main/MainState.h"
#include "readout/ArchiveReadout.h"
#include "readout/FormReadArch.h"
#include "readout/ReadoutDialogs.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class ReadoutMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim", "korvulEN.lng"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        qputenv("KORVUL_TIME_SCALE", "0.05");
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        Settings() = TSettings{};
        SetShowMessageHook([this](const QString &text) { mainMessages << text; });
        SetReadoutMessageHook([this](const QString &, const QString &text) { readoutMessages << text; });
        InstallReadoutDialogs();
        DeviceInfo() = TDeviceInfo{};
        comm = std::make_unique<TCommClass>("QT");
        SetCommObjectForTests(comm.get());
        window = std::make_unique<TFormMain>();
        Settings().COM = 1;
        Settings().ACCESSCODE = "12345678";
        Settings().READER = "e2e";
        Settings().CHECKTIME = 15000;
        Settings().TempFilePath = files.path();
        window->show();
    }
    void TearDown() override {
        window.reset();
        SetCommObjectForTests(nullptr);
        comm.reset();
        sim.Stop();
        OperationActive = false;
        MainDialogs() = TMainDialogs{};
        SetShowMessageHook({});
        SetReadoutMessageHook({});
        UnloadLanguageModule();
        qunsetenv("KORVUL_TIME_SCALE");
    }

    void StartAndConnect(const QStringList &args) {
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start(args, home.korvulDir() + "/ports/COM1", 0.05));
        Action("acConnect")->trigger();
        ASSERT_TRUE(comm->Connected()) << mainMessages.join('|').toStdString();
    }
    QAction *Action(const char *name) { return window->findChild<QAction *>(name); }
    QStringList Files() const {
        return QDir(files.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Record lines of an archive file.
    int RecordLines(const QString &name) const {
        QFile f(files.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) return -1;
        return int(QString::fromLatin1(f.readAll()).split("\r\n").filter(QRegularExpression("^x\\d+=")).size());
    }

    korvultest::TempConfigHome home;
    korvultest::DevsimProcess sim;
    QTemporaryDir files;
    std::unique_ptr<TCommClass> comm;
    std::unique_ptr<TFormMain> window;
    QStringList mainMessages, readoutMessages;
};

TEST_F(ReadoutMainWindow, LineDroppedMidReadoutSays258Then2207DisconnectsAndWritesNoFile) {
    Settings().TIMEOUT = 100;
    Settings().READOUTMODE = "dump";
    StartAndConnect({"--type", "2461", "--archive-size", "1200", "--drop-after", "60"});
    Action("acReadArchivData")->trigger();   // returns when the main window has closed the readout
    EXPECT_EQ(readoutMessages, QStringList{LanguageText(kTextReadFailed)});
    ASSERT_TRUE(korvultest::WaitUntil([&] { return mainMessages.contains(LanguageText(2207)); }, 5s));
    EXPECT_EQ(mainMessages.count(LanguageText(2207)), 1);
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TFormReadArch *>(w) && w->isVisible()) << "the readout window stayed open";
}

TEST_F(ReadoutMainWindow, MemoryDumpReadsTheWholeArchiveAndTheModeStaysDump) {
    Settings().READOUTMODE = "complete";
    // The end marker sits after 50 records; a complete readout would stop there.
    StartAndConnect({"--type", "2461", "--archive-size", "1200", "--archive-records", "50"});
    ASSERT_TRUE(Action("acMemoryDump")->isEnabled());
    Action("acMemoryDump")->trigger();
    ASSERT_EQ(Files(), QStringList{"tempz.999"}) << readoutMessages.join('|').toStdString();
    EXPECT_EQ(RecordLines("tempz.999"), 1200 / 6);
    EXPECT_EQ(Settings().READOUTMODE, "dump");
    EXPECT_TRUE(comm->Connected());
    EXPECT_TRUE(readoutMessages.isEmpty()) << readoutMessages.join('|').toStdString();
}

} // namespace
