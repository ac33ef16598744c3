#pragma once
// Shared set-up of the readout tests against devsim: a private configuration, devsim on COM1 with a
// state file (so the test knows every archive word the device holds), the program's connection, the
// English language module and a recorder of the readout's messages.
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/CommClass.h"
#include "ui/FrmCancelDlg.h"
#include "readout/ArchiveReadout.h"
#include "readout/FormReadArch.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace readouttest {

struct TToolRun {
    int exitCode = -1;
    QString out, err;
};

// Runs build/bin/korvul-read with configHome as XDG_CONFIG_HOME, extra variables and no display.
inline TToolRun RunReadTool(const QString &configHome, const QStringList &args,
                     const QProcessEnvironment &extra = {}, int deadlineMs = 60000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "KORVUL_ACCESS_CODE"}) env.remove(var);
    env.insert("XDG_CONFIG_HOME", configHome);
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.start(korvultest::BinDir() + "/korvul-read", args);
    TToolRun r;
    if (!p.waitForFinished(deadlineMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "korvul-read did not end within " << deadlineMs << " ms";
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct TMessage {
    QString caption, text;
};

class ReadoutDevsim : public ::testing::Test {
protected:
    static constexpr double kScale = 0.05;

    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim", "korvulEN.lng"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        korvul::Settings() = korvul::TSettings{};
        korvul::Settings().COM = 1;
        korvul::Settings().ACCESSCODE = "12345678";
        korvul::Settings().READER = "e2e";
        korvul::Settings().TempFilePath = files.path();
        korvul::DeviceInfo() = korvul::TDeviceInfo{};
        korvul::CommUiHooks() = korvul::TCommUiHooks{};
        korvul::PollItem = 'z';
        korvul::SetReadoutMessageHook([this](const QString &caption, const QString &text) {
            messages.push_back({caption, text});
        });
        comm = std::make_unique<korvul::TCommClass>("QT");
        korvul::SetCommObjectForTests(comm.get());
        qputenv("KORVUL_TIME_SCALE", QByteArray::number(kScale));
        QDir().mkpath(home.korvulDir() + "/ports");
    }
    void TearDown() override {
        korvul::SetReadoutMessageHook({});
        korvul::SetCommObjectForTests(nullptr);
        comm.reset();
        sim.Stop();
        qunsetenv("KORVUL_TIME_SCALE");
    }

    QString StateFile() const { return home.path() + "/devsim-state.json"; }
    QString Link() const { return home.korvulDir() + "/ports/COM1"; }

    // Runs devsim once to write its state (every archive word), and starts it again on that state.
    void StartDevsim(const QStringList &args) {
        const QStringList all = args + QStringList{"--state", StateFile()};
        ASSERT_TRUE(sim.Start(all, Link(), kScale));
        sim.Stop();
        QFile f(StateFile());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "devsim wrote no state";
        state = QJsonDocument::fromJson(f.readAll()).object();
        f.close();
        ASSERT_TRUE(sim.Start(all, Link(), kScale));
    }
    void Connect() {
        ASSERT_TRUE(korvul::ConnectDevice());
        korvul::IdentifyDeviceType();
    }

    // The records devsim holds on a channel, as the device answers item "x" (12 hex digits each).
    QStringList DeviceRecords(int channel) const {
        const QString words = state.value("channels").toArray()[channel].toObject().value("archive").toString();
        QStringList records;
        for (int i = 0; i + 12 <= words.size(); i += 12) records << words.mid(i, 12);
        return records;
    }
    // The 12-bit words of a channel, in reading order.
    QList<int> DeviceWords(int channel) const {
        QList<int> out;
        for (const QString &r : DeviceRecords(channel))
            for (int i = 0; i < 4; ++i) out << r.mid(i * 3, 3).toInt(nullptr, 16);
        return out;
    }

    // Runs the readout window modally; script runs every 5 ms while it is open.
    int RunReadout(korvul::TReadArchHost host, const std::function<void(korvul::TFormReadArch *)> &script = {}) {
        QTimer operatorTimer;
        operatorTimer.setInterval(5);
        QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
            if (auto *question = qobject_cast<korvul::TFrmCancelDlg *>(QApplication::activeModalWidget())) {
                if (cancelAnswer != 0)
                    question->findChild<QPushButton *>(cancelAnswer == korvul::TFrmCancelDlg::kResultYes ? "btYes" : "btNo")->click();
                return;
            }
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *window = qobject_cast<korvul::TFormReadArch *>(w); window && window->isVisible()) {
                    lastWindowState = window->StateText();
                    lastRecordsPanel = window->PanelText(korvul::kPanelRecords);
                    lastProgress = window->Progress();
                    if (script) script(window);
                }
        });
        operatorTimer.start();
        return korvul::ShowArchiveReadout(nullptr, host);
    }

    // The archive files in the readout directory, by name; every other entry is reported as stray.
    QStringList ArchiveFiles() const {
        return QDir(files.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    }
    static QStringList FileLines(const QString &path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QString text = QString::fromLatin1(f.readAll());
        EXPECT_TRUE(text.endsWith("\r\n")) << path.toStdString();
        text.chop(2);
        return text.split("\r\n");
    }
    // The record answers of an archive file, checking the record numbers count 1, 2, 3 ...
    static QStringList FileRecords(const QStringList &lines) {
        QStringList records;
        const qsizetype start = lines.indexOf("[IVDATA]");
        for (qsizetype i = start + 1; start >= 0 && i < lines.size(); ++i) {
            const QString prefix = QStringLiteral("x%1=").arg(records.size() + 1);
            EXPECT_TRUE(lines[i].startsWith(prefix)) << lines[i].toStdString();
            records << lines[i].mid(prefix.size());
        }
        return records;
    }
    bool Said(const QString &text) const {
        for (const TMessage &m : messages)
            if (m.text == text) return true;
        return false;
    }
    bool Said(uint16_t number) const { return Said(korvul::LanguageText(number)); }

    korvultest::TempConfigHome home;
    korvultest::DevsimProcess sim;
    QTemporaryDir files;
    std::unique_ptr<korvul::TCommClass> comm;
    QJsonObject state;
    std::vector<TMessage> messages;
    QString lastWindowState;
    QString lastRecordsPanel;  // what the window showed last, as seen every 5 ms
    int lastProgress = -1;
    int cancelAnswer = 0;   // how the operator answers the cancel question (0: not at all)
};

} // namespace readouttest
