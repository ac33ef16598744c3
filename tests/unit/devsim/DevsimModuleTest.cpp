// devsim's CLM-300 module on the line: module access for writes, the record layouts of the write
// commands as the module keeps them, and switch-through to the end devices of a channel mix.
#include "devsim/Device.h"

#include <gtest/gtest.h>

using namespace devsim;

namespace {

constexpr std::time_t kNow = 1765000000;

class DevsimModule : public ::testing::Test {
protected:
    void Make(std::array<int, 4> channels = {-1, -1, -1, -1}) {
        DeviceOptions o;
        o.type = TypeFromIdent(6012);
        o.endDeviceIdent = 2461;
        o.channelDevices = channels;
        device = std::make_unique<Device>(o, kNow);
        ASSERT_EQ(Send("O\x03"), "\x06");
    }
    std::string Send(const std::string &body) {
        std::string bytes = "\x01" + body + static_cast<char>(Bcc(body));
        std::vector<Emit> out;
        for (char c : bytes) device->OnByte(static_cast<uint8_t>(c), ++ms, kNow, out);
        std::string s;
        for (const Emit &e : out) s += e.bytes;
        return s;
    }
    void Raw(const std::string &bytes) {
        std::vector<Emit> out;
        for (char c : bytes) device->OnByte(static_cast<uint8_t>(c), ++ms, kNow, out);
    }
    // The answer code: "ACK", "NAKnn" or the data text.
    std::string Write(char item, const std::string &data) {
        const std::string a = Send(std::string("W") + item + "\x02" + data + "\x03");
        return a == "\x06" ? "ACK" : a.size() == 3 && a[0] == 0x15 ? "NAK" + a.substr(1) : "?";
    }
    std::string Read(char item) {
        const std::string a = Send(std::string("R") + item + "\x03");
        return a.size() > 3 && a[0] == 0x02 ? a.substr(1, a.size() - 3) : "NAK" + a.substr(1);
    }
    void Login() {
        ASSERT_EQ(Write('A', "1PASSWORD"), "ACK");
        ASSERT_EQ(Write('K', "CLM30000"), "ACK");
    }

    std::unique_ptr<Device> device;
    int64_t ms = 0;
};

TEST_F(DevsimModule, SettingsNeedTheModuleAccessCodeAndAPasswordChangeHeadquartersOne) {
    Make();
    EXPECT_EQ(Write('D', "New name"), "NAK02");
    EXPECT_EQ(Write('K', "WRONG   "), "NAK06");
    ASSERT_EQ(Write('A', "2PASSWORD"), "ACK");
    ASSERT_EQ(Write('K', "CLM30000"), "ACK");
    EXPECT_EQ(Write('B', "3abcde   "), "NAK02") << "only headquarters 1 changes passwords";
    EXPECT_EQ(Write('D', "New name"), "ACK");
    ASSERT_EQ(Send("B\x03"), "\x06");  // a sign-off ends the login
    ASSERT_EQ(Send("O\x03"), "\x06");
    EXPECT_EQ(Write('E', "0"), "NAK02");
    Login();
    EXPECT_EQ(Write('B', "3abcde   "), "ACK");
    EXPECT_EQ(device->Module()->Extra()["hq3"], "abcde   ");
    EXPECT_EQ(Write('A', "3abcde"), "ACK") << "the new password logs in";
}

TEST_F(DevsimModule, ChannelWriteKeepsTheEndDeviceFieldsAndReordersTheRest) {
    Make();
    Login();
    const std::string before = Read('h').substr(0, 47);
    const std::string record = "1Pump" + std::string(26, ' ') + "19200O824A";
    ASSERT_EQ(Write('H', record), "ACK");
    const std::string after = Read('h').substr(0, 47);
    EXPECT_EQ(after.substr(1, 30), record.substr(1, 30));
    EXPECT_EQ(after.substr(31, 6), before.substr(31, 6)) << "type code, version, switch and CTS stay";
    EXPECT_EQ(after.substr(37), "A19200O824");
    EXPECT_EQ(Write('H', record.substr(0, 40)), "NAK03");
    EXPECT_EQ(Write('H', "1Pump" + std::string(26, ' ') + "19200X824A"), "NAK03");
}

TEST_F(DevsimModule, MaintenanceWritesChangeTheirState) {
    Make();
    Login();
    EXPECT_EQ(Write('O', "31"), "ACK");
    EXPECT_EQ(Read('l'), "0010");
    EXPECT_EQ(Write('S', "2"), "ACK");
    const std::string m = Read('m');
    EXPECT_EQ(m.substr(43 + 40, 3), "000");
    EXPECT_EQ(m.substr(40, 3), "001") << "input 1 keeps its counter";
    EXPECT_EQ(Write('M', "-000005"), "ACK");
    EXPECT_EQ(Write('M', "5"), "NAK03");
    EXPECT_EQ(Write('T', "0"), "ACK");
    EXPECT_EQ(device->Module()->Extra()["faxMessages"], std::string(12, '0'));
    EXPECT_EQ(Write('R', "0"), "NAK03") << "a test call goes to one receiver";
    EXPECT_EQ(Write('L', "NEWCODE1"), "ACK");
    EXPECT_EQ(device->Module()->Extra()["accessCode"], "NEWCODE1");
}

TEST_F(DevsimModule, SwitchThroughReachesEachChannelsOwnEndDeviceAndReturns) {
    Make({2461, 0, 9512, -1});
    EXPECT_EQ(Read('h').substr(47 + 31, 4), "0000") << "channel 2 is empty";
    EXPECT_EQ(Read('h').substr(2 * 47 + 31, 4), "9512");
    EXPECT_EQ(Write('N', "2"), "NAK03");
    EXPECT_EQ(Write('N', "4"), "NAK03");
    ASSERT_EQ(Write('N', "3"), "ACK");
    EXPECT_EQ(Read('a'), "9512");
    Raw("\x03\x04\x04\x04\x04\x04\x02\x02\x02\x02\x02");
    EXPECT_EQ(Read('a').substr(0, 2), "60");
    ASSERT_EQ(Write('N', "1"), "ACK");
    EXPECT_EQ(Read('a'), "2461");
}

} // namespace
