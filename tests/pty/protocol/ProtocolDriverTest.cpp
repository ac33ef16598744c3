// prqt__32.so against devsim over a pseudo-terminal, through linqor32.so, bound as the program binds them.
#include "pty/ProtocolBinding.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using namespace korvultest;
using namespace std::chrono;

namespace {

const char *const V2Letters = "abzegljh^tsr\\p|nYVRW";
const char *const Nx17Letters = "abzegljh^tsr\\p|nYTVR";
const std::string AccessCode("12345678", 8);

class ProtocolDriver : public ::testing::Test {
protected:
    // Starts devsim with `args` on COM1 of a private config dir and binds the drivers to it.
    void Start(const QStringList &args, double timeScale = 0.05, int lineTimeoutMs = 300) {
        ASSERT_TRUE(drivers.Loaded()) << "linqor32.so and prqt__32.so must be in " << BinDir().toStdString();
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start(args, home.korvulDir() + "/ports/COM1", timeScale));
        ASSERT_EQ(drivers.Bind("COM1"), 0);
        ASSERT_EQ(drivers.SetLineTimeout(lineTimeoutMs), 0);
    }
    void SignOnWithAccess() {
        ASSERT_EQ(drivers.SignOn(), 0);
        ASSERT_EQ(drivers.Write('c', AccessCode), 0);
    }
    TempConfigHome home;
    DevsimProcess sim;
    ProtocolBinding drivers;
};

bool AllDigits(const std::string &s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

struct TypeRow {
    const char *ident;
    const char *letters;
};

class EveryCommonItem : public ProtocolDriver, public ::testing::WithParamInterface<TypeRow> {};

// Every common data letter of the type answers with a text that fits the program's 21-byte buffer;
// the QT-700/V2 row runs at time scale 1.
TEST_P(EveryCommonItem, AnswersEveryLetterOfItsType) {
    const TypeRow row = GetParam();
    Start({"--type", row.ident}, std::string(row.ident) == "2461" ? 1.0 : 0.05);
    ASSERT_EQ(drivers.SignOn(), 0);
    for (const char *l = row.letters; *l; ++l) {
        std::string text;
        ASSERT_EQ(drivers.Read(static_cast<uint8_t>(*l), text), 0) << "item " << *l;
        EXPECT_FALSE(text.empty()) << "item " << *l;
        EXPECT_LE(text.size(), 20u) << "item " << *l;
    }
    EXPECT_EQ(drivers.ReadText('a'), row.ident);
    const std::string z = drivers.ReadText('z');
    EXPECT_TRUE(AllDigits(z) && z.size() == 12) << z;
    EXPECT_EQ(drivers.ReadText('Y'), "00");
    EXPECT_EQ(drivers.ReadText('^').size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(Types, EveryCommonItem,
                         ::testing::Values(TypeRow{"2461", V2Letters}, TypeRow{"9125", Nx17Letters}));

TEST_F(ProtocolDriver, ShorterExpectedLengthCutsTheAnswer) {
    Start({"--type", "2461"});
    ASSERT_EQ(drivers.SignOn(), 0);
    std::string text;
    ASSERT_EQ(drivers.Read('l', text, 4), 0);
    EXPECT_EQ(text, "0000");
    ASSERT_EQ(drivers.Read('l', text, 0), 0);
    EXPECT_EQ(text.size(), 12u);
}

TEST_F(ProtocolDriver, WritesNeedTheDevicesAccessCode) {
    Start({"--type", "2233"});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.Write('m', "000000000042"), 2) << "write without access";
    EXPECT_EQ(drivers.Write('c', std::string("1111\0\0\0\0", 8)), 6) << "wrong access code";
    EXPECT_EQ(drivers.Write('m', "000000000042"), 2) << "wrong code gives no access";
    EXPECT_EQ(drivers.Write('c', AccessCode), 0);
    EXPECT_EQ(drivers.Write('m', "000000000042"), 0);
    EXPECT_EQ(drivers.ReadText('l'), "000000000042");
    EXPECT_EQ(drivers.Write(']', "0700"), 0) << "no value lock on a QT-700/V";
    EXPECT_EQ(drivers.ReadText('\\'), "0700");
    EXPECT_EQ(drivers.Write('f', "NEW READER  ", dpWriteOem), 0);
    EXPECT_EQ(drivers.ReadText('e'), "NEW READER  ");
}

TEST_F(ProtocolDriver, AccessCodeComesFromTheCommandLine) {
    Start({"--type", "2461", "--access-code", "87654321"});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.Write('c', AccessCode), 6);
    EXPECT_EQ(drivers.Write('c', "87654321"), 0);
}

struct RefusalRow {
    const char *name;
    int item;
    const char *value;  // nullptr: a read
    int code;
};

class Refusals : public ProtocolDriver, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(Refusals, DeviceRefusalArrivesAsItsPositiveCode) {
    const RefusalRow row = GetParam();
    Start({"--type", "2461", "--refuse", "z:9"});
    SignOnWithAccess();
    std::string text;
    const int r = row.value ? drivers.Write(row.item, row.value) : drivers.Read(row.item, text);
    EXPECT_EQ(r, row.code);
    EXPECT_EQ(drivers.ReadText('a'), "2461") << "the session goes on after a refusal";
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Refusals,
    ::testing::Values(RefusalRow{"UnknownItem", 200, nullptr, 1}, RefusalRow{"BadValue", 'm', "12ab", 3},
                      RefusalRow{"DayBoundaryLocked", ']', "0700", 4}, RefusalRow{"PeriodLocked", 'q', "15", 4},
                      RefusalRow{"CpCodeLocked", 'o', "03", 4}, RefusalRow{"ReadOnly", 'a', "2462", 5},
                      RefusalRow{"InjectedRefusal", 'z', nullptr, 9}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ProtocolDriver, ItemTrafficBeforeSignOnIsRefused) {
    Start({"--type", "2461"});
    std::string text;
    EXPECT_EQ(drivers.Read('a', text), 7);
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.Read('a', text), 0);
    ASSERT_EQ(drivers.SignOff(100), 0);
    EXPECT_EQ(drivers.Read('a', text), 7);
}

TEST_F(ProtocolDriver, SilentDeviceGivesTimeoutWithoutRetrying) {
    Start({"--type", "2461", "--silent"}, 0.05, 200);
    const auto t0 = steady_clock::now();
    EXPECT_EQ(drivers.SignOn(), -13);
    std::string text;
    EXPECT_EQ(drivers.Read('a', text), -13);
    EXPECT_LT(steady_clock::now() - t0, milliseconds(1500)) << "each silent request waits one time-out";
}

TEST_F(ProtocolDriver, LateAnswerWithinTheTimeoutArrivesAtScaleOne) {
    Start({"--type", "2461", "--late", "300"}, 1.0, 1000);
    const auto t0 = steady_clock::now();
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_GE(steady_clock::now() - t0, milliseconds(290));
    EXPECT_EQ(drivers.ReadText('a'), "2461");
}

TEST_F(ProtocolDriver, CorruptedBytesAreRetriedAway) {
    Start({"--type", "2461", "--corrupt-every", "23"}, 0.05, 150);
    ASSERT_EQ(drivers.SignOn(), 0);
    for (int i = 0; i < 30; ++i) {
        std::string text;
        ASSERT_EQ(drivers.Read('l', text), 0) << "read " << i;
        EXPECT_EQ(text, "000004711001") << "read " << i;
    }
}

TEST_F(ProtocolDriver, NoiseBetweenFramesLeavesEveryExchangeIntact) {
    Start({"--type", "2461"}, 0.05, 200);
    ASSERT_EQ(drivers.SignOn(), 0);
    std::mt19937 rng(4711);
    for (int i = 0; i < 60; ++i) {
        std::string noise(1 + rng() % 48, '\0');
        for (char &c : noise) c = static_cast<char>(rng());
        ASSERT_EQ(drivers.LineWrite(noise), 0);
        std::string text;
        ASSERT_EQ(drivers.Read('l', text), 0) << "exchange " << i;
        EXPECT_EQ(text, "000004711001") << "exchange " << i;
    }
}

TEST_F(ProtocolDriver, UnboundDriverRefusesTraffic) {
    ASSERT_TRUE(drivers.Loaded());
    int32_t a3 = 0, a4 = 0;
    ASSERT_EQ(drivers.Protocol()(dpReset, nullptr, &a3, &a4), 0);
    EXPECT_EQ(drivers.Protocol()(dpOpen, nullptr, &a3, &a4), -41);
    EXPECT_EQ(drivers.Protocol()(dpPurge, nullptr, &a3, &a4), deUnknownCommand);
    ASSERT_EQ(drivers.Protocol()(dpVersion, nullptr, &a3, &a4), 0);
    EXPECT_EQ(a4, 100);
}

TEST_F(ProtocolDriver, ValuesThatCannotTravelAreRejectedBeforeSending) {
    Start({"--type", "2461"});
    SignOnWithAccess();
    EXPECT_EQ(drivers.Write('f', std::string("AB\x03") + "DEFGHIJKL"), deBadArgument);
    EXPECT_EQ(drivers.Write('f', std::string(256, 'A')), deBadArgument);
    char buf[8];
    int32_t a3 = 0, a4 = 'a';
    EXPECT_EQ(drivers.Protocol()(dpRead, nullptr, &a3, &a4), deBadArgument);
    (void)buf;
}

} // namespace
