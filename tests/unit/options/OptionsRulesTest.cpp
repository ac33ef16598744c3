// Rules of the option dialogs: readout mode and code mark, channel mode, port list, INIT speed field,
// telephone list and number filter.
#include "options/OptionRules.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvul;

struct ModeRow {
    QString mode;
    int index;
    int codeMarkMinimum;
};
class ReadoutModeRows : public ::testing::TestWithParam<ModeRow> {};

TEST_P(ReadoutModeRows, SelectsTheEntryOfItsKeywordAndSetsTheCodeMarkMinimum) {
    EXPECT_EQ(ReadoutModeIndex(GetParam().mode), GetParam().index);
    EXPECT_EQ(CodeMarkMinimum(GetParam().index), GetParam().codeMarkMinimum);
    if (GetParam().index >= 0) {
        EXPECT_EQ(ReadoutModeKeywords()[GetParam().index], GetParam().mode);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadoutModeRows,
                         ::testing::Values(ModeRow{"bom", 0, 0}, ModeRow{"codemark", 1, 1}, ModeRow{"complete", 2, 0},
                                           ModeRow{"dump", 3, 0}, ModeRow{"Codemark ", -1, 0}, ModeRow{"", -1, 0}));

struct ChannelRow {
    QString stored;
    int index;
    QString saved;
};
class ChannelModeRows : public ::testing::TestWithParam<ChannelRow> {};

TEST_P(ChannelModeRows, OnlyTheExactValueAllSelectsAllChannels) {
    EXPECT_EQ(ChannelModeIndex(GetParam().stored), GetParam().index);
    EXPECT_EQ(ChannelModeKeyword(GetParam().index), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChannelModeRows,
                         ::testing::Values(ChannelRow{"Current", 0, "current"}, ChannelRow{"all", 1, "all"},
                                           ChannelRow{"All", 0, "current"}, ChannelRow{"", 0, "current"}));

struct PortNameRow {
    QString enumerated;
    QString listed;
    int digit;
};
class PortNameRows : public ::testing::TestWithParam<PortNameRow> {};

TEST_P(PortNameRows, ListsTheFirstFourCharactersOfComPorts) {
    EXPECT_EQ(ListedPortName(GetParam().enumerated), GetParam().listed);
    EXPECT_EQ(PortDigit(GetParam().listed), GetParam().digit);
}

INSTANTIATE_TEST_SUITE_P(Rows, PortNameRows,
                         ::testing::Values(PortNameRow{"COM1", "COM1", 1}, PortNameRow{"COM12", "COM1", 1},
                                           PortNameRow{"COM9", "COM9", 9}, PortNameRow{"LPT1", "", -1},
                                           PortNameRow{"COMX", "COMX", -1}, PortNameRow{"COM", "COM", -1}));

TEST(EnumeratePorts, ListsFreeAndBusyPortsOnceAndSkipsUnusableAndMissingOnes) {
    QTemporaryDir dir;
    for (const char *f : {"a", "b", "c"}) {
        QFile file(dir.path() + "/" + f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::map<QString, QString> devices{{"COM1", dir.path() + "/a"}, {"COM2", dir.path() + "/b"},
                                             {"COM3", dir.path() + "/c"}, {"COM4", dir.path() + "/missing"}};
    const std::map<QString, TPortProbe> probes{{dir.path() + "/a", TPortProbe::Free},
                                               {dir.path() + "/b", TPortProbe::Busy},
                                               {dir.path() + "/c", TPortProbe::Unusable}};
    const auto ports = EnumeratePorts({"COM12", "COM1", "COM2", "COM3", "COM4", "LPT1"},
                                      [&](const QString &n) { return devices.count(n) ? devices.at(n) : QString(); },
                                      [&](const QString &d) { return probes.at(d); });
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Name, "COM1");
    EXPECT_EQ(ports[1].Name, "COM2");  // held by another program, still offered
    EXPECT_EQ(PortListText(ports[0]), "COM1 (" + dir.path() + "/a)");
    EXPECT_EQ(PortListText(ports[0]).left(4), "COM1");
}

TEST(ResolvePortDevice, FollowsTheLinkInTheConfigFolderElseTheSerialDeviceOfTheNumber) {
    korvultest::TempConfigHome home;
    QDir().mkpath(home.korvulDir() + "/ports");
    ASSERT_TRUE(QFile::link("/dev/null", home.korvulDir() + "/ports/COM2"));
    EXPECT_EQ(ResolvePortDevice("COM2"), "/dev/null");
    EXPECT_EQ(ResolvePortDevice("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortDevice("COM9"), "/dev/ttyS8");
    EXPECT_EQ(ResolvePortDevice("/dev/ttyUSB3"), "/dev/ttyUSB3");
    EXPECT_EQ(ResolvePortDevice("LPT1"), "");
}

TEST(ProbePortDevice, ANonTerminalIsUnusableAndAMissingDeviceToo) {
    EXPECT_EQ(ProbePortDevice("/dev/null"), TPortProbe::Unusable);
    EXPECT_EQ(ProbePortDevice("/nonexistent/tty"), TPortProbe::Unusable);
}

struct InitRow {
    QString init, speed, saved;
};
class InitSpeedRows : public ::testing::TestWithParam<InitRow> {};

TEST_P(InitSpeedRows, ReplacesOnlyTheFirstField) {
    EXPECT_EQ(ReplaceInitSpeed(GetParam().init, GetParam().speed), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Rows, InitSpeedRows,
                         ::testing::Values(InitRow{"9600,N,8,1,BIN,IGP0,T0700", "2400", "2400,N,8,1,BIN,IGP0,T0700"},
                                           InitRow{"4800,E,7,1", "19200", "19200,E,7,1"},
                                           InitRow{"9600", "2400", "2400"}, InitRow{",N,8,1", "4800", "4800,N,8,1"}));

TEST(InitSpeed, IsTheTextBeforeTheFirstComma) {
    EXPECT_EQ(InitSpeed("9600,N,8,1"), "9600");
    EXPECT_EQ(InitSpeed("19200"), "19200");
    EXPECT_EQ(InitSpeed(""), "");
}

TEST(SpeedForConnection, RemoteLocalClmAndLocalQt) {
    EXPECT_EQ(SpeedForConnection(true, false), "19200");
    EXPECT_EQ(SpeedForConnection(true, true), "19200");
    EXPECT_EQ(SpeedForConnection(false, true), "9600");
    EXPECT_EQ(SpeedForConnection(false, false), "4800");
}

struct PhoneListRow {
    const char *name;
    std::vector<QString> before;
    QString dialled;
    std::vector<QString> after;
};
class PhoneListRows : public ::testing::TestWithParam<PhoneListRow> {};

TEST_P(PhoneListRows, MostRecentlyDialledNumberComesFirst) {
    std::vector<QString> list = GetParam().before;
    list.resize(6, "untouched");
    MoveNumberToFront(list.data(), 3, GetParam().dialled);  // PHCOUNT 3: entries 0..3
    std::vector<QString> expected = GetParam().after;
    expected.resize(6, "untouched");
    EXPECT_EQ(list, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PhoneListRows,
    ::testing::Values(PhoneListRow{"Middle", {"111", "222", "333", "444"}, "333", {"333", "111", "222", "444"}},
                      PhoneListRow{"New", {"333", "111", "222", "444"}, "555", {"555", "333", "111", "222"}},
                      PhoneListRow{"AlreadyFirst", {"111", "222", "333", "444"}, "111", {"111", "222", "333", "444"}},
                      PhoneListRow{"Last", {"111", "222", "333", "444"}, "444", {"444", "111", "222", "333"}},
                      PhoneListRow{"IntoEmptyList", {"", "", "", ""}, "0815", {"0815", "", "", ""}}),
    [](const auto &info) { return std::string(info.param.name); });

struct PhoneTextRow {
    QString clipboard;
    QString pasted;
};
class PhonePasteRows : public ::testing::TestWithParam<PhoneTextRow> {};

TEST_P(PhonePasteRows, KeepsDigitsColonCommaAndW) {
    EXPECT_EQ(PastedPhoneText(GetParam().clipboard), GetParam().pasted);
}

INSTANTIATE_TEST_SUITE_P(Rows, PhonePasteRows,
                         ::testing::Values(PhoneTextRow{"Tel: +49 (0)30 1234-56", ":49030123456"},
                                           PhoneTextRow{"0,W1w2 x", "0,W1w2"}, PhoneTextRow{"abc", ""},
                                           PhoneTextRow{QString(300, '7'), QString(255, '7')},
                                           PhoneTextRow{QString(250, 'a') + "123456789", "12345"}));

TEST(PhoneText, BlanksAreRemovedBeforeDialling) {
    EXPECT_EQ(WithoutBlanks(" 0 815 "), "0815");
    EXPECT_EQ(WithoutBlanks("   "), "");
}

TEST(CreateDirectoryPath, CreatesMissingParentsAndFailsUnderAFile) {
    QTemporaryDir dir;
    EXPECT_TRUE(CreateDirectoryPath(dir.path() + "/a/b/c"));
    EXPECT_TRUE(QFileInfo(dir.path() + "/a/b/c").isDir());
    QFile file(dir.path() + "/file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(CreateDirectoryPath(dir.path() + "/file/sub"));
    EXPECT_FALSE(CreateDirectoryPath(""));
}
