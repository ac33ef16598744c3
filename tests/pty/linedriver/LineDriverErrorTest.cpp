// Error bits and modem line checks, with the test build's injectable error and modem sources
// (a pseudo-terminal has neither).
#include "pty/PtyLineFixture.h"
#include "support/TestSupport.h"

#include "linedriver/TestHooks.h"

#include <gtest/gtest.h>

using namespace linqortest;
using namespace std::chrono_literals;
namespace lt = linqor::testing;

namespace {

uint32_t g_errors = 0;  // reported once, then cleared, like the port's own error state
bool g_errorsStay = false;  // a port that keeps reporting the same errors
uint32_t TakeErrors() {
    const uint32_t e = g_errors;
    if (!g_errorsStay) g_errors = 0;
    return e;
}

int g_modemPresent = 0;
int g_modemFailures = 0;    // the next n queries report a line missing, then g_modemPresent
int g_modemQueries = 0;
int g_modemErrno = 0;
int FakeModem(int &present) {
    ++g_modemQueries;
    if (g_modemErrno) return g_modemErrno;
    present = g_modemFailures > 0 ? 0 : g_modemPresent;
    if (g_modemFailures > 0) --g_modemFailures;
    return 0;
}

class LineDriverErrors : public ::testing::Test {
protected:
    korvultest::TempConfigHome config;
    PtyPeer peer;
    void SetUp() override {
        g_errors = 0;
        g_errorsStay = false;
        g_modemPresent = lcCTS | lcDSR | lcCarrier;
        g_modemFailures = g_modemQueries = g_modemErrno = 0;
        lt::SetErrorSource(&TakeErrors);
        lt::SetModemSource(&FakeModem);
        lt::Load();
    }
    void TearDown() override {
        lt::Unload();
        lt::SetErrorSource(nullptr);
        lt::SetModemSource(nullptr);
    }
    int32_t call(uint8_t command, void *data = nullptr, int32_t a3 = 0, int32_t a4 = 0) {
        return lt::Call(command, data, &a3, &a4);
    }
    int32_t open(const std::string &settings) {
        call(dpReset);
        std::string text = peer.path() + ":" + settings;
        return call(dpOpen, text.data());
    }
    int32_t write(const std::string &s) {
        std::string copy = s;
        return call(dpWrite, copy.data(), int32_t(s.size()));
    }
    int32_t read(int32_t n) {
        std::vector<uint8_t> buf(static_cast<size_t>(n), 0);
        return call(dpRead, buf.data(), n);
    }
    uint32_t commErrors() {
        int32_t state = 0, errors = 0;
        lt::Call(dpStatus, nullptr, &state, &errors);
        return uint32_t(errors);
    }
};

TEST_F(LineDriverErrors, WriteCountsErrorsExceptALoneIgnoredParityError) {
    struct Row {
        const char *settings;
        uint32_t errors;
        int32_t result;
    };
    const Row rows[] = {
        {"9600,E,7,1", 0, 0},
        {"9600,E,7,1", ceParity, deLineError},
        {"9600,E,7,1", ceFraming, deLineError},
        {"9600,E,7,1,IGP", ceParity, 0},
        {"9600,E,7,1,IGP", ceParity | ceFraming, deLineError},
        {"9600,E,7,1,IGP", ceOverrun, deLineError},
        {"9600,E,7,1,IGP", ceRxOverflow, deLineError},
        {"9600,N,8,1,BIN,IGP0,T0700", ceParity, 0},
    };
    for (const Row &row : rows) {
        ASSERT_EQ(open(row.settings), 0) << row.settings;
        g_errors = row.errors;
        EXPECT_EQ(write("x"), row.result) << row.settings << " errors " << row.errors;
        EXPECT_EQ(commErrors(), row.errors) << "dpStatus reports what the write saw";
        peer.receive(1);
    }
}

TEST_F(LineDriverErrors, ParityIsSignificantAgainAfterAnOpenWithoutIgp) {
    ASSERT_EQ(open("9600,E,7,1,IGP"), 0);
    ASSERT_EQ(call(dpClose), 0);
    std::string text = peer.path() + ":9600,E,7,1";
    ASSERT_EQ(call(dpOpen, text.data()), 0);  // no reset between the two opens
    g_errors = ceParity;
    EXPECT_EQ(write("x"), deLineError);
}

TEST_F(LineDriverErrors, PurgeAndResetClearTheErrorBits) {
    ASSERT_EQ(open("9600,N,8,1"), 0);
    g_errors = ceFraming;
    ASSERT_EQ(write("x"), deLineError);
    ASSERT_EQ(commErrors(), uint32_t(ceFraming));
    EXPECT_EQ(call(dpPurge, nullptr, 2), 0);
    EXPECT_EQ(commErrors(), 0u);
    g_errors = ceOverrun;
    write("x");
    EXPECT_EQ(call(dpReset), 0);
    EXPECT_EQ(commErrors(), 0u);
}

TEST_F(LineDriverErrors, MissingModemLineMustBeSeenTwiceInARow) {
    struct Row {
        int watch;
        int present;
        int32_t result;
    };
    const Row rows[] = {
        {lcCTS, 0, deNoCTS},
        {lcDSR, lcCTS, deNoDataSetReady},
        {lcCarrier, lcCTS | lcDSR, deNoCarrier},
        {lcCTS | lcDSR | lcCarrier, 0, deNoCTS},             // clear to send is checked first
        {lcDSR | lcCarrier, lcCTS, deNoDataSetReady},
        {lcCTS | 0xF8, lcCTS | lcDSR | lcCarrier, deTimeout},  // other bits are not watched
    };
    for (const Row &row : rows) {
        ASSERT_EQ(open("9600,N,8,1"), 0);
        ASSERT_EQ(call(dpSetParam, nullptr, spTimeout, 50), 0);
        ASSERT_EQ(call(dpSetParam, nullptr, spLineChecks, row.watch), 0);
        g_modemPresent = row.present;
        g_modemQueries = 0;
        EXPECT_EQ(read(1), row.result) << "watch " << row.watch << " present " << row.present;
        if (row.result != deTimeout) {
            EXPECT_EQ(g_modemQueries, 2);
        }
    }
}

TEST_F(LineDriverErrors, ALineMissingOnlyOnceDoesNotEndTheRead) {
    ASSERT_EQ(open("9600,N,8,1"), 0);
    ASSERT_EQ(call(dpSetParam, nullptr, spLineChecks, lcCarrier), 0);
    g_modemFailures = 1;
    peer.send("k");
    EXPECT_EQ(read(1), 0);
}

TEST_F(LineDriverErrors, UnreadableModemLinesCountAsPresent) {
    ASSERT_EQ(open("9600,N,8,1"), 0);
    ASSERT_EQ(call(dpSetParam, nullptr, spLineChecks, lcCTS | lcDSR | lcCarrier), 0);
    g_modemErrno = ENOTTY;
    peer.send("k");
    EXPECT_EQ(read(1), 0);
}

TEST_F(LineDriverErrors, OpenForgetsTheLineChecks) {
    ASSERT_EQ(open("9600,N,8,1"), 0);
    ASSERT_EQ(call(dpSetParam, nullptr, spLineChecks, lcCTS), 0);
    g_modemPresent = 0;
    std::string text = peer.path() + ":9600,N,8,1";
    ASSERT_EQ(call(dpOpen, text.data()), 0);
    peer.send("k");
    EXPECT_EQ(read(1), 0);
    EXPECT_EQ(g_modemQueries, 0);
}

TEST_F(LineDriverErrors, ReconfigurationChangesTheLineOrReportsWhy) {
    ASSERT_EQ(open("9600,N,8,1"), 0);
    EXPECT_EQ(call(dpSetParam, nullptr, spBaudRate, 19200), 0);
    EXPECT_EQ(call(dpSetParam, nullptr, spDataBits, 0x107), 0);  // low byte counts: 7
    EXPECT_EQ(call(dpSetParam, nullptr, spParity, 4), 0);
    EXPECT_EQ(call(dpSetParam, nullptr, spStopBits, 2), 0);
    // Refused values: the platform's reason when the port reports no error bits, else the bits.
    EXPECT_EQ(call(dpSetParam, nullptr, spBaudRate, 12345), EINVAL);
    EXPECT_EQ(call(dpSetParam, nullptr, spParity, 5), EINVAL);
    g_errors = ceFraming;
    g_errorsStay = true;
    EXPECT_EQ(call(dpSetParam, nullptr, spDataBits, 9), int32_t(ceFraming));
    g_errorsStay = false;
    g_errors = 0;
    EXPECT_EQ(write("still open"), 0);
}

} // namespace
