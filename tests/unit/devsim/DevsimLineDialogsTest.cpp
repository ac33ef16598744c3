// devsim's raw dialogues: the NX-17S command lines and the local CLM-300 terminal menu, alone and behind
// the device's byte handling (where a SOH may be a key or the start of a frame).
#include "devsim/Device.h"
#include "devsim/LineDialogs.h"
#include "devsim/WireParser.h"

#include <gtest/gtest.h>
#include <vector>

using namespace devsim;

namespace {

std::string FeedAll(NxCommandLines &nx, const std::string &bytes) {
    std::string out;
    for (char c : bytes) out += nx.Feed(static_cast<uint8_t>(c));
    return out;
}

struct DeviceBench {
    explicit DeviceBench(int ident) : device(Options(ident), 0) {}
    static DeviceOptions Options(int ident) {
        DeviceOptions o;
        o.type = TypeFromIdent(ident);
        return o;
    }
    std::string Send(const std::string &bytes, int64_t atMs) {
        std::vector<Emit> out;
        for (char c : bytes) device.OnByte(static_cast<uint8_t>(c), atMs, 0, out);
        return Join(out);
    }
    std::string Tick(int64_t atMs) {
        std::vector<Emit> out;
        device.Tick(atMs, 0, out);
        return Join(out);
    }
    static std::string Join(const std::vector<Emit> &out) {
        std::string s;
        for (const Emit &e : out) s += e.bytes;
        return s;
    }
    Device device;
};

std::string Frame(const std::string &body) { return "\x01" + body + static_cast<char>(Bcc(body)); }

} // namespace

TEST(DevsimNxCommandLines, AnswersEndWithEtxAndCarryTheErrorMarkers) {
    struct Row {
        const char *line, *answer;
    } rows[] = {
        {"R 0310\r", "R 0310 15.0 -00-\x03"},
        {"R 9999\r", "R 9999 -05-\x03"},
        {"W 0310\x01" "abc\r", "W 0310 abc -06-\x03"},
        {"SHOW ERR\r", "SHOW ERR -04-\x03"},
        {"HELLO\r", "HELLO -00-\x03"},
    };
    for (const Row &r : rows) {
        NxCommandLines nx;
        EXPECT_EQ(FeedAll(nx, r.line), r.answer) << r.line;
    }
}

TEST(DevsimNxCommandLines, ValueAfterTheSeparatorIsStoredAndAnEndRawDropsTheLine) {
    NxCommandLines nx;
    EXPECT_EQ(FeedAll(nx, "W 0310\x01"), "") << "01h is not answered";
    EXPECT_EQ(FeedAll(nx, "21.5\r"), "W 0310 21.5 -00-\x03");
    EXPECT_EQ(FeedAll(nx, "R 03\x17R 0310\r"), "R 0310 21.5 -00-\x03");
}

TEST(DevsimModuleMenu, ArrowsMoveTheSelectionAndOpenAndLeaveAPage) {
    ModuleMenu menu;
    const std::string first = menu.Key(27);
    EXPECT_NE(first.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(first.find("\x1b[7m> 1 Status"), std::string::npos);
    EXPECT_NE(menu.Key(2).find("\x1b[7m> 2 Channels"), std::string::npos);
    EXPECT_NE(menu.Key(1).find("\x1b[7m> 1 Status"), std::string::npos);
    EXPECT_NE(menu.Key(1).find("\x1b[7m> 4 Headquarters"), std::string::npos) << "Up wraps to the last entry";
    EXPECT_NE(menu.Key(4).find("Headquarters 1:"), std::string::npos);
    EXPECT_EQ(menu.Page(), 3);
    EXPECT_EQ(menu.Key(2), "") << "no selection on a page";
    EXPECT_NE(menu.Key(3).find("> 4 Headquarters"), std::string::npos);
    EXPECT_EQ(menu.Key('x'), "x");
}

TEST(DevsimLineDialogs, ModuleTerminalTakesArrowCodesAsKeysButStillSeesFrames) {
    DeviceBench bench(6010);
    EXPECT_EQ(bench.Send(Frame("O\x03"), 0), "\x06") << "sign-on before the terminal";
    bench.Send("\x1b", 10);
    EXPECT_NE(bench.Send("\x02", 20).find("> 2 Channels"), std::string::npos);
    EXPECT_EQ(bench.Send("\x01", 30), "") << "a SOH waits for its next byte";
    EXPECT_NE(bench.Tick(30 + kSohKeyWaitMs).find("> 1 Status"), std::string::npos) << "alone it is Up";
    EXPECT_EQ(bench.Send(Frame("B\x03"), 100), "\x06") << "a frame still reaches the module";
}

TEST(DevsimLineDialogs, NxScriptSohIsAKeyWhileSignedOffButASignOnStaysAFrame) {
    DeviceBench bench(9510);
    EXPECT_EQ(bench.Send("W 0200\x01", 0), "");
    EXPECT_EQ(bench.Send("1.2\r", 5), "W 0200 1.2 -00-\x03") << "the byte after the SOH decides at once";
    EXPECT_EQ(bench.Send("W 0200\x01", 10) + bench.Tick(10 + kSohKeyWaitMs), "");
    EXPECT_EQ(bench.Send("3.4\r", 100), "W 0200 3.4 -00-\x03");
    EXPECT_EQ(bench.Send(Frame("O\x03"), 200), "\x06");
}
