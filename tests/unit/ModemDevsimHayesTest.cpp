// devsim's Hayes modem as the program's modem dialogue meets it: command lines start at their "AT"
// prefix, so bytes left over from a sign-off sent in command mode do not spoil the next command, and
// the hang-up sent while dialling ends the call without a stray answer.
#include "devsim/Modem.h"

#include <gtest/gtest.h>
#include <vector>

using namespace devsim;

namespace {

class ModemDevsimHayes : public ::testing::Test {
protected:
    std::string Feed(const std::string &bytes, int64_t at) {
        std::string out;
        for (char c : bytes) {
            std::vector<ModemAction> acts;
            m.Feed(static_cast<uint8_t>(c), at, acts);
            for (auto &a : acts) out += a.bytes;
        }
        return out;
    }
    std::string Tick(int64_t at) {
        std::vector<ModemAction> acts;
        m.Tick(at, acts);
        std::string out;
        for (auto &a : acts) out += a.bytes;
        return out;
    }
    ModemOptions o{ModemOptions::DialAnswer::Connect, 9600, 100, 50};
    Modem m{o};
};

} // namespace

TEST_F(ModemDevsimHayes, BytesBeforeTheAtPrefixAreDropped) {
    const std::string signOff = "\x01" "B\x03" "A";
    Feed(signOff + signOff + signOff, 0);  // echoed, kept in the command line like a real modem does
    EXPECT_EQ(Feed("AT&F\r", 10).substr(5), "\r\nOK\r\n");
    EXPECT_EQ(Feed("xxat&f\r", 20).substr(7), "\r\nOK\r\n") << "the prefix in any letter case";
}

TEST_F(ModemDevsimHayes, LineWithoutThePrefixGetsNoAnswer) {
    EXPECT_EQ(Feed("TH\r", 0), "TH\r");
    EXPECT_EQ(Feed("\r", 5), "\r");
    EXPECT_EQ(Feed("AT\r", 10), "AT\r\r\nOK\r\n");
}

TEST_F(ModemDevsimHayes, HangUpWhileDiallingEndsTheCallWithoutAStrayAnswer) {
    Feed("ATDP0815\r\n", 0);
    EXPECT_EQ(Feed("ATH\r", 50), "\r\nNO CARRIER\r\nTH\r");
    EXPECT_EQ(Tick(200), "") << "the aborted call never connects";
    EXPECT_FALSE(m.Online());
    EXPECT_EQ(Feed("AT\r", 300), "AT\r\r\nOK\r\n");
}
