// devsim's pure logic: type table, device model (access, lock, registers, channels), archive memory
// with its markers, and the state file.
#include "devsim/Archive.h"
#include "devsim/Device.h"
#include "devsim/DeviceModel.h"
#include "devsim/DeviceTypes.h"
#include "devsim/Options.h"
#include "devsim/StateFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace devsim;

namespace {

const std::time_t Now = 1765000000;  // a fixed wall clock for the model

struct TypeRow {
    int ident;
    const char *name;
    int channels;
    const char *suffix;
    bool valueLock;
};

class Types : public ::testing::TestWithParam<TypeRow> {};

TEST_P(Types, IdentificationSelectsNameChannelsLettersAndLock) {
    const TypeInfo t = TypeFromIdent(GetParam().ident);
    EXPECT_EQ(t.name, GetParam().name);
    EXPECT_EQ(t.channels, GetParam().channels);
    EXPECT_EQ(t.letters, std::string("abzegljh^tsr\\p|n") + GetParam().suffix);
    EXPECT_EQ(t.valueLock, GetParam().valueLock);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Types,
    ::testing::Values(TypeRow{215, "QT-700/N", 1, "", false}, TypeRow{1222, "QT-700/B", 1, "", false},
                      TypeRow{1230, "QT-700/B", 1, "V", true}, TypeRow{2231, "QT-700/V", 4, "YW", false},
                      TypeRow{2432, "QT-700/V2", 4, "YVW", false}, TypeRow{2461, "QT-700/V2", 4, "YVRW", true},
                      TypeRow{2533, "QT-700/V3", 4, "YVR", false}, TypeRow{3110, "QT-700/E", 4, "YV", false},
                      TypeRow{4120, "QT-700/A", 4, "YV", false}, TypeRow{4210, "QT-700/M", 8, "YVRTW", false},
                      TypeRow{8410, "KP-40/T", 2, "YVT", false}, TypeRow{8910, "NX-18SPEC", 4, "YTVR", false},
                      TypeRow{9125, "NX-17", 4, "YTVR", false}, TypeRow{9525, "NX-17", 4, "YTVR", false},
                      TypeRow{9340, "NX-18", 4, "YTVR", false}, TypeRow{9425, "NX-20", 2, "YTV", false},
                      TypeRow{700, "unknown type", 1, "", false}));

class Model : public ::testing::Test {
protected:
    DeviceModel Make(int ident, ModelOptions o = {}) {
        DeviceModel m(TypeFromIdent(ident), o, Now);
        m.SignOn(0);
        return m;
    }
    static std::string Text(const Reply &r) { return r.kind == Reply::Data ? r.data : "<" + std::to_string(r.code) + ">"; }
};

TEST_F(Model, AccessCodeWithZeroPaddingGivesWriteAccessForTheSession) {
    DeviceModel m = Make(2233);
    EXPECT_EQ(m.Write('m', "000000000042", Now).code, RefNoAccess);
    EXPECT_EQ(m.Write('c', std::string("", 0) + std::string(8, '\0'), Now).code, RefWrongCode) << "empty code";
    EXPECT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Write('m', "000000000042", Now).kind, Reply::Ack);
    m.SignOff(10, Now);
    m.SignOn(100000);
    EXPECT_EQ(m.Write('m', "000000000043", Now).code, RefNoAccess) << "access ends with the session";
    ModelOptions o;
    o.accessCode = "1234";
    DeviceModel short4 = Make(2233, o);
    EXPECT_EQ(short4.Write('c', std::string("1234\0\0\0\0", 8), Now).kind, Reply::Ack);
}

// A test lets the connect read an item and has a later read of it refused ("--refuse b:2@3").
TEST_F(Model, InjectedRefusalStartsAtTheAskedRequestAndStays) {
    CommandLine cl;
    QString error;
    const QStringList port{"devsim", "--port-link", "/tmp/unused"};
    ASSERT_TRUE(ParseCommandLine(port + QStringList{"--refuse", "b:2@3", "--refuse", "a:7"}, cl, error)) << error.toStdString();
    DeviceModel m = Make(2461, cl.device.model);
    EXPECT_EQ(Text(m.Read('b', Now)), Text(m.Read('b', Now))) << "the first two reads are answered";
    EXPECT_EQ(Text(m.Read('b', Now)), "<2>");
    EXPECT_EQ(Text(m.Read('b', Now)), "<2>");
    EXPECT_EQ(Text(m.Read('a', Now)), "<7>") << "without @n every request is refused";
    for (const char *bad : {"b@0", "b:2@x", "b:2@3@4", "b:0", ":2"}) {
        EXPECT_FALSE(ParseCommandLine(port + QStringList{"--refuse", bad}, cl, error)) << bad;
        EXPECT_TRUE(error.contains("--refuse")) << error.toStdString();
    }
}

TEST_F(Model, ValueLockRefusesOnlyTheLockedItemsAndCanBeSwitchedOff) {
    DeviceModel locked = Make(2461);
    ASSERT_EQ(locked.Write('c', "12345678", Now).kind, Reply::Ack);
    EXPECT_EQ(locked.Write(']', "0700", Now).code, RefLocked);
    EXPECT_EQ(locked.Write('q', "15", Now).code, RefLocked);
    EXPECT_EQ(locked.Write('o', "03", Now).code, RefLocked);
    EXPECT_EQ(locked.Write('k', "000000000001", Now).kind, Reply::Ack);
    ModelOptions o;
    o.valueLock = false;
    DeviceModel open = Make(2461, o);
    ASSERT_EQ(open.Write('c', "12345678", Now).kind, Reply::Ack);
    EXPECT_EQ(open.Write(']', "0700", Now).kind, Reply::Ack);
}

struct ValueRow {
    uint8_t item;
    const char *value;
    bool accepted;
};

class WrittenValues : public Model, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(WrittenValues, FormatIsCheckedBeforeStoring) {
    DeviceModel m = Make(2233);
    ASSERT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    const Reply r = m.Write(GetParam().item, GetParam().value, Now);
    EXPECT_EQ(r.kind == Reply::Ack, GetParam().accepted) << r.code;
    if (!GetParam().accepted) {
        EXPECT_EQ(r.code, RefBadValue);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WrittenValues,
    ::testing::Values(ValueRow{'m', "000000000042", true}, ValueRow{'m', "42", false}, ValueRow{'m', "00000000004x", false},
                      ValueRow{']', "0630", true}, ValueRow{']', "2460", false}, ValueRow{'q', "05", true},
                      ValueRow{'q', "00", false}, ValueRow{'o', "99", true}, ValueRow{'o', "05", false},
                      ValueRow{'X', "80000123", true}, ValueRow{'X', "30000123", false},
                      ValueRow{'S', "00007DFF", true}, ValueRow{'S', "00007dff", false},
                      ValueRow{'{', "240229120000", true}, ValueRow{'{', "230229120000", false},
                      ValueRow{'f', "READER", false}, ValueRow{'u', "00001234", true}));

TEST_F(Model, ClockWriteMovesTheDeviceClock) {
    DeviceModel m = Make(2461);
    ASSERT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write('{', "300101000000", Now).kind, Reply::Ack);
    EXPECT_EQ(Text(m.Read('z', Now)), "300101000000");
    EXPECT_EQ(Text(m.Read('z', Now + 61)), "300101000101");
}

TEST_F(Model, ChannelFollowsRegister0001OnlyAtTheNextSignOn) {
    DeviceModel m = Make(2461);
    ASSERT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write(61, "0001", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Write(62, "04", Now).code, RefBadValue) << "only four channels";
    ASSERT_EQ(m.Write(62, "03", Now).kind, Reply::Ack);
    EXPECT_EQ(Text(m.Read('Y', Now)), "00");
    m.SignOff(0, Now);
    m.SignOn(10);
    EXPECT_EQ(Text(m.Read('Y', Now)), "03");
    EXPECT_EQ(Text(m.Read(60, Now)), "03");
}

TEST_F(Model, ChannelRegisterIsOpenWithoutAccessButOtherRegistersAreNot) {
    DeviceModel m = Make(2461);
    ASSERT_EQ(m.Write(61, "0001", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Write(62, "02", Now).kind, Reply::Ack) << "channel choice precedes the access code";
    ASSERT_EQ(m.Write(61, "8801", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Write(62, "01", Now).code, RefNoAccess) << "deleting measurements needs access";
}

TEST_F(Model, ReconnectAfterTheWindowKeepsTheChannel) {
    ModelOptions o;
    o.reconnectWindowMs = 1000;
    DeviceModel m = Make(9125, o);
    m.SignOff(0, Now);
    m.SignOn(500);
    EXPECT_EQ(Text(m.Read('Y', Now)), "01");
    m.SignOff(1000, Now);
    m.SignOn(5000);
    EXPECT_EQ(Text(m.Read('Y', Now)), "01");
}

TEST_F(Model, ChannelRegistersBelongToTheirChannel) {
    DeviceModel m = Make(4210);
    ASSERT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write(61, "3001", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write(62, "000000004142", Now).kind, Reply::Ack);
    m.State().channel = 1;
    EXPECT_EQ(Text(m.Read(60, Now)), "000000000041");
    m.State().channel = 0;
    EXPECT_EQ(Text(m.Read(60, Now)), "000000004142");
    ASSERT_EQ(m.Write(61, "0400", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write(61, "9999", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Read(60, Now).code, RefUnknownItem);
}

TEST_F(Model, ArchiveSizeTextFollowsTheMemorySize) {
    ModelOptions o;
    o.archive.sizeBytes = 6144;
    EXPECT_EQ(Text(Make(2461, o).Read('b', Now)), "1900");
    EXPECT_EQ(Text(Make(9425, o).Read('b', Now)), "1800") << "the NX-20 counts without the 256";
    o.archive.sizeBytes = 70000;
    EXPECT_EQ(Text(Make(2461, o).Read('b', Now)), "FFFF");
}

TEST_F(Model, KpWithoutArchiveRefusesTheCodeMark) {
    DeviceModel m = Make(8410);
    EXPECT_EQ(m.Write('~', "05", Now).code, RefUnknownItem);
    EXPECT_EQ(m.Read('V', Now).kind, Reply::Data);
    EXPECT_EQ(m.Read('R', Now).code, RefUnknownItem) << "R is not a KP-40/T letter";
}

TEST(DevsimArchive, GeneratedMemoryHasDayAndMonthMarkersAndEndsWithTheEndMarker) {
    ArchiveSpec spec;
    spec.sizeBytes = 6 * 400;
    spec.filledRecords = 300;  // 1200 words of hourly values: about 48 days
    const Archive a(spec, Now);
    ASSERT_EQ(a.Records(), 400);
    const auto &w = a.Words();
    EXPECT_GE(std::count(w.begin(), w.begin() + 1200, WordDay), 45);
    EXPECT_GE(std::count(w.begin(), w.begin() + 1200, WordMonth), 1);
    EXPECT_EQ(w[1200], WordEnd);
    EXPECT_EQ(w[1201], WordErased);
    EXPECT_EQ(std::count(w.begin(), w.end(), WordCodeMark), 0);
    EXPECT_EQ(a.Record(0).size(), 12u);
    EXPECT_EQ(a.Record(400), "");
}

TEST(DevsimArchive, CodeMarksSitWhereTheyWereAskedAndWrittenMarksComeFirst) {
    ArchiveSpec spec;
    spec.sizeBytes = 600;
    spec.filledRecords = 10;
    spec.codeMarks = {{0, 5}};
    Archive a(spec, Now);
    EXPECT_EQ(a.Record(4).substr(0, 6), "000FF9") << "code mark 00 at record 5: stops a complete readout";
    a.AddCodeMark(0x12);
    EXPECT_EQ(a.Record(0).substr(0, 6), "012FF9");
    EXPECT_EQ(a.Records(), 100) << "size stays";
    a.Clear();
    EXPECT_EQ(a.Record(0), "FF1FFFFFFFFF");
}

TEST(DevsimArchive, FullMemoryDropsItsOldestWordsForANewCodeMark) {
    ArchiveSpec spec;
    spec.sizeBytes = 60;
    spec.filledRecords = 10;
    Archive a(spec, Now);
    ASSERT_EQ(a.Words().size(), 40u);
    EXPECT_EQ(std::count(a.Words().begin(), a.Words().end(), WordEnd), 0) << "full: no end marker";
    const uint16_t keptOldest = a.Words()[37];
    a.AddCodeMark(3);
    EXPECT_EQ(a.Words().size(), 40u);
    EXPECT_EQ(a.Words().back(), keptOldest) << "the two oldest words gave way";
}

TEST(DevsimState, SavedStateComesBackIntoAFreshDevice) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/state.json";
    DeviceOptions o;
    o.type = TypeFromIdent(2461);
    Device d(o, Now);
    DeviceModel &m = d.Model();
    m.SignOn(0);
    ASSERT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write('m', "000000000321", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write('~', "07", Now).kind, Reply::Ack);
    ASSERT_EQ(m.Write('d', "ABCDEFGH", Now).kind, Reply::Ack);
    ASSERT_TRUE(SaveState(path, d));

    Device fresh(o, Now);
    ASSERT_TRUE(LoadState(path, fresh));
    DeviceModel &f = fresh.Model();
    f.SignOn(0);
    EXPECT_EQ(f.Read('l', Now).data, "000000000321");
    EXPECT_EQ(f.Read('x', Now).data.substr(0, 6), "007FF9");
    EXPECT_EQ(f.State().accessCode, "ABCDEFGH");

    DeviceOptions other;
    other.type = TypeFromIdent(9125);
    Device nx(other, Now);
    EXPECT_FALSE(LoadState(path, nx)) << "a state of another type is not loaded";
}

} // namespace

namespace {

TEST(DevsimChannels, QuickReconnectStepsAV2TooWhenNoChannelWasChosen) {
    DeviceModel m(TypeFromIdent(2461), ModelOptions{}, Now);
    m.SignOn(0);
    m.SignOff(100, Now);
    m.SignOn(200);
    EXPECT_EQ(m.Read('Y', Now).data, "01");
    ASSERT_EQ(m.Write(61, "0001", Now).kind, Reply::Ack);
    EXPECT_EQ(m.Read(60, Now).data, "01") << "register 0001 reads the channel in use";
}

} // namespace
