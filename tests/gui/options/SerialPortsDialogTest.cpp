// The serial interface settings with fake adapters: a fake /dev tree and fake udev answers in a
// temporary folder. The list shows what udev knows, choosing an adapter by keyboard gives it a stable
// COMn link, and an adapter plugged in while the dialog is open appears without any action.
// With KORVUL_TEST_SCREENSHOT=<file> (under a real X server) the screen is saved while the dialog shows.
#include "base/LangSupp.h"
#include "options/PortChooser.h"
#include "options/PortList.h"
#include "base/Settings.h"
#include "options/FoSettingsComm.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWindow>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class FakeUdev : public TSerialPortSource {
public:
    std::vector<TSerialPortFacts> facts;
    std::vector<TSerialPortFacts> Ports() const override { return facts; }
};

class SerialPortsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        Settings() = TSettings{};
        QDir().mkpath(dev() + "/serial/by-id");
        for (const char *node : {"ttyUSB0", "ttyACM0"}) Node(node);
        ASSERT_TRUE(QFile::link("../../ttyUSB0", byId()));
        udev.facts = {{dev() + "/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2C3", 0x0403, 0x6001},
                      {dev() + "/ttyACM0", "Optical head", "Metering Tools", "77", 0x2341, 0x0043}};
        savedEnumeration = TFoSettingsComm::PortEnumeration();
        TFoSettingsComm::PortEnumeration() = [this] { return ListPorts(udev, dev()); };
        savedFolders = TPortChooser::WatchedFolders();
        TPortChooser::WatchedFolders() = {dev(), dev() + "/serial/by-id"};
    }
    void TearDown() override {
        TFoSettingsComm::PortEnumeration() = savedEnumeration;
        TPortChooser::WatchedFolders() = savedFolders;
        UnloadLanguageModule();
        Settings() = TSettings{};
    }
    QString dev() const { return tree.path() + "/dev"; }
    QString byId() const { return dev() + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"; }
    void Node(const QString &name) const {
        QFile f(dev() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    static void Key(Qt::Key key) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier), release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(focus, &press);
        QApplication::sendEvent(focus, &release);
    }
    // The screen with the list open, once the dialog is on it (X only; offscreen has no screen).
    static void Shoot(QWidget *dialog, QComboBox *list) {
        const QString file = qEnvironmentVariable("KORVUL_TEST_SCREENSHOT");
        if (file.isEmpty() || QGuiApplication::platformName() != "xcb") return;
        list->showPopup();
        QWidget *popup = list->view()->window();
        korvultest::WaitUntil([&] { return dialog->windowHandle()->isExposed() && popup->windowHandle() &&
                                           popup->windowHandle()->isExposed(); }, 5000ms);
        QElapsedTimer painted;  // a few rounds of events for the first paint after the expose
        painted.start();
        korvultest::WaitUntil([&] { return painted.elapsed() > 300; }, 2000ms);
        QProcess::execute("import", {"-window", "root", file});
        list->hidePopup();
    }

    korvultest::TempConfigHome home;
    QTemporaryDir tree;
    FakeUdev udev;
    std::function<std::vector<TListedPort>()> savedEnumeration;
    QStringList savedFolders;
};

TEST_F(SerialPortsDialog, ListsTheAdaptersAndGivesTheOneChosenByKeyboardAStableCom) {
    TFoSettingsComm dlg;
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    auto *ports = dlg.findChild<QComboBox *>("ComboBox1");
    ASSERT_NE(ports, nullptr);
    ports->setFocus();
    ASSERT_TRUE(korvultest::WaitUntil([&] { return QApplication::focusWidget() != nullptr; }, 5000ms));
    ASSERT_EQ(ports->count(), 2);
    EXPECT_EQ(ports->itemText(0), dev() + "/ttyUSB0 - FT232R USB UART, FTDI, A1B2C3, 0403:6001");
    EXPECT_EQ(ports->itemText(1), dev() + "/ttyACM0 - Optical head, Metering Tools, 77, 2341:0043");
    EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(), byId());
    EXPECT_EQ(ports->currentIndex(), -1);  // COM1 is not among them
    Shoot(&dlg, ports);
    for (int i = 0; i < 4 && ports->currentIndex() != 0; ++i) Key(Qt::Key_Down);
    for (int i = 0; i < 4 && ports->currentIndex() > 0; ++i) Key(Qt::Key_Up);
    ASSERT_EQ(ports->currentIndex(), 0);
    dlg.findChild<QPushButton *>("Button1")->click();
    TSettings saved;
    LoadSettingsFrom(home.iniPath(), saved);
    EXPECT_EQ(saved.COM, 1);
    EXPECT_EQ(QFileInfo(home.korvulDir() + "/ports/COM1").symLinkTarget(), byId());

    TFoSettingsComm again;  // the same adapter now shows under its COMn
    auto *list = again.findChild<QComboBox *>("ComboBox1");
    EXPECT_EQ(list->currentText(), "COM1 (" + dev() + "/ttyUSB0) - FT232R USB UART, FTDI, A1B2C3, 0403:6001");
}

TEST_F(SerialPortsDialog, AnAdapterPluggedInWhileTheDialogIsOpenAppearsAndOnePulledGoes) {
    TFoSettingsComm dlg;
    dlg.show();
    auto *ports = dlg.findChild<QComboBox *>("ComboBox1");
    ASSERT_EQ(ports->count(), 2);
    ports->setCurrentIndex(1);
    udev.facts.push_back({dev() + "/ttyUSB1", "CP2102", "Silicon Labs", "9", 0x10c4, 0xea60});
    Node("ttyUSB1");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return ports->count() == 3; }, 10000ms));
    EXPECT_EQ(ports->currentText(), dev() + "/ttyACM0 - Optical head, Metering Tools, 77, 2341:0043")
        << "the chosen entry stays chosen";
    QFile::remove(dev() + "/ttyUSB1");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return ports->count() == 2; }, 10000ms));
}

TEST_F(SerialPortsDialog, ATypedPathGetsACom) {
    TFoSettingsComm dlg;
    auto *ports = dlg.findChild<QComboBox *>("ComboBox1");
    ports->setEditText(dev() + "/ttyACM0");
    dlg.findChild<QPushButton *>("Button1")->click();
    TSettings saved;
    LoadSettingsFrom(home.iniPath(), saved);
    EXPECT_EQ(saved.COM, 1);
    EXPECT_EQ(QFileInfo(home.korvulDir() + "/ports/COM1").symLinkTarget(), dev() + "/ttyACM0");
}

} // namespace
