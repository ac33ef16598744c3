// Program start without its language module: the error names the file looked for, exit code 1.
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct StartRow { const char *exeName; const char *language; const char *expectedFile; };
void PrintTo(const StartRow &r, std::ostream *os) { *os << r.exeName << " " << r.language; }

class StartWithoutLanguageModule : public ::testing::TestWithParam<StartRow> {};

} // namespace

TEST_P(StartWithoutLanguageModule, ShowsErrorNamingTheModuleAndExitsWithOne) {
    korvultest::TempConfigHome home;
    if (*GetParam().language) home.writeIni(QByteArray("[LANGUAGE]\nLANGUAGE=") + GetParam().language + "\n");
    QTemporaryDir progDir;
    const QString exe = progDir.path() + "/" + GetParam().exeName;
    ASSERT_TRUE(QFile::copy(korvultest::BinDir() + "/korvul", exe));

    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVUL_BATCH", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    proc.start(exe, {});
    ASSERT_TRUE(proc.waitForFinished(30000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(proc.readAllStandardError());
    EXPECT_TRUE(err.contains("Language support file not found! / Sprachdatei nicht gefunden!:  " +
                             progDir.path() + "/" + GetParam().expectedFile)) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, StartWithoutLanguageModule, ::testing::Values(
    StartRow{"korvul", "", "korvulDE.lng"},
    StartRow{"korvul", "EN", "korvulEN.lng"},
    StartRow{"abcdefgh", "", "abcdefDE.lng"},
    StartRow{"a.b", "FR", "aFR.lng"}));

namespace {

struct InfoRow { const char *argument; const char *expected; };
void PrintTo(const InfoRow &r, std::ostream *os) { *os << r.argument; }

class InfoWithoutDisplay : public ::testing::TestWithParam<InfoRow> {};

} // namespace

// --help and --version are answered before anything needs a display: no DISPLAY, no WAYLAND_DISPLAY,
// no QT_QPA_PLATFORM (a window start would abort there).
TEST_P(InfoWithoutDisplay, PrintsAndExitsWithZero) {
    korvultest::TempConfigHome home;
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", "");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    proc.setProcessEnvironment(env);
    proc.start(korvultest::BinDir() + "/korvul", {"-style", "Fusion", GetParam().argument});
    ASSERT_TRUE(proc.waitForFinished(30000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(proc.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QString::fromLatin1(GetParam().expected))) << out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, InfoWithoutDisplay, ::testing::Values(
    InfoRow{"--help", "Usage: korvul"},
    InfoRow{"-h", "korvul --help | --version"},
    InfoRow{"--version", "korvul " KORVUL_VERSION "\n"}));
