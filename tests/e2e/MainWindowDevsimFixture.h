#pragma once
// One fixture for tests that drive the main window against devsim: the German language module, message
// boxes through the MainMessages hooks (questions answered with answerYes), a test CommObject, the main
// window shown, and devsim on COM1 with its state file in the private config home.
//
// Modal dialogs are driven with WhenModal<T>: the action runs once the dialog is the active modal widget;
// any other modal window is closed after 5 s so that a test never hangs.
#include "app/Wiring.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/CommClass.h"
#include "main/FormMain.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace korvultest {

// Types text into a widget key by key, so key filters and change handlers run as for a user.
inline void TypeInto(QWidget *w, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

// Runs act on the modal dialog of type T as soon as it is up (within 5 s); closes any other modal
// window after that time so that a test never hangs on it.
template <class T>
void WhenModal(std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (T *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (++*tries > 250) {
            timer->stop();
            timer->deleteLater();
            if (QWidget *w = QApplication::activeModalWidget()) w->close();
        }
    });
    timer->start(20);
}

class MainWindowDevsim : public ::testing::Test {
protected:
    // Installs the hooks the test needs (e.g. InstallClockDialogs) before the main window is made.
    virtual void InstallHooks() {}

    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim", "korvulDE.lng"})
            if (!QFile::exists(BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        qputenv("KORVUL_TIME_SCALE", "0.05");
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(BinDir() + "/korvulDE.lng"));
        korvul::SetAskYesNoHook([this](const QString &text, int helpContext) {
            questions << text;
            questionHelp << helpContext;
            return answerYes;
        });
        korvul::SetShowMessageHook([this](const QString &text) { messages << text; });
        korvul::DeviceInfo() = korvul::TDeviceInfo{};
        savedDialogs = korvul::MainDialogs();
        comm = std::make_unique<korvul::TCommClass>("QT");
        korvul::SetCommObjectForTests(comm.get());
        InstallHooks();
        window = std::make_unique<korvul::TFormMain>();
        korvul::Settings().COM = 1;
        korvul::Settings().ACCESSCODE = "12345678";
        korvul::Settings().READER = "e2e";
        korvul::Settings().CHECKTIME = 15000;
        window->show();
        statePath = home.path() + "/devsim-state.json";
    }
    void TearDown() override {
        window.reset();
        korvul::SetCommObjectForTests(nullptr);
        comm.reset();
        sim.Stop();
        korvul::OperationActive = false;
        korvul::MainDialogs() = savedDialogs;
        korvul::SetAskYesNoHook({});
        korvul::SetShowMessageHook({});
        korvul::UnloadLanguageModule();
        qunsetenv("KORVUL_TIME_SCALE");
    }

    // devsim as the device with identification `ident` (e.g. "2461") plus extra devsim arguments.
    void StartDevice(const QString &ident, const QStringList &extra = {}) {
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start(QStringList{"--type", ident, "--state", statePath} + extra,
                              home.korvulDir() + "/ports/COM1", 0.05));
    }
    void Connect() {
        Action("acConnect")->trigger();
        ASSERT_TRUE(comm->Connected()) << messages.join('|').toStdString();
    }
    // A CLM-300 (type 6012) reached through devsim's modem, logged in as headquarters `password`'s
    // digit with the module access code; ResetModuleSettings undoes it in TearDown.
    void ConnectModuleByModem(const QString &password, const QStringList &devsimArgs) {
        korvul::Settings().VIAMODEM = true;
        korvul::Settings().CLM300 = true;
        korvul::Settings().Ph[0] = QStringLiteral("4711");
        korvul::Settings().DIAL_TIMEOUT = 20;
        korvul::Settings().CLM300ACCESSCODE = QStringLiteral("CLM30000");
        korvul::CommUiHooks().AskPassword = [password] { return std::optional<QString>(password); };
        StartDevice(QStringLiteral("6012"), QStringList{"--modem"} + devsimArgs);
        Connect();
    }
    static void ResetModuleSettings() {
        korvul::Settings().VIAMODEM = false;
        korvul::Settings().CLM300 = false;
        korvul::ModuleAccess = korvul::HQFlag = false;
    }
    // devsim's saved state (devsim is stopped to write it).
    QJsonObject DeviceState() {
        sim.Stop();
        QFile f(statePath);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    QAction *Action(const char *name) { return window->findChild<QAction *>(name); }
    bool Said(uint16_t text) { return messages.contains(korvul::LanguageText(text)); }
    std::string Messages() const { return messages.join('|').toStdString(); }

    TempConfigHome home;
    DevsimProcess sim;
    std::unique_ptr<korvul::TCommClass> comm;
    std::unique_ptr<korvul::TFormMain> window;
    korvul::TMainDialogs savedDialogs;
    QString statePath;
    QStringList messages, questions;
    QList<int> questionHelp;  // the help context of each question
    bool answerYes = false;
};

} // namespace korvultest
