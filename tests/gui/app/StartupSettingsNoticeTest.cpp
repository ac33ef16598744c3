// The start-up notice that the settings file cannot be read: once, through the program's message box,
// naming the file and the reason, in the language of the module; nothing for a readable or missing file.
#include "app/Startup.h"
#include "gui/MessageCaptureTest.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

namespace {

class StartupSettingsNotice : public korvultest::MessageCaptureTest {
protected:
    void SetUp() override {
        MessageCaptureTest::SetUp();
        batch_ = qgetenv("KORVUL_BATCH");
        qunsetenv("KORVUL_BATCH");
    }
    void TearDown() override {
        if (!batch_.isEmpty()) qputenv("KORVUL_BATCH", batch_);
        MessageCaptureTest::TearDown();
    }
    korvultest::TempConfigHome home;
    QByteArray batch_;
};

class StartupSettingsNoticeEN : public StartupSettingsNotice {
protected:
    const char *Language() const override { return "EN"; }
};

TEST_F(StartupSettingsNotice, DirectoryInPlaceOfTheFileIsSaidOnceNamingIt) {
    ASSERT_TRUE(QDir().mkpath(home.iniPath()));   // EISDIR: unreadable for root too
    korvul::ReportUnreadableSettings();
    ASSERT_EQ(shown.size(), 1) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[0].startsWith("Die Einstellungsdatei " + home.iniPath() + " kann nicht gelesen werden"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QString::fromLocal8Bit(strerror(EISDIR)))) << shown[0].toStdString();
}

TEST_F(StartupSettingsNoticeEN, FifoInPlaceOfTheFileIsSaidInEnglish) {
    ASSERT_EQ(mkfifo(QFile::encodeName(home.iniPath()).constData(), 0600), 0);
    korvul::ReportUnreadableSettings();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("The settings file " + home.iniPath() + " cannot be read"))
        << shown[0].toStdString();
}

TEST_F(StartupSettingsNotice, ReadableOrMissingFileGivesNoMessage) {
    korvul::ReportUnreadableSettings();
    home.writeIni("[USER_OPTIONS]\nREADER=x\n");
    korvul::ReportUnreadableSettings();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

} // namespace
