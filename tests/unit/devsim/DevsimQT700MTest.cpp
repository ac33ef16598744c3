// devsim's QT-700/M registers: the memory partition through register 2810 and the sensor adjustment
// command 3812 that derives offset and slope from the lower and higher value.
#include "devsim/DeviceModel.h"
#include "devsim/DeviceTypes.h"

#include <gtest/gtest.h>

using namespace devsim;

namespace {

const std::time_t Now = 1765000000;

class DevsimQT700M : public ::testing::Test {
protected:
    DevsimQT700M() : m(TypeFromIdent(4210), ModelOptions{}, Now) {
        m.SignOn(0);
        EXPECT_EQ(m.Write('c', "12345678", Now).kind, Reply::Ack);
    }
    int WriteRegister(const std::string &reg, const std::string &value) {
        EXPECT_EQ(m.Write(61, reg, Now).kind, Reply::Ack);
        const Reply r = m.Write(62, value, Now);
        return r.kind == Reply::Refuse ? r.code : -1;
    }
    std::string Channel(int c, const std::string &reg) { return m.State().channels[std::size_t(c)].registers[reg]; }
    DeviceModel m;
};

TEST_F(DevsimQT700M, PartitionWritesSetEachChannelsShareAndTheClosingWriteChecksTheTotal) {
    m.State().registers["0400"] = "03E8";  // 1000
    for (int c = 0; c < 8; ++c) ASSERT_EQ(WriteRegister("2810", "0" + std::to_string(c) + "007D"), -1);
    EXPECT_EQ(Channel(3, "1401"), "007D");
    EXPECT_EQ(WriteRegister("2810", "FFFFFF"), -1);
    EXPECT_EQ(WriteRegister("2810", "0201F4"), -1);
    EXPECT_EQ(Channel(2, "1401"), "01F4");
    EXPECT_EQ(WriteRegister("2810", "FFFFFF"), RefBadValue) << "1375 is not the total of 1000";
    EXPECT_EQ(m.State().registers["0400"], "03E8");
}

TEST_F(DevsimQT700M, PartitionRefusesAChannelBeyondTheEighthAndAWrongLength) {
    EXPECT_EQ(WriteRegister("2810", "0801F4"), RefBadValue);
    EXPECT_EQ(WriteRegister("2810", "0201F"), RefBadValue);
    EXPECT_EQ(Channel(2, "1401").size(), 4u) << "a refused write leaves the share";
}

TEST_F(DevsimQT700M, AdjustmentCommandDerivesOffsetAndSlopeFromLowerAndHigherValue) {
    m.State().channel = 2;
    ASSERT_EQ(WriteRegister("3010", "2710FD"), -1);  // maximum 10
    ASSERT_EQ(WriteRegister("3810", "03E8FD"), -1);  // lower 1
    ASSERT_EQ(WriteRegister("3811", "1388FD"), -1);  // higher 5
    ASSERT_EQ(WriteRegister("3812", "01"), -1);
    EXPECT_EQ(Channel(2, "3011"), "03E8FD");
    EXPECT_EQ(Channel(2, "3012"), "17D78400F7");  // 0.4 = 400000000 x 10^-9
    EXPECT_EQ(Channel(1, "3011"), "0000FD") << "other channels keep their scaling";
    EXPECT_EQ(Channel(3, "3010"), "0D04FF") << "channel 4 starts as the temperature channel";
}

TEST_F(DevsimQT700M, AdjustmentCommandRefusesAHigherValueBelowTheLowerOne) {
    ASSERT_EQ(WriteRegister("3810", "1388FD"), -1);
    ASSERT_EQ(WriteRegister("3811", "03E8FD"), -1);
    EXPECT_EQ(WriteRegister("3812", "01"), RefBadValue);
    EXPECT_EQ(Channel(0, "3012"), "000003E8FD");
}

} // namespace
