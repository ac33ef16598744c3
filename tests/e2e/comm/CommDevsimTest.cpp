// The communication layer against devsim through linqor32.so and prqt__32.so: identification, channel
// selection, common data, write access and a lost connection.
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class CommDevsim : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        Settings() = TSettings{};
        Settings().COM = 1;
        Settings().ACCESSCODE = "12345678";
        Settings().READER = "e2e";
        DeviceInfo() = TDeviceInfo{};
        CommUiHooks() = TCommUiHooks{};
        PollItem = 'z';
        comm = std::make_unique<TCommClass>("QT");
        SetCommObjectForTests(comm.get());
    }
    void TearDown() override {
        SetCommObjectForTests(nullptr);
        comm.reset();
        sim.Stop();
        qunsetenv("KORVUL_TIME_SCALE");
    }
    // Starts devsim as `ident` on COM1 and runs the program's connect and identification steps.
    void ConnectTo(const QString &ident, double scale = 0.05, QStringList extra = {}) {
        qputenv("KORVUL_TIME_SCALE", QByteArray::number(scale));
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start(QStringList{"--type", ident} + extra, home.korvulDir() + "/ports/COM1", scale));
        ASSERT_TRUE(ConnectDevice());
        EXPECT_EQ(DeviceInfo().IdentText, ident);
        IdentifyDeviceType();
    }
    QString Item(uint8_t code) {
        QString v;
        ReadItem(code, v);
        return v;
    }

    korvultest::TempConfigHome home;
    korvultest::DevsimProcess sim;
    std::unique_ptr<TCommClass> comm;
};

class CommDevsimType : public CommDevsim, public ::testing::WithParamInterface<const char *> {};

} // namespace

TEST_P(CommDevsimType, IdentifiesTheDeviceAsTheTypeTableSays) {
    ConnectTo(GetParam());
    const TDeviceInfo &info = DeviceInfo();
    const TDeviceType expected = LookUpDeviceType(info.TypeCode, info.Version);
    EXPECT_EQ(info.TypeName, expected.TypeName);
    EXPECT_EQ(info.ChannelCount, expected.ChannelCount);
    EXPECT_EQ(info.ItemLetters, expected.ItemLetters);
    EXPECT_NE(info.TypeName, "unknown type");
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
    DisconnectDevice();
    EXPECT_EQ(comm->State(), csDriversLoaded | csLineOpen);  // Options 0: signed off, line kept open
}

INSTANTIATE_TEST_SUITE_P(EveryRow, CommDevsimType, ::testing::Values(
    "0101", "0430", "1122", "1331", "2131", "2232", "2333", "2461", "2531", "2532", "2540", "3110", "3111",
    "4101", "4210", "8401", "8901", "9001", "9140", "9501", "9240", "9301", "9425"));

TEST_F(CommDevsim, QtPollDeliversTheDeviceClock) {
    ConnectTo("2461");
    EXPECT_EQ(comm->PollText.size(), 12) << comm->PollText.toStdString();
}

TEST_F(CommDevsim, ChannelByReconnectReachesEachChannelOfAFourChannelLogger) {
    ConnectTo("2133");
    for (int channel : {2, 3, 0}) {
        int tab = -1;
        CommUiHooks().SelectChannelTab = [&](int c) { tab = c; };
        EXPECT_TRUE(SelectChannelByReconnect(static_cast<uint16_t>(channel))) << channel;
        EXPECT_EQ(tab, channel);
        EXPECT_EQ(Item('Y'), QString("0%1").arg(channel));
    }
}

TEST_F(CommDevsim, ChannelByCommandSwitchesTheV2) {
    ConnectTo("2461");
    TStrList common;
    ReadCapabilityItems(common);  // the device takes register writes only with write access
    ASSERT_TRUE(DeviceInfo().WriteAccess);
    EXPECT_TRUE(SelectChannelByCommand(3));
    EXPECT_EQ(Item('Y'), "03");
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
}

TEST_F(CommDevsim, CommonDataOfAV2AtFullSpeedAndOfAnNx17) {
    for (const auto &[ident, scale] : {std::pair<const char *, double>{"2461", 1.0}, {"9140", 0.05}}) {
        ConnectTo(ident, scale);
        TStrList common;
        ReadCapabilityItems(common);
        EXPECT_TRUE(DeviceInfo().WriteAccess);
        ASSERT_EQ(common.size(), DeviceInfo().ItemLetters.size()) << common.join('|').toStdString();
        for (QChar letter : DeviceInfo().ItemLetters) {
            EXPECT_GE(common.IndexOfKey(letter), 0) << ident << " " << letter.toLatin1();
            EXPECT_LE(common.GetValue(letter).size(), kCommonItemMax);
        }
        EXPECT_EQ(common.GetValue("a"), ident);
        EXPECT_EQ(common.GetValue("z").size(), 12);
        DisconnectDeviceAndModem();
        sim.Stop();
    }
}

TEST_F(CommDevsim, WriteAccessOnlyWithTheRightAccessCode) {
    struct Row { const char *code; bool access; };
    ConnectTo("2461");
    for (const Row &row : {Row{"87654321", false}, Row{"", false}, Row{"1234567", false}, Row{"12345678", true}}) {
        Settings().ACCESSCODE = row.code;
        TStrList common;
        ReadCapabilityItems(common);
        EXPECT_EQ(DeviceInfo().WriteAccess, row.access) << row.code;
        // Setting the clock needs write access: a refusal is the device's positive answer.
        const int32_t r = WriteItem('{', QString(QChar(0x14)), "240517101112", common);
        if (row.access) EXPECT_EQ(r, 0);
        else EXPECT_GT(r, 0) << row.code;
        // A fresh sign-on forgets the access.
        DisconnectDevice();
        comm->SetOptions(26);
        comm->SetConnected(true);
    }
}

TEST_F(CommDevsim, StoppedDeviceIsReportedThroughOnConnectionLost) {
    Settings().CHECKTIME = 200;
    ConnectTo("2461");
    ASSERT_EQ(comm->TimerId(), 1);
    int lost = 0;
    comm->OnConnectionLost = [&](TCommClass *) { ++lost; };
    sim.Stop();
    EXPECT_TRUE(korvultest::WaitUntil([&] { return lost > 0; }, 20s));
    EXPECT_FALSE(comm->Connected());
    EXPECT_EQ(comm->State(), 0);  // Options 26: line closed, drivers unloaded
    korvultest::WaitUntil([] { return false; }, 500ms);  // no second report follows
    EXPECT_EQ(lost, 1);
}
