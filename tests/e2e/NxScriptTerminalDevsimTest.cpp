// NX-17S command scripts and the CLM-300 module terminal from the main window, against devsim: the
// example scripts run with their logs and final messages, and the terminal shows the module's menu and
// follows the arrow keys.
#include "app/Wiring.h"
#include "config/FoConfigNX17S.h"
#include "ui/FoInput.h"
#include "comm/PortFailure.h"
#include "module/FoCLMTerm.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>

using namespace korvul;
using namespace korvultest;

namespace {

class NxScriptDevsim : public MainWindowDevsim {
protected:
    void InstallHooks() override {
        InstallConfigNXDialog();
        InstallModuleTerminal();
    }

    // Connects to an NX-17S, runs one example script through the configuration action and returns
    // its log; `input` answers a GET (nothing: no input box expected). The dialog is saved as a picture.
    QStringList RunExample(const QString &file, const QString &input = {}) {
        std::function<void(TfoInput *)> answer;
        if (!input.isEmpty())
            answer = [input](TfoInput *box) {
                box->Edit1()->setText(input);
                box->findChild<QPushButton *>("btOk")->click();
            };
        return RunScript(file, answer, true);
    }
    // The same with `answer` acting on the input box of a GET.
    QStringList RunScript(const QString &file, const std::function<void(TfoInput *)> &answer, bool picture) {
        Settings().CMD_DIRECTORY = SourceDir() + "/examples/nx17s";
        StartDevice("9510");
        Connect();
        QStringList log;
        WhenModal<TFoConfigNX17S>([&](TFoConfigNX17S *dialog) {
            auto *files = dialog->findChild<QComboBox *>("cbFileList");
            files->setCurrentIndex(files->findText(file));
            if (answer) WhenModal<TfoInput>(answer);
            dialog->findChild<QPushButton *>("btSend")->click();
            log = dialog->LogLines();
            shownLog = dialog->findChild<QPlainTextEdit *>("Memo1")->toPlainText();
            if (picture) dialog->grab().save(BinDir() + "/nx17s-" + QFileInfo(file).baseName() + ".png");
            dialog->findChild<QPushButton *>("btExit")->click();
        });
        Action("acConfigDevice")->trigger();
        return log;
    }
    QString shownLog;
};

TEST_F(NxScriptDevsim, ReadingExampleLogsEveryCommandAndAnswerAndSignsOnAgain) {
    const QStringList log = RunExample("read_value.cmd");
    EXPECT_EQ(log, (QStringList{">> R 0310\r", "<< R 0310 15.0 -00-\x03", ">> R 0200\r", "<< R 0200 1.01325 -00-\x03"}))
        << Messages();
    EXPECT_TRUE(Said(1412)) << Messages();
    EXPECT_TRUE(comm->Connected()) << "signed on again after the run";
    EXPECT_TRUE(shownLog.startsWith(QString(">> R 0310^M\n<< R 0310 15.0 -00-^C"))) << shownLog.toStdString();
}

TEST_F(NxScriptDevsim, SettingExampleSendsTheEnteredValueWithAPointAndReadsItBack) {
    const QStringList log = RunExample("set_value.cmd", "21,5");
    EXPECT_EQ(log, (QStringList{">> W 0310\x01", ">> 21.5", ">> \r", "<< W 0310 21.5 -00-\x03", ">> R 0310\r",
                                "<< R 0310 21.5 -00-\x03"}))
        << Messages();
    EXPECT_TRUE(Said(1412)) << Messages();
}

TEST_F(NxScriptDevsim, AnswerWithAnErrorMarkerEndsWithTheErrorMessage) {
    const QStringList log = RunExample("error_marker.cmd");
    ASSERT_EQ(log.size(), 4) << Messages();
    EXPECT_EQ(log[3], "<< R 9999 -05-\x03");
    EXPECT_TRUE(Said(1413)) << Messages();
    EXPECT_FALSE(Said(1412));
}

TEST_F(NxScriptDevsim, CancelledInputStopsTheRunWithoutAFinalMessage) {
    const QStringList log = RunScript(
        "set_value.cmd", [](TfoInput *box) { box->findChild<QPushButton *>("btCancel")->click(); }, false);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(Said(1411)) << Messages();
    EXPECT_FALSE(Said(1412) || Said(1413)) << Messages();
    EXPECT_TRUE(comm->Connected());
}

TEST_F(NxScriptDevsim, InputAgainstThePatternIsAskedAgainOncePerMismatch) {
    QDir().mkpath(home.path() + "/scripts");
    QFile script(home.path() + "/scripts/code.cmd");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("MESSAGE \"Code:12**\"\r\nGET C 4\r\nTRANSMIT \"W 0100\"^A\r\nTRANSMIT C\r\nTRANSMIT \"\"^M\r\n");
    script.close();
    Settings().CMD_DIRECTORY = home.path() + "/scripts";
    StartDevice("9510");
    Connect();
    QStringList log;
    int boxes = 0;
    std::function<void(TfoInput *)> answer = [&](TfoInput *box) {
        box->Edit1()->setText(++boxes == 1 ? "13AB" : "12AB");
        if (boxes == 1) WhenModal<TfoInput>(answer);
        box->findChild<QPushButton *>("btOk")->click();
    };
    WhenModal<TFoConfigNX17S>([&](TFoConfigNX17S *dialog) {
        WhenModal<TfoInput>(answer);
        dialog->findChild<QPushButton *>("btSend")->click();
        log = dialog->LogLines();
        dialog->accept();
    });
    Action("acConfigDevice")->trigger();
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(messages.count(LanguageText(1410)), 1) << Messages();
    EXPECT_EQ(log.value(1), ">> 12AB");
    EXPECT_TRUE(Said(1413)) << "12AB is no number: the device answers -06-; " << Messages();
}

// Script names with capitals were opened in lower case and not found; two names differing only in case
// each run their own file.
TEST_F(NxScriptDevsim, ScriptsWithCapitalsRunTheFileAsNamedOnDisk) {
    const QString dir = home.path() + "/Scripts";
    QDir().mkpath(dir);
    for (const auto &[name, content] : {std::pair{"ReadTemp.CMD", "TRANSMIT \"R 0310\"^M\r\n"},
                                        std::pair{"readtemp.cmd", "TRANSMIT \"R 0200\"^M\r\n"},
                                        std::pair{"Serial.cmd", "TRANSMIT \"R 0100\"^M\r\n"}}) {
        QFile script(dir + "/" + name);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(content);
    }
    Settings().CMD_DIRECTORY = dir;
    StartDevice("9510");
    Connect();
    QMap<QString, QStringList> logs;
    WhenModal<TFoConfigNX17S>([&](TFoConfigNX17S *dialog) {
        auto *files = dialog->findChild<QComboBox *>("cbFileList");
        for (const QString shown : {"ReadTemp.CMD", "readtemp.cmd", "serial.cmd"}) {
            const int index = files->findText(shown);
            if (index < 0) continue;
            files->setCurrentIndex(index);
            dialog->findChild<QPushButton *>("btSend")->click();
            logs[shown] = dialog->LogLines();
        }
        dialog->findChild<QPushButton *>("btExit")->click();
    });
    Action("acConfigDevice")->trigger();
    EXPECT_EQ(logs.value("ReadTemp.CMD"), (QStringList{">> R 0310\r", "<< R 0310 15.0 -00-\x03"})) << Messages();
    EXPECT_EQ(logs.value("readtemp.cmd"), (QStringList{">> R 0200\r", "<< R 0200 1.01325 -00-\x03"})) << Messages();
    EXPECT_EQ(logs.value("serial.cmd"), (QStringList{">> R 0100\r", "<< R 0100 12345678 -00-\x03"})) << Messages();
    EXPECT_EQ(messages.count(LanguageText(1412)), 3) << Messages();
}

TEST_F(NxScriptDevsim, LineLostDuringARunClosesTheDialogAndDisconnectsOnce) {
    Settings().CMD_DIRECTORY = SourceDir() + "/examples/nx17s";
    StartDevice("9510");
    Connect();
    QPointer<TFoConfigNX17S> shown;
    WhenModal<TFoConfigNX17S>([&](TFoConfigNX17S *dialog) {
        shown = dialog;
        sim.Stop();
        dialog->findChild<QPushButton *>("btSend")->click();
    });
    Action("acConfigDevice")->trigger();
    EXPECT_EQ(messages.count(PortDisconnectedText("COM1")), 1) << Messages();  // its pseudo-terminal closed
    EXPECT_FALSE(Said(1412) || Said(1413) || Said(1289)) << Messages();
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(shown.isNull() || !shown->isVisible()) << "the main window closed the dialog";
}

class ModuleTerminalDevsim : public NxScriptDevsim {};

TfoCLMTerm *Terminal() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<TfoCLMTerm *>(w); t && t->isVisible()) return t;
    return nullptr;
}

void Press(QWidget *w, int key, const QString &text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

// The selected menu line is the underlined one.
QString UnderlinedLine(const TClmTermScreen &s) {
    const QStringList lines = s.DisplayText().split('\n');
    const QVector<bool> marks = s.DisplayUnderline();
    int pos = 0;
    for (int row = 0; row < lines.size(); ++row) {
        if (row > 0 && marks.value(pos)) return lines[row];
        pos += int(lines[row].size()) + 1;
    }
    return {};
}

TEST_F(ModuleTerminalDevsim, TerminalShowsTheMenuAndFollowsTheArrowKeys) {
    Settings().CLM300 = true;
    Settings().VIAMODEM = false;
    StartDevice("6010");
    Connect();
    TfoCLMTerm *terminal = Terminal();
    ASSERT_NE(terminal, nullptr);
    EXPECT_FALSE(window->isVisible()) << "the main window is hidden meanwhile";
    const TClmTermScreen &screen = terminal->Screen();
    ASSERT_TRUE(WaitUntil([&] { return screen.DisplayText().contains("CLM-300 Menu"); }, std::chrono::seconds(5)));
    EXPECT_EQ(UnderlinedLine(screen), "> 1 Status");

    QTextEdit *area = terminal->reTerminal();
    Press(area, Qt::Key_Down);
    ASSERT_TRUE(WaitUntil([&] { return UnderlinedLine(screen) == "> 2 Channels"; }, std::chrono::seconds(5)))
        << screen.DisplayText().toStdString();
    EXPECT_EQ(area->textCursor().blockNumber(), 3) << "the module put the cursor on the selected line";
    Press(area, Qt::Key_Down);
    Press(area, Qt::Key_Up);
    ASSERT_TRUE(WaitUntil([&] { return UnderlinedLine(screen) == "> 2 Channels"; }, std::chrono::seconds(5)));
    EXPECT_EQ(area->toPlainText(), screen.DisplayText()) << "keys never edit the text area";
    terminal->grab().save(BinDir() + "/clm-terminal-menu.png");

    Press(area, Qt::Key_Right);
    ASSERT_TRUE(WaitUntil([&] { return screen.DisplayText().contains("Channel 1:"); }, std::chrono::seconds(5)));
    terminal->grab().save(BinDir() + "/clm-terminal-page.png");
    Press(area, Qt::Key_Left);
    ASSERT_TRUE(WaitUntil([&] { return screen.DisplayText().contains("CLM-300 Menu"); }, std::chrono::seconds(5)));

    Press(area, Qt::Key_X, "x");
    ASSERT_TRUE(WaitUntil([&] { return screen.Lines().value(3).startsWith("x 2 Channels"); }, std::chrono::seconds(5)))
        << "the module's echo lands at the cursor: " << screen.DisplayText().toStdString();

    terminal->findChild<QAction *>("Close1")->trigger();
    ASSERT_TRUE(WaitUntil([] { return Terminal() == nullptr; }, std::chrono::seconds(5)));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(comm->Connected()) << "closing the terminal disconnects";
}

} // namespace
