// Ports-directory entries that name a network serial port, as the program's port list sees them.
#include "options/OptionRules.h"
#include "base/NetworkPortName.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

TEST(NetworkPortName, EntryNamesANetworkPortByLinkTargetOrFirstLine) {
    korvultest::TempConfigHome home;
    const QString ports = home.korvulDir() + "/ports";
    ASSERT_TRUE(QDir().mkpath(ports));
    ASSERT_TRUE(QFile::link("rfc2217://gw1:4001", ports + "/COM3"));
    QFile file(ports + "/COM4");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("  TCP://gw2:23  \nsecond line\n");
    file.close();
    ASSERT_TRUE(QFile::link("/dev/null", ports + "/COM5"));
    EXPECT_EQ(NetworkPortEntry(ports + "/COM3"), "rfc2217://gw1:4001");
    EXPECT_EQ(NetworkPortEntry(ports + "/COM4"), "TCP://gw2:23");
    EXPECT_EQ(NetworkPortEntry(ports + "/COM5"), "");
    EXPECT_EQ(NetworkPortEntry(ports + "/COM9"), "");

    // Listed without a probe: probing would connect to the gateway.
    const std::vector<TListedPort> listed = EnumeratePorts({"COM3", "COM4"}, ResolvePortDevice, [](const QString &device) {
        ADD_FAILURE() << "probed " << device.toStdString();
        return TPortProbe::Unusable;
    });
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(PortListText(listed[0]), "COM3 (rfc2217://gw1:4001)");
    EXPECT_EQ(listed[1].Device, "TCP://gw2:23");
}

} // namespace
