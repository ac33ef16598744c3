// The raw traffic the program sends itself through the line driver, answered by devsim: the Hayes
// modem dialogue, the process data exchange with its byte-sum checksum and the clock test bytes.
#include "pty/ProtocolBinding.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <thread>

using namespace korvultest;

namespace {

class RawTraffic : public ::testing::Test {
protected:
    void Start(const QStringList &args, double timeScale = 0.05, int lineTimeoutMs = 500) {
        ASSERT_TRUE(drivers.Loaded());
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start(args, home.korvulDir() + "/ports/COM1", timeScale));
        ASSERT_EQ(drivers.Bind("COM1"), 0);
        ASSERT_EQ(drivers.SetLineTimeout(lineTimeoutMs), 0);
    }
    // Reads modem output until a line holding `word` arrived; false on a line error first.
    bool ModemLine(const std::string &word, std::string *all = nullptr) {
        std::string text;
        while (text.find(word) == std::string::npos || text.back() != '\n')
            if (drivers.LineReadUntil('\n', text) != 0) return false;
        if (all) *all = text;
        return true;
    }
    TempConfigHome home;
    DevsimProcess sim;
    ProtocolBinding drivers;
};

unsigned HexValue(const std::string &s) { return static_cast<unsigned>(std::stoul(s, nullptr, 16)); }

TEST_F(RawTraffic, ModemDialsConnectsCarriesTheProtocolAndHangsUp) {
    Start({"--type", "2461", "--modem"});
    ASSERT_EQ(drivers.LineWrite("AT&F\r"), 0);
    std::string text;
    ASSERT_TRUE(ModemLine("OK", &text));
    EXPECT_NE(text.find("AT&F"), std::string::npos) << "the modem echoes commands";
    ASSERT_EQ(drivers.LineWrite("ATDP0123456\r\n"), 0);
    ASSERT_TRUE(ModemLine("CONNECT", &text));
    EXPECT_NE(text.find("CONNECT 9600"), std::string::npos) << text;
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.ReadText('a'), "2461");
    // The escape needs the guard time of silence before and after "+++" (50 ms at this time scale).
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ASSERT_EQ(drivers.LineWrite("+++"), 0);
    ASSERT_TRUE(ModemLine("OK"));
    ASSERT_EQ(drivers.LineWrite("ATH\r"), 0);
    ASSERT_TRUE(ModemLine("OK"));
    EXPECT_EQ(drivers.SignOn(), -13) << "after hanging up no device answers";
}

struct DialRow {
    const char *answer;
    const char *expected;  // nullptr: no answer at all
};

class DialResults : public RawTraffic, public ::testing::WithParamInterface<DialRow> {};

TEST_P(DialResults, ModemAnswersTheDialAsConfigured) {
    Start({"--type", "2461", "--modem", "--modem-answer", GetParam().answer});
    ASSERT_EQ(drivers.LineWrite("ATDP0123456\r\n"), 0);
    if (GetParam().expected) {
        EXPECT_TRUE(ModemLine(GetParam().expected));
    } else {
        std::string echo, more;
        ASSERT_EQ(drivers.LineReadUntil('\r', echo), 0);
        EXPECT_NE(echo.find("ATDP0123456"), std::string::npos) << "only the echo of the command";
        EXPECT_EQ(drivers.LineReadUntil('\n', more), deTimeout) << more;
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, DialResults,
                         ::testing::Values(DialRow{"busy", "BUSY"}, DialRow{"nocarrier", "NO CARRIER"},
                                           DialRow{"none", nullptr}),
                         [](const auto &info) { return std::string(info.param.answer); });

struct ChecksumRow {
    const char *ident;
    bool badChecksum;
    unsigned offset;  // what the type subtracts from the true byte sum
};

class ProcessData : public RawTraffic, public ::testing::WithParamInterface<ChecksumRow> {};

// SOH P67 CR; the answer runs to "%", then four hex digits of the 16-bit byte sum, four more bytes.
TEST_P(ProcessData, P67AnswerCarriesTheByteSum) {
    const ChecksumRow row = GetParam();
    QStringList args{"--type", row.ident};
    if (row.badChecksum) args << "--bad-checksum";
    Start(args);
    ASSERT_EQ(drivers.LinePurge(), 0);
    ASSERT_EQ(drivers.LineWrite("\x01P67\r"), 0);
    std::string answer, checksum, trailer;
    ASSERT_EQ(drivers.LineReadUntil('%', answer), 0);
    for (int i = 0; i < 4; ++i) { char c; ASSERT_EQ(drivers.LineReadByte(c), 0); checksum += c; }
    for (int i = 0; i < 4; ++i) { char c; ASSERT_EQ(drivers.LineReadByte(c), 0); trailer += c; }
    ASSERT_EQ(drivers.LineWrite("\x17"), 0);
    unsigned sum = 0;
    for (unsigned char c : answer) sum += c;
    sum = (sum - row.offset) & 0xFFFF;
    EXPECT_EQ(HexValue(checksum) == sum, !row.badChecksum) << checksum;
    const auto z = answer.find("ZQV");
    ASSERT_NE(z, std::string::npos);
    ASSERT_GT(answer.size(), z + 54);
    const std::string fields = answer.substr(z + 54);
    EXPECT_EQ(fields.substr(12, 1), ",") << "field 1 is the 12-digit time stamp";
}

INSTANTIATE_TEST_SUITE_P(Types, ProcessData,
                         ::testing::Values(ChecksumRow{"9041", false, 0}, ChecksumRow{"9041", true, 0},
                                           ChecksumRow{"9240", false, 2}));

TEST_F(RawTraffic, Nx17AnswersP56WithOneLine) {
    Start({"--type", "9145"});
    ASSERT_EQ(drivers.LineWrite("\x01P56\r"), 0);
    std::string answer;
    ASSERT_EQ(drivers.LineReadUntil('\r', answer), 0);
    EXPECT_LE(answer.size(), 80u);
    EXPECT_EQ(answer.find(':'), 8u) << "the first ':' of the time sits at position 9";
}

TEST_F(RawTraffic, ClockTestAnswersTheQuestionMark) {
    Start({"--type", "2461"});
    ASSERT_EQ(drivers.SignOn(), 0);
    ASSERT_EQ(drivers.LineWrite("!}"), 0);
    char c = 0;
    ASSERT_EQ(drivers.LineReadByte(c), 0);
    EXPECT_EQ(c, '}');
    ASSERT_EQ(drivers.LineWrite("00%60\r\n"), 0);
    ASSERT_EQ(drivers.LineWrite("0"), 0);
    ASSERT_EQ(drivers.LineWrite("\x02"), 0);
    EXPECT_EQ(drivers.ReadText('a'), "2461") << "the protocol goes on after the clock test";
}

} // namespace
