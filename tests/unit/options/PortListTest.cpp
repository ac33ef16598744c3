// The port list and the COMn mapping against a fake /dev tree and fake udev answers in a temporary
// folder, the unified port name rule, lock file names and the open-failure texts.
#include "base/LangSupp.h"
#include "base/Paths.h"
#include "comm/PortFailure.h"
#include "options/PortList.h"
#include "options/PortMapping.h"
#include "linedriver/PortLock.h"
#include "linedriver/PortNames.h"
#include "linedriver/linqor32.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvul;

namespace {

class FakePorts : public TSerialPortSource {
public:
    std::vector<TSerialPortFacts> facts;
    std::vector<TSerialPortFacts> Ports() const override { return facts; }
};

// dev/ttyUSB0, dev/ttyUSB1, dev/ttyACM0 and dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0 -> ttyUSB0.
class PortListing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        QDir().mkpath(dev() + "/serial/by-id");
        for (const char *node : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) MakeNode(node);
        ASSERT_TRUE(QFile::link("../../ttyUSB0", byId()));
        source.facts = {{dev() + "/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2", 0x0403, 0x6001},
                        {dev() + "/ttyUSB1", "CP2102 USB to UART", "Silicon Labs", "0001", 0x10c4, 0xea60},
                        {dev() + "/ttyACM0", "", "", "", -1, -1},
                        {dev() + "/ttyUSB7", "gone", "", "", 1, 2}};  // udev still knows it, the node is gone
        qputenv("KORVUL_LOCK_DIR", locks.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KORVUL_LOCK_DIR"); }
    QString dev() const { return tree.path() + "/dev"; }
    QString byId() const { return dev() + "/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0"; }
    QString ports() const { return home.korvulDir() + "/ports"; }
    void MakeNode(const QString &name) const {
        QFile f(dev() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    void Link(const QString &com, const QString &target) const {
        QDir().mkpath(ports());
        ASSERT_TRUE(QFile::link(target, ports() + "/" + com));
    }
    std::vector<TListedPort> List() const { return ListPorts(source, dev()); }

    korvultest::TempConfigHome home;
    QTemporaryDir tree, locks;
    FakePorts source;
};

TEST_F(PortListing, NamedPortsComeFirstThenEveryOtherPortPresentWithWhatUdevKnows) {
    Link("COM3", byId());
    const auto ports = List();
    ASSERT_EQ(ports.size(), 3u);  // ttyUSB7 has no node
    EXPECT_EQ(ports[0].Name, "COM3");
    EXPECT_EQ(ports[0].Device, dev() + "/ttyUSB0");
    EXPECT_EQ(ports[0].ById, byId());
    EXPECT_EQ(ports[0].Manufacturer, "FTDI");
    EXPECT_EQ(ports[1].Name, "");
    EXPECT_EQ(ports[1].Device, dev() + "/ttyUSB1");
    EXPECT_EQ(ports[1].ById, "");
    EXPECT_EQ(ports[2].Device, dev() + "/ttyACM0");
    EXPECT_EQ(PortEntryText(ports[0]),
              "COM3 (" + dev() + "/ttyUSB0) - FT232R USB UART, FTDI, A1B2, 0403:6001");
    EXPECT_EQ(PortEntryText(ports[1]), dev() + "/ttyUSB1 - CP2102 USB to UART, Silicon Labs, 0001, 10c4:ea60");
    EXPECT_EQ(PortEntryText(ports[2]), dev() + "/ttyACM0");
}

TEST_F(PortListing, ALinkToAMissingDeviceIsLeftOutAndAPlainComNeedsASerialPortTheSystemLists) {
    Link("COM4", dev() + "/ttyUSB9");
    for (const TListedPort &p : List()) EXPECT_NE(p.Name, "COM4");
}

TEST_F(PortListing, ALiveLockFileMarksThePortInUseWithItsOwner) {
    QFile lock(locks.path() + "/" + QString::fromStdString(linqor::LockFileName((dev() + "/ttyUSB1").toStdString())));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(1).rightJustified(10, ' ') + "\n");  // process 1 always lives
    lock.close();
    const auto ports = List();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_FALSE(ports[0].InUse);
    EXPECT_TRUE(ports[1].InUse);
    EXPECT_EQ(ports[1].HolderPid, 1);
}

TEST_F(PortListing, ChoosingAnAdapterLinksTheLowestFreeComToItsByIdNameAndKeepsItAfterReplugging) {
    Link("COM1", dev() + "/ttyACM0");  // an existing hand-made link stays
    auto listed = List();
    ASSERT_EQ(listed.size(), 3u);
    const TListedPort adapter = listed[1];
    ASSERT_EQ(adapter.Device, dev() + "/ttyUSB0");
    EXPECT_EQ(StableTarget(adapter), byId());
    QString error;
    EXPECT_EQ(MapPortToCom(StableTarget(adapter), listed, &error), 2) << error.toStdString();
    EXPECT_EQ(QFileInfo(ports() + "/COM2").symLinkTarget(), byId());
    EXPECT_EQ(QFileInfo(ports() + "/COM1").symLinkTarget(), dev() + "/ttyACM0");

    // Replugged, the kernel names it ttyUSB4: the by-id name follows, and so does COM2.
    QFile::remove(dev() + "/ttyUSB0");
    MakeNode("ttyUSB4");
    QFile::remove(byId());
    ASSERT_TRUE(QFile::link("../../ttyUSB4", byId()));
    source.facts[0].Path = dev() + "/ttyUSB4";
    listed = List();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1].Name, "COM2");
    EXPECT_EQ(listed[1].Device, dev() + "/ttyUSB4");
    EXPECT_EQ(ComLinkedTo(dev() + "/ttyUSB4"), 2);
    EXPECT_EQ(MapPortToCom(byId(), listed, &error), 2);
}

TEST_F(PortListing, AHandMadeLinkToTheSameDeviceKeepsItsNumberAndGetsTheByIdName) {
    Link("COM6", dev() + "/ttyUSB0");
    QString error;
    EXPECT_EQ(MapPortToCom(byId(), List(), &error), 6) << error.toStdString();
    EXPECT_EQ(QFileInfo(ports() + "/COM6").symLinkTarget(), byId());
}

TEST_F(PortListing, NoFreeNumberIsAnError) {
    for (int n = 1; n <= 9; ++n) Link(QStringLiteral("COM%1").arg(n), "/nonexistent");
    QString error;
    EXPECT_EQ(MapPortToCom(byId(), List(), &error), 0);
    EXPECT_FALSE(error.isEmpty());
}

struct PermissionRow {
    const char *name;
    mode_t mode;
    uid_t owner, uid;
    gid_t group;
    std::vector<gid_t> groups;
    bool permitted;
};

TEST(PortPermission, ReadAndWriteByOwnerGroupOrOthers) {
    const PermissionRow rows[] = {
        {"root may always", 0000, 0, 0, 20, {}, true},
        {"dialout member", 0660, 0, 1000, 20, {1000, 20}, true},
        {"not a member", 0660, 0, 1000, 20, {1000}, false},
        {"group may only read", 0640, 0, 1000, 20, {20}, false},
        {"owner", 0600, 1000, 1000, 20, {}, true},
        {"owner without write", 0400, 1000, 1000, 20, {20}, false},
        {"others", 0666, 0, 1000, 20, {}, true},
    };
    for (const PermissionRow &r : rows)
        EXPECT_EQ(PermitsReadWrite(r.mode, r.owner, r.group, r.uid, r.groups), r.permitted) << r.name;
}

TEST(PortNameRule, OneRuleForTheDriverAndTheProgram) {
    korvultest::TempConfigHome home;
    QDir().mkpath(home.korvulDir() + "/ports");
    ASSERT_TRUE(QFile::link("/dev/ttyUSB0", home.korvulDir() + "/ports/COM2"));
    const std::pair<const char *, QString> rows[] = {
        {"COM2", "/dev/ttyUSB0"},  // the program shows the link's target
        {"COM3", "/dev/ttyS2"},
        {"COM01", ""},             // the driver never accepted leading zeros
        {"tcp://10.0.0.5:4001", "tcp://10.0.0.5:4001"},
        {"rfc2217://host:2217", "rfc2217://host:2217"},
    };
    for (const auto &[name, shown] : rows) EXPECT_EQ(ResolvePortDevice(name), shown) << name;
    EXPECT_TRUE(linqor::HasScheme("tcp://h:1"));
    EXPECT_FALSE(linqor::HasScheme("://h"));
    EXPECT_FALSE(linqor::HasScheme("/dev/tty://x"));
    qputenv("XDG_CONFIG_HOME", "relative/dir");  // ignored, as the driver ignores it
    EXPECT_EQ(ConfigDir(), QFile::decodeName(linqor::KorvulConfigDir().c_str()));
    EXPECT_TRUE(ConfigDir().endsWith("/.config/korvul"));
}

TEST(PortLockFile, NamesAndOwnersInBothForms) {
    EXPECT_EQ(linqor::LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    QTemporaryDir dir;
    const std::string text = (dir.path() + "/text").toStdString(), binary = (dir.path() + "/bin").toStdString();
    QFile t(QString::fromStdString(text));
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("      4321\n");
    t.close();
    QFile b(QString::fromStdString(binary));
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    const int32_t pid = 4321;
    b.write(reinterpret_cast<const char *>(&pid), 4);
    b.close();
    EXPECT_EQ(linqor::ReadLockPid(text), 4321);
    EXPECT_EQ(linqor::ReadLockPid(binary), 4321);
    EXPECT_EQ(linqor::ReadLockPid(dir.path().toStdString() + "/none"), 0);
}

struct FailureRow {
    const char *name;
    QString port;
    int32_t result, stage, err;
    QStringList contains;
};

class PortFailureTexts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        saved = PresentPortsProvider();
        PresentPortsProvider() = [] { return QStringLiteral("COM1 (/dev/ttyS0), /dev/ttyUSB1"); };
    }
    void TearDown() override {
        PresentPortsProvider() = saved;
        UnloadLanguageModule();
    }
    std::function<QString()> saved;
    korvultest::TempConfigHome home;
};

TEST_F(PortFailureTexts, NameTheDeviceTheCauseAndTheFix) {
    const FailureRow rows[] = {
        {"missing", "/dev/ttyUSB9", deOpenFailed, osPort, ENOENT,
         {"/dev/ttyUSB9", "no such device", "plugged in", "COM1 (/dev/ttyS0), /dev/ttyUSB1"}},
        {"no permission", "/dev/null", deOpenFailed, osPort, EACCES, {"/dev/null", "no permission", "group root", "log in again"}},
        {"busy, holder unknown", "/dev/null", deOpenFailed, osPort, EBUSY, {"/dev/null", "in use by another program"}},
        {"no terminal", "/dev/null", deOpenFailed, osPort, ENOTTY, {"/dev/null", "no serial port"}},
        {"name names nothing", "LPT1", deOpenFailed, osPort, 0, {"LPT1", "names no serial port"}},
        {"speed", "COM2", EINVAL, osSpeed, EINVAL, {"COM2 (/dev/ttyS1)", "field 1 of INIT (speed) \"12345\"", "not the port"}},
        {"parity", "COM2", EINVAL, osParity, EINVAL, {"field 2 of INIT (parity) \"x\""}},
        {"data bits", "COM2", EINVAL, osDataBits, EINVAL, {"field 3 of INIT (data bits) \"9\""}},
        {"stop bits", "COM2", EINVAL, osStopBits, EINVAL, {"field 4 of INIT (stop bits) \"4\""}},
        {"time-out", "COM2", EINVAL, osTimeout, EINVAL, {"field 6 of INIT (receive time-out) \"TOabc\""}},
        {"combination", "COM2", EIO, osCombination, EIO, {"refuses INIT \"12345,x,9,4,BIN,TOabc\"", "Input/output error"}},
    };
    for (const FailureRow &r : rows) {
        const QString text = PortOpenFailureText(r.port, "12345,x,9,4,BIN,TOabc", r.result, r.stage, r.err);
        for (const QString &part : r.contains) EXPECT_TRUE(text.contains(part)) << r.name << ": " << text.toStdString();
    }
    EXPECT_TRUE(PortDisconnectedText("/dev/ttyUSB0").contains("adapter was disconnected"));
}

TEST_F(PortFailureTexts, ListEntriesCarryTheirPermissionAndInUseMarks) {
    TListedPort p("COM3", "/dev/ttyUSB0");
    p.Description = "FT232R USB UART";
    const TListedPort plain = p;
    p.NoPermission = true;
    p.Group = "dialout";
    TListedPort held = plain;
    held.InUse = true;
    held.HolderPid = 4242;
    held.HolderName = "minicom";
    TListedPort heldUnknown = plain;
    heldUnknown.InUse = true;
    const std::pair<TListedPort, QString> rows[] = {
        {plain, "COM3 (/dev/ttyUSB0) - FT232R USB UART"},
        {p, "COM3 (/dev/ttyUSB0) - FT232R USB UART [no permission (group dialout)]"},
        {held, "COM3 (/dev/ttyUSB0) - FT232R USB UART [in use by minicom (4242)]"},
        {heldUnknown, "COM3 (/dev/ttyUSB0) - FT232R USB UART [in use]"},
    };
    for (const auto &[port, text] : rows) EXPECT_EQ(PortEntryText(port), text);
}

} // namespace

namespace {

TEST(OpenedPort, CountsAsGoneOnlyOnceTheNodeThatWasThereDisappears) {
    QTemporaryDir dir;
    const QString node = dir.path() + "/ttyUSB0";
    QFile f(node);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    NotePortOpened(node);
    EXPECT_FALSE(OpenedPortVanished());
    ASSERT_TRUE(QFile::remove(node));
    EXPECT_TRUE(OpenedPortVanished());
    NotePortOpened(dir.path() + "/never-there");  // a stand-in driver "opened" nothing real
    EXPECT_FALSE(OpenedPortVanished());
    NotePortOpened("tcp://10.0.0.5:4001");
    EXPECT_FALSE(OpenedPortVanished());
}

} // namespace
