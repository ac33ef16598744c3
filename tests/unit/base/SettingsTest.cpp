#include "base/IniFile.h"
#include "base/Settings.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>

using korvul::TSettings;

namespace {

QByteArray ReadBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TSettings LoadFrom(const korvultest::TempConfigHome &home, const QByteArray &ini) {
    home.writeIni(ini);
    TSettings s;
    s.TempFileNo = -12345;   // proves that loading replaces what the record held
    korvul::LoadSettingsFrom(home.iniPath(), s);
    return s;
}

TEST(Settings, NoFileGivesEveryDefault) {
    korvultest::TempConfigHome home;
    korvul::Settings().COM = 77;
    korvul::LoadSettings();
    const TSettings &s = korvul::Settings();
    EXPECT_EQ(s.TempFileNo, 999);
    EXPECT_EQ(s.READOUTMODE, "complete");
    EXPECT_EQ(s.CHANNELMODE, "Current");
    EXPECT_FALSE(s.AllChannels());
    EXPECT_EQ(s.PDBPERIOD, 15);
    EXPECT_EQ(s.PDBSEPARATORCHARACTER, 9);
    EXPECT_EQ(s.SENSORADJUSTMENT, "ANALOG");
    EXPECT_EQ(s.COM, 1);
    EXPECT_EQ(s.TIMEOUT, 300);
    EXPECT_EQ(s.CLMTIMEOUT, 7000);
    EXPECT_EQ(s.INIT, "4800,N,8,1,BIN,IGP0,T0700");
    EXPECT_EQ(s.CHECKTIME, 15000);
    EXPECT_FALSE(s.VIAMODEM || s.RLBMODE || s.GX500 || s.CLM300);
    EXPECT_EQ(s.NORMAL, "&F");
    EXPECT_EQ(s.RELIABLE, "&F");
    EXPECT_EQ(s.PREFIX, "P");
    EXPECT_EQ(s.RESET_STRING, "&F");
    EXPECT_EQ(s.DIAL_TIMEOUT, 90);
    EXPECT_EQ(s.PHCOUNT, 9);
    for (const QString &ph : s.Ph) EXPECT_TRUE(ph.isEmpty());
    EXPECT_EQ(s.LANGUAGE, "DE");
    EXPECT_FALSE(QFileInfo::exists(home.iniPath())) << "loading must not create the file";
}

struct LoadRow {
    const char *name;
    QByteArray ini;
    std::function<QString(const TSettings &)> field;
    QString expected;
};

void PrintTo(const LoadRow &row, std::ostream *os) { *os << row.name; }

class SettingsLoadRule : public testing::TestWithParam<LoadRow> {};

TEST_P(SettingsLoadRule, HoldsTheValueTheLoadRuleGives) {
    korvultest::TempConfigHome home;
    EXPECT_EQ(GetParam().field(LoadFrom(home, GetParam().ini)), GetParam().expected);
}

QString Num(int v) { return QString::number(v); }

INSTANTIATE_TEST_SUITE_P(Rows, SettingsLoadRule, testing::Values(
    LoadRow{"HexInteger", "[USER_OPTIONS]\nTempFileNo=0x10\n", [](auto &s) { return Num(s.TempFileNo); }, "16"},
    LoadRow{"BadIntegerIsDefault", "[USER_OPTIONS]\nTempFileNo=abc\n", [](auto &s) { return Num(s.TempFileNo); }, "999"},
    LoadRow{"BoolTwoIsTrue", "[MODEM]\nVIAMODEM=2\n", [](auto &s) { return Num(s.VIAMODEM); }, "1"},
    LoadRow{"BadBoolIsFalse", "[MODEM]\nGX500=yes\n", [](auto &s) { return Num(s.GX500); }, "0"},
    LoadRow{"ReadoutModeLowered", "[USER_OPTIONS]\nREADOUTMODE=COMPLETE\n", [](auto &s) { return s.READOUTMODE; }, "complete"},
    LoadRow{"AccessCodeTrimmedAndCut", "[USER_OPTIONS]\nACCESSCODE=   ABCDEFGHIJK   \n", [](auto &s) { return s.ACCESSCODE; }, "ABCDEFGH"},
    LoadRow{"QuotedAccessCodeTrimmed", "[USER_OPTIONS]\nACCESSCODE=\"  1234  \"\n", [](auto &s) { return s.ACCESSCODE; }, "1234"},
    LoadRow{"ChannelModeAllCapitalIsNotAll", "[USER_OPTIONS]\nCHANNELMODE=All\n", [](auto &s) { return Num(s.AllChannels()); }, "0"},
    LoadRow{"ChannelModeAll", "[USER_OPTIONS]\nCHANNELMODE=all\n", [](auto &s) { return Num(s.AllChannels()); }, "1"},
    LoadRow{"CaseInsensitiveNames", "[comm]\ncom=4\n", [](auto &s) { return Num(s.COM); }, "4"},
    LoadRow{"PhCountAbove49Is49", "[MODEM]\nPHCOUNT=80\nPh49=4949\n", [](auto &s) { return Num(s.PHCOUNT) + s.Ph[49]; }, "494949"},
    // Numbers beyond PHCOUNT are read too: a save writes Ph0..Ph9 back and must not blank them.
    LoadRow{"PhBeyondPhCountLoaded", "[MODEM]\nPHCOUNT=2\nPh2=22\nPh3=33\n", [](auto &s) { return s.Ph[2] + "|" + s.Ph[3]; }, "22|33"},
    // A PHCOUNT outside 0..49 is the count of entries up to the last stored number.
    LoadRow{"NegativePhCountCountsTheNumbers", "[MODEM]\nPHCOUNT=-1\nPh0=100\nPh1=\nPh2=300\n", [](auto &s) { return Num(s.PHCOUNT) + "|" + s.Ph[0] + "|" + s.Ph[2]; }, "3|100|300"},
    LoadRow{"AbsurdPhCountCountsTheNumbers", "[MODEM]\nPHCOUNT=2147483647\nPh0=100\n", [](auto &s) { return Num(s.PHCOUNT); }, "1"},
    LoadRow{"NegativePhCountWithoutNumbersIsZero", "[MODEM]\nPHCOUNT=-5\n", [](auto &s) { return Num(s.PHCOUNT); }, "0"},
    LoadRow{"EmptyLanguageIsDE", "[LANGUAGE]\nLANGUAGE=\n", [](auto &s) { return s.LANGUAGE; }, "DE"},
    LoadRow{"Language", "[LANGUAGE]\nLANGUAGE=EN\n", [](auto &s) { return s.LANGUAGE; }, "EN"},
    LoadRow{"InitKeptAsRead", "[COMM]\nINIT=9600,E,7,2,XYZ\n", [](auto &s) { return s.INIT; }, "9600,E,7,2,XYZ"}),
    [](const testing::TestParamInfo<LoadRow> &info) { return std::string(info.param.name); });

TEST(Settings, SaveToNewFileWritesKeysInTheirOrder) {
    korvultest::TempConfigHome home;
    TSettings s;
    s.Ph[0] = "0301234";
    korvul::SaveSettingsTo(home.iniPath(), s);
    EXPECT_EQ(ReadBytes(home.iniPath()),
              "[USER_OPTIONS]\nTempFilePath=\nCMD_DIRECTORY=\nTempFileNo=999\nREADOUTMODE=complete\nREADER=\n"
              "CODEMARK=0\nCHANNELMODE=Current\nACCESSCODE=\nSENSORADJUSTMENT=ANALOG\nPDBPERIOD=15\n\n"
              "[COMM]\nCOM=1\nINIT=4800,N,8,1,BIN,IGP0,T0700\nCHECKTIME=15000\nTIMEOUT=300\nCLMTIMEOUT=7000\n\n"
              "[MODEM]\nVIAMODEM=0\nRLBMODE=0\nCLM300=0\nGX500=0\nNORMAL=&F\nRELIABLE=&F\nPREFIX=P\n"
              "RESET_STRING=&F\nPh0=0301234\nPh1=\nPh2=\nPh3=\nPh4=\nPh5=\nPh6=\nPh7=\nPh8=\nPh9=\n\n"
              "[CLM-300]\nCLM300ACCESSCODE=\n");
}

TEST(Settings, SaveKeepsNeverWrittenKeysAndUnknownLines) {
    korvultest::TempConfigHome home;
    const QByteArray before =
        "; hand-edited\r\n[user_options]\r\npdbseparatorcharacter=59\r\ntempfileno=0x10\r\nMYKEY=mine\r\n\r\n"
        "[MODEM]\r\nDIAL_TIMEOUT=120\r\nPHCOUNT=12\r\nPh10=1010\r\nPh12=1212\r\nviamodem=2\r\n\r\n"
        "[LANGUAGE]\r\nLANGUAGE=EN\r\n[EXTRA]\r\nx=y";
    TSettings s = LoadFrom(home, before);
    s.Ph[10] = "changed in memory";
    korvul::SaveSettingsTo(home.iniPath(), s);
    const QByteArray after = ReadBytes(home.iniPath());
    for (const char *kept : {"; hand-edited\r\n[user_options]\r\npdbseparatorcharacter=59\r\n", "MYKEY=mine\r\n",
                             "DIAL_TIMEOUT=120\r\nPHCOUNT=12\r\nPh10=1010\r\nPh12=1212\r\n",
                             "[LANGUAGE]\r\nLANGUAGE=EN\r\n[EXTRA]\r\nx=y"})
        EXPECT_TRUE(after.contains(kept)) << kept;
    EXPECT_TRUE(after.contains("tempfileno=16\r\n"));   // existing line updated, no second entry
    EXPECT_FALSE(after.contains("TempFileNo"));
    EXPECT_TRUE(after.contains("viamodem=1\r\n"));
    EXPECT_TRUE(after.contains("Ph9=\r\n"));
    EXPECT_FALSE(after.contains("Ph11"));
    EXPECT_EQ(after.count('\n'), after.count("\r\n")) << "every new line takes the file's CR LF";
    EXPECT_EQ(after.count("Ph10="), 1);

    const TSettings again = LoadFrom(home, after);
    EXPECT_EQ(again.PDBSEPARATORCHARACTER, 59);
    EXPECT_EQ(again.DIAL_TIMEOUT, 120);
    EXPECT_EQ(again.PHCOUNT, 12);
    EXPECT_EQ(again.Ph[10], "1010");
    EXPECT_EQ(again.LANGUAGE, "EN");
}

TEST(Settings, EveryWrittenValueReadsBackUnchanged) {
    korvultest::TempConfigHome home;
    TSettings s;
    s.TempFilePath = QString::fromUtf8("/home/tech/Auslesungen ä");
    s.CMD_DIRECTORY = "/srv/cmd";
    s.TempFileNo = 12;
    s.READOUTMODE = "codemark";
    s.READER = "Müller";
    s.CODEMARK = 199;
    s.CHANNELMODE = "all";
    s.ACCESSCODE = "12345678";
    s.PDBPERIOD = 60;
    s.SENSORADJUSTMENT = "BINARY";
    s.COM = 3;
    s.TIMEOUT = 500;
    s.CLMTIMEOUT = 9000;
    s.INIT = "19200,N,8,1,BIN,IGP0,T0700";
    s.CHECKTIME = 5000;
    s.VIAMODEM = s.RLBMODE = s.GX500 = s.CLM300 = true;
    s.NORMAL = "&F&C1";
    s.RELIABLE = "&F\\N3";
    s.PREFIX = "T";
    s.RESET_STRING = "Z";
    for (int i = 0; i < korvul::kPhoneSaved; ++i) s.Ph[i] = QString::number(1000 + i);
    s.CLM300ACCESSCODE = "modem99";
    korvul::SaveSettingsTo(home.iniPath(), s);

    // Saving the reloaded record again must give the same bytes: every written value came back unchanged.
    TSettings r;
    korvul::LoadSettingsFrom(home.iniPath(), r);
    const QString again = home.path() + "/again.ini";
    korvul::SaveSettingsTo(again, r);
    EXPECT_EQ(ReadBytes(again), ReadBytes(home.iniPath()));
    EXPECT_EQ(r.READER, s.READER);
    EXPECT_TRUE(r.AllChannels());
}

TEST(Settings, SaveSettingsWritesPrivateFileUnderXdgConfigHome) {
    korvultest::TempConfigHome home;
    korvul::Settings() = TSettings{};
    korvul::Settings().ACCESSCODE = "secret12";
    korvul::SaveSettings();
    const QString path = home.path() + "/korvul/korvul.ini";
    EXPECT_TRUE(ReadBytes(path).contains("ACCESSCODE=secret12\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Settings, FailedSaveRaisesErrorNamingTheFile) {
    korvultest::TempConfigHome home;
    QFile blocker(home.path() + "/korvul");   // the settings directory is taken by a file
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    korvul::Settings() = TSettings{};
    try {
        korvul::SaveSettings();
        FAIL() << "the save reported success";
    } catch (const korvul::TIniFileError &e) {
        EXPECT_NE(std::string(e.what()).find("korvul/korvul.ini"), std::string::npos) << e.what();
    }
}

TEST(Settings, ReadLanguageCode) {
    korvultest::TempConfigHome home;
    EXPECT_EQ(korvul::ReadLanguageCode(home.iniPath()), "DE");
    home.writeIni("[language]\nlanguage = EN \n");
    EXPECT_EQ(korvul::ReadLanguageCode(home.iniPath()), "EN");
    home.writeIni("[LANGUAGE]\nLANGUAGE=\n");
    EXPECT_EQ(korvul::ReadLanguageCode(home.iniPath()), "DE");
}

} // namespace
