// Failures of the archive readout against devsim that must not lose or corrupt files: a line that drops
// in a later channel keeps the files of the channels before it, and a directory that cannot take files
// says which file it could not write and leaves nothing behind; device refusals of the code mark and of
// the records keep the file.
#include "e2e/ReadoutDevsimFixture.h"

#include "readout/ArchiveReadout.h"

using namespace korvul;
using namespace readouttest;

namespace {

// A host that records the broken connection (message 1127) and closes the window as the main window
// does once the readout has finished.
struct TBrokenHost {
    int broken = 0;
    TReadArchHost host;
    TBrokenHost() {
        host.Mode = "dump";
        host.ConnectionBroken = [this](QWidget *) { ++broken; };
    }
    std::function<void(TFormReadArch *)> Closer() {
        return [this](TFormReadArch *window) {
            if (broken > 0 && window->Finished()) window->close();
        };
    }
};

TEST_F(ReadoutDevsim, LineDroppedInTheSecondChannelKeepsTheFirstChannelsFileWhole) {
    Settings().TIMEOUT = 100;
    Settings().CHANNELMODE = "all";
    // 100 records a channel: the line drops at the 30th record of the second channel.
    StartDevsim({"--type", "2133", "--archive-size", "600", "--drop-after", "130"});
    Connect();
    ASSERT_EQ(DeviceInfo().ChannelCount, 4);
    TBrokenHost broken;
    RunReadout(broken.host, broken.Closer());
    EXPECT_EQ(broken.broken, 1);
    EXPECT_TRUE(Said(ReadFailureText(-13))) << "the message names the cause: no answer";
    // No second file and no temporary left-over: the directory listing includes hidden entries.
    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    const QStringList lines = FileLines(files.filePath("tempz.999"));
    EXPECT_TRUE(lines.contains("Y=00"));
    EXPECT_EQ(FileRecords(lines), DeviceRecords(0).mid(0, 100));
}

TEST_F(ReadoutDevsim, DirectoryThatCannotTakeFilesNamesTheFileAndLeavesNothing) {
    // A directory below a plain file can neither exist nor be made, whoever runs the test.
    QFile plain(files.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString dir = files.filePath("plain/archive");
    Settings().TempFilePath = dir;
    Settings().CHANNELMODE = "all";
    StartDevsim({"--type", "2133", "--archive-size", "600"});
    Connect();
    TReadArchHost host;
    host.Mode = "complete";
    RunReadout(host);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(dir + "/tempz.999")) << messages[0].text.toStdString();
    EXPECT_EQ(ArchiveFiles(), QStringList{"plain"});
    EXPECT_EQ(lastWindowState, LanguageText(kTextFinished));
}

TEST_F(ReadoutDevsim, RefusedCodeMarkIsReportedAfterTheFileWasSaved) {
    Settings().CODEMARK = 5;
    StartDevsim({"--type", "2461", "--archive-size", "600", "--refuse", "~"});
    Connect();
    TReadArchHost host;
    host.Mode = "complete";
    RunReadout(host);
    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    EXPECT_FALSE(FileRecords(FileLines(files.filePath("tempz.999"))).isEmpty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LanguageText(kTextCodeMarkFailed));
    EXPECT_EQ(lastWindowState, LanguageText(kTextFinished));
}

// A refused record read is the device's answer, not a broken line: the readout ends there quietly and
// the file keeps the common data and the archive heading.
TEST_F(ReadoutDevsim, RefusedRecordReadEndsTheArchiveQuietlyAndSavesTheFile) {
    StartDevsim({"--type", "2461", "--archive-size", "600", "--refuse", "x:3"});
    Connect();
    TReadArchHost host;
    host.Mode = "dump";
    RunReadout(host);
    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    const QStringList lines = FileLines(files.filePath("tempz.999"));
    EXPECT_EQ(lines.first(), "[COMMONDATA]");
    EXPECT_EQ(lines.last(), "[IVDATA]");
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    EXPECT_TRUE(comm->Connected());
}

} // namespace
