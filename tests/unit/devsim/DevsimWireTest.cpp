// devsim's line side without a port: wire parser resynchronisation, raw sequences, answer encoding,
// the Hayes modem and the process data answers.
#include "devsim/Device.h"
#include "devsim/Modem.h"
#include "devsim/ProcessData.h"
#include "devsim/WireParser.h"

#include <gtest/gtest.h>
#include <vector>

using namespace devsim;

namespace {

std::string Frame(const std::string &body) { return "\x01" + body + static_cast<char>(Bcc(body)); }

std::vector<WireEvent> Parse(const std::string &bytes, WireParser &p) {
    std::vector<WireEvent> events;
    for (char c : bytes)
        if (auto e = p.Feed(static_cast<uint8_t>(c))) events.push_back(*e);
    return events;
}

std::vector<WireEvent::Kind> Kinds(const std::vector<WireEvent> &events, bool withKeys = false) {
    std::vector<WireEvent::Kind> k;
    for (const auto &e : events)
        if (withKeys || e.kind != WireEvent::Key) k.push_back(e.kind);
    return k;
}

TEST(DevsimWire, FramesAreRecognisedAfterNoiseAndTruncatedFrames) {
    WireParser p;
    const std::string bytes = std::string("zz\x01R") + Frame("Ra\x03") + "\x01W=\x02" + "01" +
                              Frame(std::string("W=\x02") + "01\x03");
    const auto events = Parse(bytes, p);
    ASSERT_EQ(Kinds(events), (std::vector<WireEvent::Kind>{WireEvent::Read, WireEvent::Write}));
    EXPECT_EQ(events[2 + 0].item, 'a');
    EXPECT_EQ(events.back().item, 61);
    EXPECT_EQ(events.back().data, "01");
}

TEST(DevsimWire, WrongBccGivesABadFrame) {
    WireParser p;
    std::string f = Frame("Rl\x03");
    f.back() ^= 1;
    EXPECT_EQ(Kinds(Parse(f, p)), (std::vector<WireEvent::Kind>{WireEvent::BadFrame}));
    EXPECT_EQ(Kinds(Parse(Frame("O\x03") + Frame("B\x03"), p)),
              (std::vector<WireEvent::Kind>{WireEvent::SignOn, WireEvent::SignOff}));
}

TEST(DevsimWire, AnyByteMayBeTheBcc) {
    WireParser p;
    // 'R' ^ 'R' ^ ETX = ETX ... choose an item that makes the BCC an SOH: 'R' ^ item ^ 3 == 1.
    const uint8_t item = 'R' ^ 3 ^ 1;
    const std::string f = Frame(std::string("R") + static_cast<char>(item) + "\x03");
    ASSERT_EQ(static_cast<uint8_t>(f.back()), 1);
    const auto events = Parse(f, p);
    ASSERT_EQ(Kinds(events), (std::vector<WireEvent::Kind>{WireEvent::Read}));
    EXPECT_EQ(events[0].item, item);
}

TEST(DevsimWire, RawSequencesOfTheProgramAreRecognised) {
    WireParser p;
    auto kinds = Kinds(Parse(std::string("\x02\x02\x02") + "\x01P67\r" + "!}" + "00%60\r\n", p));
    EXPECT_EQ(kinds, (std::vector<WireEvent::Kind>{WireEvent::WakeUp, WireEvent::RawCommand,
                                                   WireEvent::ClockTestAsk, WireEvent::ClockTestStart}));
    p.SetClockTestRunning(true);
    EXPECT_EQ(Kinds(Parse("0\x17", p)), (std::vector<WireEvent::Kind>{WireEvent::ClockTestStop, WireEvent::EndRaw}));
    p.SetClockTestRunning(false);
    auto module = Kinds(Parse("\x04\x04\x04\x04\x04\x02\x02\x02\x02\x02", p));
    ASSERT_FALSE(module.empty());
    EXPECT_EQ(module.back(), WireEvent::ModuleWakeUp);
}

TEST(DevsimWire, RepliesAreEncodedAsAckNakOrDataFrame) {
    EXPECT_EQ(EncodeReply(Reply::Ok()), "\x06");
    EXPECT_EQ(EncodeReply(Reply::No(4)), "\x15" "04");
    EXPECT_EQ(EncodeReply(Reply::Text("2461")), std::string("\x02" "2461\x03") + static_cast<char>(Bcc("2461\x03")));
}

class DevsimModem : public ::testing::Test {
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
    ModemOptions o{ModemOptions::DialAnswer::Connect, 2400, 100, 50};
    Modem m{o};
};

TEST_F(DevsimModem, EchoesAnswersOkAndConnectsAfterTheDialDelay) {
    EXPECT_EQ(Feed("AT&F\r", 0), "AT&F\r\r\nOK\r\n");
    EXPECT_EQ(Feed("ATDP123\r\n", 10), "ATDP123\r") << "the line feed after the dial command is not a key";
    EXPECT_EQ(Tick(50), "");
    EXPECT_EQ(Tick(110), "\r\nCONNECT 2400\r\n");
    EXPECT_TRUE(m.Online());
}

TEST_F(DevsimModem, EscapeNeedsTheGuardTimeOnBothSides) {
    Feed("ATD1\r", 0);
    Tick(200);
    ASSERT_TRUE(m.Online());
    Feed("x+++", 210);  // no silence before the plus signs: plain data
    EXPECT_EQ(Tick(400), "");
    Feed("+++", 500);
    EXPECT_EQ(Tick(520), "") << "guard after the escape not yet over";
    EXPECT_EQ(Tick(551), "\r\nOK\r\n");
    EXPECT_FALSE(m.Online());
    EXPECT_EQ(Feed("ATH\r", 600), "ATH\r\r\nOK\r\n");
}

TEST(DevsimProcessData, P67ChecksumIsTheByteSumUpToThePercentSign) {
    const TypeInfo t = TypeFromIdent(9041);
    const std::string a = ProcessAnswer(t, "P67", 1765000000, 0, false);
    const auto pct = a.find('%');
    ASSERT_NE(pct, std::string::npos);
    EXPECT_EQ(std::stoul(a.substr(pct + 1, 4), nullptr, 16), ByteSum(a.substr(0, pct + 1)));
    EXPECT_EQ(a.size(), pct + 1 + 8) << "checksum and four trailing bytes";
    EXPECT_EQ(a.find("ZQV"), 1u);
    EXPECT_TRUE(ProcessAnswer(TypeFromIdent(2461), "P67", 0, 0, false).empty()) << "no process data";
    EXPECT_TRUE(ProcessAnswer(TypeFromIdent(9145), "P55", 0, 0, false).empty()) << "NX-17 from version 40 wants P56";
    EXPECT_FALSE(ProcessAnswer(TypeFromIdent(9125), "P55", 0, 0, false).empty());
}

} // namespace

namespace {

std::string Feed(Device &d, const std::string &bytes) {
    std::vector<Emit> out;
    for (char c : bytes) d.OnByte(static_cast<uint8_t>(c), 0, 1765000000, out);
    std::string all;
    for (auto &e : out) all += e.bytes;
    return all;
}

TEST(DevsimDevice, Nx17sAnswersCommandLinesWithEtxAndMarksErrors) {
    DeviceOptions o;
    o.type = TypeFromIdent(9525);
    Device d(o, 1765000000);
    EXPECT_EQ(Feed(d, "SET1\r"), "SET1 -00-\x03");
    EXPECT_EQ(Feed(d, "ERRX\r"), "ERRX -04-\x03");
    EXPECT_EQ(Feed(d, "AB\x17" "CD\r"), "CD -00-\x03") << "17h ends the line";
    DeviceOptions qt;
    qt.type = TypeFromIdent(2461);
    Device other(qt, 1765000000);
    EXPECT_EQ(Feed(other, "SET1\r"), "") << "only the NX-17S takes command lines";
}

// NAK asks for the last answer again: an archive record read must not move on, and a device that
// heard a request it could not understand must not pass the old answer off as the new one.
TEST(DevsimDevice, NakRepeatsTheLastAnswerWithoutReadingTheNextRecord) {
    DeviceOptions o;
    o.type = TypeFromIdent(2461);
    o.faults.loseAnswerEvery = 4;
    Device d(o, 1765000000);
    const std::string nak = "\x15", readX = Frame("Rx\x03");
    ASSERT_EQ(Feed(d, Frame("O\x03")), "\x06");
    const std::string first = Feed(d, readX);
    ASSERT_EQ(first.size(), 15u);
    EXPECT_EQ(Feed(d, nak), first);
    EXPECT_EQ(Feed(d, nak), first) << "as often as asked";
    const std::string second = Feed(d, readX);
    EXPECT_NE(second, first);
    EXPECT_EQ(Feed(d, readX), "") << "the fourth answer is lost";
    const std::string third = Feed(d, nak);
    EXPECT_EQ(third.size(), 15u);
    EXPECT_NE(third, second);
    EXPECT_EQ(Feed(d, std::string("Rx\x03") + nak), "\x15" "00") << "a request without its SOH was heard";
    EXPECT_EQ(Feed(d, std::string("\x01Rx") + nak), "") << "NAK inside a frame is not a repeat request";
    EXPECT_EQ(Feed(d, std::string("\x01") + nak), "") << "...nor right after SOH";
    EXPECT_EQ(Feed(d, nak), "\x15" "00") << "the cut-off frames were heard";
}

TEST(DevsimDevice, SilentDeviceStillHasItsModem) {
    DeviceOptions o;
    o.type = TypeFromIdent(2461);
    o.faults.silent = true;
    o.modem = ModemOptions{};
    Device d(o, 1765000000);
    EXPECT_EQ(Feed(d, "AT\r"), "AT\r\r\nOK\r\n");
}

TEST(DevsimDevice, LocalModuleDrawsItsMenuOnEscape) {
    DeviceOptions o;
    o.type = TypeFromIdent(6012);
    Device d(o, 1765000000);
    const std::string menu = Feed(d, "\x1b");
    EXPECT_EQ(menu.rfind("\x1b[2J", 0), 0u);
    EXPECT_NE(menu.find("CLM-300"), std::string::npos);
}

// Command lines start at their "AT" prefix, so bytes left over from a sign-off sent in command mode do
// not spoil the next command, and the hang-up sent while dialling ends the call without a stray answer.
TEST_F(DevsimModem, BytesBeforeTheAtPrefixAreDropped) {
    const std::string signOff = "\x01" "B\x03" "A";
    Feed(signOff + signOff + signOff, 0);  // echoed, kept in the command line like a real modem does
    EXPECT_EQ(Feed("AT&F\r", 10).substr(5), "\r\nOK\r\n");
    EXPECT_EQ(Feed("xxat&f\r", 20).substr(7), "\r\nOK\r\n") << "the prefix in any letter case";
}

TEST_F(DevsimModem, LineWithoutThePrefixGetsNoAnswer) {
    EXPECT_EQ(Feed("TH\r", 0), "TH\r");
    EXPECT_EQ(Feed("\r", 5), "\r");
    EXPECT_EQ(Feed("AT\r", 10), "AT\r\r\nOK\r\n");
}

TEST_F(DevsimModem, HangUpWhileDiallingEndsTheCallWithoutAStrayAnswer) {
    Feed("ATDP0815\r\n", 0);
    EXPECT_EQ(Feed("ATH\r", 50), "\r\nNO CARRIER\r\nTH\r");
    EXPECT_EQ(Tick(200), "") << "the aborted call never connects";
    EXPECT_FALSE(m.Online());
    EXPECT_EQ(Feed("AT\r", 300), "AT\r\r\nOK\r\n");
}

} // namespace
