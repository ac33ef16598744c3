// The option dialogs: user options, serial interface settings, telephone number, input box.
#include "base/LangSupp.h"
#include "options/OptionRules.h"
#include "base/Settings.h"
#include "options/FoSettingsComm.h"
#include "options/FoTelephone.h"
#include "options/FormUserOptions.h"
#include "config/FoConfigNX17S.h"
#include "ui/FoInput.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class OptionsDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        Settings() = TSettings{};
    }
    void TearDown() override {
        UnloadLanguageModule();
        Settings() = TSettings{};
    }
    TSettings Saved() const {
        TSettings s;
        LoadSettingsFrom(home.iniPath(), s);
        return s;
    }
    QString ReadIniText() const {
        QFile f(home.iniPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    template <class T = QWidget> static T *Child(QWidget *w, const char *name) {
        T *c = w->findChild<T *>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    korvultest::TempConfigHome home;
};

// Answers the next message box with `button` and remembers its text.
void AnswerMessageBox(QMessageBox::StandardButton button, QString *text = nullptr) {
    QTimer::singleShot(0, [button, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return AnswerMessageBox(button, text);
        if (text) *text = box->text();
        box->button(button)->click();
    });
}

void Type(QWidget *w, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void Key(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

// Shows the dialog as the program does and waits until one of its widgets holds the keyboard focus;
// keys then go where a keyboard sends them: to QApplication::focusWidget().
void ShowWithFocus(QDialog &dlg) {
    dlg.show();
    dlg.activateWindow();
    const auto inside = [&dlg] {
        QWidget *focus = QApplication::focusWidget();
        return focus && focus != &dlg && dlg.isAncestorOf(focus);
    };
    ASSERT_TRUE(korvultest::WaitUntil(inside, 5s)) << dlg.objectName().toStdString();
}
void TypeAtFocus(const QString &text) { Type(QApplication::focusWidget(), text); }
void KeyAtFocus(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {}) {
    Key(QApplication::focusWidget(), key, mods, text);
}

// Every label and button shows a language text, never a placeholder.
void ExpectTranslated(QWidget *dialog) {
    const QString title = dialog->windowTitle();
    EXPECT_FALSE(title.startsWith("str") || title.startsWith("$") || title.isEmpty()) << dialog->objectName().toStdString();
    for (auto *l : dialog->findChildren<QLabel *>()) EXPECT_FALSE(l->text().startsWith("str")) << l->objectName().toStdString();
    for (auto *b : dialog->findChildren<QAbstractButton *>())
        EXPECT_FALSE(b->text().startsWith("str") || b->text().startsWith("$")) << b->objectName().toStdString();
}

} // namespace

// ---- user options ----

TEST_F(OptionsDialogs, UserOptionsInCodeMarkModeLiftACodeMarkOfZeroToOne) {
    Settings().READOUTMODE = "codemark";
    Settings().CODEMARK = 0;
    TFormUserOptions dlg;
    auto *mode = Child<QComboBox>(&dlg, "ComboBox1");
    auto *mark = Child<QSpinBox>(&dlg, "SpinEdit1");
    EXPECT_EQ(mode->count(), 4);
    EXPECT_EQ(mode->itemText(3), LanguageText(453));
    EXPECT_EQ(mode->currentIndex(), 1);
    EXPECT_EQ(mark->value(), 1);
    mode->setCurrentIndex(0);  // "bom": 0 allowed again
    mark->setValue(0);
    EXPECT_EQ(mark->value(), 0);
    mode->setCurrentIndex(1);
    EXPECT_EQ(mark->value(), 1);
}

TEST_F(OptionsDialogs, UserOptionsOkWritesTheRecordAndTheFile) {
    Settings().CHANNELMODE = "Current";
    Settings().READOUTMODE = "unknown";
    TFormUserOptions dlg;
    ExpectTranslated(&dlg);
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "rbCurrent")->isChecked());
    EXPECT_EQ(Child<QComboBox>(&dlg, "ComboBox1")->currentIndex(), -1);  // no match selects nothing
    EXPECT_EQ(Child<QLineEdit>(&dlg, "Edit1")->maxLength(), 12);
    Child<QComboBox>(&dlg, "ComboBox1")->setCurrentIndex(3);
    Child<QLineEdit>(&dlg, "Edit1")->setText("Miller");
    Child<QSpinBox>(&dlg, "SpinEdit2")->setValue(12);
    Child<QPushButton>(&dlg, "Button1")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const TSettings saved = Saved();
    EXPECT_EQ(saved.CHANNELMODE, "current");
    EXPECT_EQ(saved.READOUTMODE, "dump");
    EXPECT_EQ(saved.READER, "Miller");
    EXPECT_EQ(saved.TempFileNo, 12);
}

TEST_F(OptionsDialogs, UserOptionsCancelChangesNothing) {
    Settings().READER = "Old";
    TFormUserOptions dlg;
    Child<QLineEdit>(&dlg, "Edit1")->setText("New");
    Child<QRadioButton>(&dlg, "rbAll")->setChecked(true);
    Child<QPushButton>(&dlg, "Button2")->click();
    EXPECT_EQ(Settings().READER, "Old");
    EXPECT_EQ(Settings().CHANNELMODE, "Current");
    EXPECT_FALSE(QFile::exists(home.iniPath()));
}

TEST_F(OptionsDialogs, UserOptionsEnterInTheDirectoryCreatesItOnYesAndPressesOk) {
    const QString dir = home.path() + "/archive/2026/site";
    TFormUserOptions dlg;
    dlg.show();
    auto *edit = Child<QLineEdit>(&dlg, "Edit2");
    edit->setText(dir);
    QString question;
    AnswerMessageBox(QMessageBox::Yes, &question);
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(question, LanguageText(426));
    EXPECT_TRUE(QFileInfo(dir).isDir());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Saved().TempFilePath, dir);
}

TEST_F(OptionsDialogs, UserOptionsFailedDirectoryCreationShows424AndKeepsTheDialogOpen) {
    QFile file(home.path() + "/plainfile");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString dir = home.path() + "/plainfile/sub";
    TFormUserOptions dlg;
    dlg.show();
    auto *edit = Child<QLineEdit>(&dlg, "Edit2");
    edit->setText(dir);
    QString error;
    AnswerMessageBox(QMessageBox::Yes);
    QTimer::singleShot(0, [&] { AnswerMessageBox(QMessageBox::Ok, &error); });
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(error, LanguageFormat(424, {dir}));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(QFile::exists(home.iniPath()));
}

TEST_F(OptionsDialogs, UserOptionsAccessCodeButtonOpensTheHookOnTheDialog) {
    QWidget *parent = nullptr;
    TFormUserOptions::AccessCodeDialog() = [&](QWidget *p) { parent = p; };
    TFormUserOptions dlg;
    Child<QPushButton>(&dlg, "btAccessCode")->click();
    EXPECT_EQ(parent, &dlg);
    TFormUserOptions::AccessCodeDialog() = nullptr;
}

// ---- serial interface settings ----

namespace {
struct ScopedPorts {
    explicit ScopedPorts(std::vector<TListedPort> ports) {
        saved = TFoSettingsComm::PortEnumeration();
        TFoSettingsComm::PortEnumeration() = [ports] { return ports; };
    }
    ~ScopedPorts() { TFoSettingsComm::PortEnumeration() = saved; }
    std::function<std::vector<TListedPort>()> saved;
};
} // namespace

TEST_F(OptionsDialogs, SettingsCommKeepsTheOptionFieldsOfInitWhenTheSpeedChanges) {
    ScopedPorts ports({{"COM1", "/dev/ttyUSB0"}, {"COM2", "/dev/pts/7"}});
    Settings().INIT = "9600,N,8,1,BIN,IGP0,T0700";
    Settings().COM = 2;
    Settings().NORMAL = " &F&K0 ";
    TFoSettingsComm dlg;
    ExpectTranslated(&dlg);
    auto *port = Child<QComboBox>(&dlg, "ComboBox1");
    auto *speed = Child<QComboBox>(&dlg, "ComboBox2");
    EXPECT_EQ(port->count(), 2);
    EXPECT_EQ(port->currentText(), "COM2 (/dev/pts/7)");
    EXPECT_EQ(speed->currentText(), "9600");
    speed->setCurrentText("2400");
    port->setCurrentIndex(0);
    Child<QPushButton>(&dlg, "Button1")->click();
    const TSettings saved = Saved();
    EXPECT_EQ(saved.INIT, "2400,N,8,1,BIN,IGP0,T0700");
    EXPECT_EQ(saved.COM, 1);
    EXPECT_EQ(saved.NORMAL, "&F&K0");
}

TEST_F(OptionsDialogs, SettingsCommRadioRuleSwitchesFieldsSpeedAndLabel) {
    ScopedPorts ports({});
    TFoSettingsComm dlg;
    auto *speed = Child<QComboBox>(&dlg, "ComboBox2");
    auto *label = Child<QLabel>(&dlg, "Label3");
    EXPECT_EQ(speed->currentText(), "4800");  // INIT's own speed
    EXPECT_EQ(label->text(), LanguageText(618));
    EXPECT_FALSE(Child<QLineEdit>(&dlg, "Edit1")->isEnabled());
    Child<QRadioButton>(&dlg, "rbRemote")->click();
    EXPECT_EQ(speed->currentText(), "19200");
    EXPECT_EQ(label->text(), LanguageText(613));
    for (const char *e : {"Edit1", "Edit2", "Edit3"}) EXPECT_TRUE(Child<QLineEdit>(&dlg, e)->isEnabled()) << e;
    EXPECT_FALSE(Child<QRadioButton>(&dlg, "rbLocalCLM")->isEnabled());
    Child<QRadioButton>(&dlg, "rbLocal")->click();
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "rbLocal")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "rbLocalCLM")->isEnabled());
    Child<QRadioButton>(&dlg, "rbLocalCLM")->click();
    EXPECT_EQ(speed->currentText(), "9600");
    Child<QRadioButton>(&dlg, "rbLocalQT")->click();
    EXPECT_EQ(speed->currentText(), "4800");
    Child<QRadioButton>(&dlg, "rbLocalCLM")->click();
    Child<QPushButton>(&dlg, "Button1")->click();
    EXPECT_TRUE(Saved().CLM300);
    EXPECT_FALSE(Saved().VIAMODEM);
    EXPECT_EQ(Saved().COM, 1);  // no port listed: COM unchanged
}

// Under a dark theme the modem fields take the theme's colours: dark when usable, the dark button
// face when not, never the style's built-in light ones.
TEST_F(OptionsDialogs, SettingsCommModemFieldsTakeTheColoursOfTheApplicationsPalette) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x24));
    dark.setColor(QPalette::Button, QColor(0x33, 0x33, 0x38));
    QApplication::setPalette(dark);
    {
        ScopedPorts ports({});
        TFoSettingsComm dlg;
        auto *field = Child<QLineEdit>(&dlg, "Edit1");
        EXPECT_EQ(field->palette().color(QPalette::Base), dark.color(QPalette::Button));  // local: not usable
        Child<QRadioButton>(&dlg, "rbRemote")->click();
        EXPECT_EQ(field->palette().color(QPalette::Base), dark.color(QPalette::Base));
    }
    QApplication::setPalette(saved);
}

TEST_F(OptionsDialogs, SettingsCommListsALinkedPortAndOneHeldByAnotherProgram) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    QDir().mkpath(home.korvulDir() + "/ports");
    ASSERT_TRUE(QFile::link(slave, home.korvulDir() + "/ports/COM7"));
    const int holder = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // another program holds the port
    Settings().COM = 7;
    TFoSettingsComm dlg;
    EXPECT_EQ(Child<QComboBox>(&dlg, "ComboBox1")->currentText(), "COM7 (" + slave + ")");
    ::close(holder);
    ::close(master);
}

// ---- telephone number ----

TEST_F(OptionsDialogs, TelephoneDialMovesTheNumberToTheFrontAndSaves) {
    TSettings &s = Settings();
    s.PHCOUNT = 3;
    s.Ph[0] = "111", s.Ph[1] = "222", s.Ph[2] = "333", s.Ph[3] = "444";
    s.GX500 = s.CLM300 = true;
    TFoTelephone dlg;
    ExpectTranslated(&dlg);
    auto *list = Child<QComboBox>(&dlg, "ComboBox1");
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentText(), "111");
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "rbCLM300")->isChecked());  // CLM300 wins over GX500
    list->setEditText("33 3");
    Child<QRadioButton>(&dlg, "rbGX500")->setChecked(true);
    Child<QPushButton>(&dlg, "Button1")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const TSettings saved = Saved();
    EXPECT_EQ((std::vector<QString>{saved.Ph[0], saved.Ph[1], saved.Ph[2], saved.Ph[3]}),
              (std::vector<QString>{"333", "111", "222", "444"}));
    EXPECT_TRUE(saved.GX500);
    EXPECT_FALSE(saved.CLM300);
}

TEST_F(OptionsDialogs, TelephoneWithoutANumberEndsWithCancel) {
    TFoTelephone dlg;
    Child<QComboBox>(&dlg, "ComboBox1")->setEditText("   ");
    Child<QPushButton>(&dlg, "Button1")->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(home.iniPath()));
}

TEST_F(OptionsDialogs, TelephoneReliableModeIsTakenAtEachClick) {
    TFoTelephone dlg;
    auto *box = Child<QCheckBox>(&dlg, "CheckBox1");
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(Settings().RLBMODE);
    box->click();
    EXPECT_FALSE(Settings().RLBMODE);
}

TEST_F(OptionsDialogs, TelephoneTypingKeepsOnlyNumberCharactersAndPasteIsFiltered) {
    TFoTelephone dlg;
    ASSERT_NO_FATAL_FAILURE(ShowWithFocus(dlg));
    auto *edit = Child<QComboBox>(&dlg, "ComboBox1")->lineEdit();
    edit->clear();
    TypeAtFocus("0a8 1,5W-w:");
    EXPECT_EQ(edit->text(), "081,5Ww:");
    KeyAtFocus(Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "081,5Ww");
    QGuiApplication::clipboard()->setText("Tel. +49 (30) 12-34 W5");
    KeyAtFocus(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    EXPECT_EQ(edit->text(), "49301234W5");
    KeyAtFocus(Qt::Key_Return);  // Enter dials
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Settings().Ph[0], "49301234W5");
    EXPECT_EQ(Saved().Ph[0], "49301234W5");
}

// Enter, the keypad's Enter and a line feed (Ctrl+J) each dial what was typed.
TEST_F(OptionsDialogs, TelephoneEnterKeysDialTheTypedNumber) {
    struct Row { int key; Qt::KeyboardModifiers mods; const char *text; };
    for (const Row &row : {Row{Qt::Key_Return, Qt::NoModifier, "\r"}, Row{Qt::Key_Enter, Qt::KeypadModifier, "\r"},
                           Row{Qt::Key_J, Qt::ControlModifier, "\n"}}) {
        TFoTelephone dlg;
        ASSERT_NO_FATAL_FAILURE(ShowWithFocus(dlg));
        TypeAtFocus("0815");
        KeyAtFocus(row.key, row.mods, QString::fromLatin1(row.text));
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << row.key;
        EXPECT_FALSE(dlg.isVisible()) << row.key;
        EXPECT_EQ(Settings().Ph[0], "0815") << row.key;
        Settings().Ph[0].clear();
    }
}

// A paste replaces the number with the first 255 characters of the clipboard, filtered; neither Ctrl+V
// nor Shift+Insert lets a longer text into the field.
TEST_F(OptionsDialogs, TelephonePasteTakesTheFirst255CharactersOnly) {
    const QString digits = QString("0123456789").repeated(30);  // 300 number characters
    for (const QKeySequence::StandardKey how : {QKeySequence::Paste, QKeySequence::UnknownKey}) {
        TFoTelephone dlg;
        ASSERT_NO_FATAL_FAILURE(ShowWithFocus(dlg));
        QGuiApplication::clipboard()->setText("x" + digits);
        if (how == QKeySequence::Paste) KeyAtFocus(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        else KeyAtFocus(Qt::Key_Insert, Qt::ShiftModifier);
        auto *edit = Child<QComboBox>(&dlg, "ComboBox1")->lineEdit();
        EXPECT_EQ(edit->text(), digits.left(254)) << "the first 255 characters with the x dropped";
        TypeAtFocus("9999");
        EXPECT_EQ(edit->text().size(), 255);
    }
}

// A hand-edited PHCOUNT below 0 or beyond the list: the dialog lists every stored number, a new number
// goes to the front, and the saved file keeps each number it held before.
TEST_F(OptionsDialogs, TelephoneWithAnInvalidPhCountKeepsEveryStoredNumber) {
    for (const char *phCount : {"-1", "-2147483648", "1000"}) {
        home.writeIni(QByteArray("[MODEM]\nPHCOUNT=") + phCount + "\nPh0=111\nPh1=222\nPh2=333\n");
        LoadSettings();
        TFoTelephone dlg;
        auto *list = Child<QComboBox>(&dlg, "ComboBox1");
        EXPECT_EQ(list->itemText(0) + list->itemText(1) + list->itemText(2), "111222333") << phCount;
        ASSERT_NO_FATAL_FAILURE(ShowWithFocus(dlg));
        Child<QComboBox>(&dlg, "ComboBox1")->lineEdit()->selectAll();
        TypeAtFocus("0815");
        KeyAtFocus(Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << phCount;
        const TSettings saved = Saved();
        EXPECT_EQ((QStringList{saved.Ph[0], saved.Ph[1], saved.Ph[2], saved.Ph[3]}),
                  (QStringList{"0815", "111", "222", "333"})) << phCount;
        EXPECT_TRUE(ReadIniText().contains(QStringLiteral("PHCOUNT=") + phCount)) << "never written, kept as it stands";
    }
}

// ---- input box ----

TEST_F(OptionsDialogs, InputBoxEnterInTheTextEntryEndsWithOk) {
    TfoInput box;
    ExpectTranslated(&box);
    EXPECT_FALSE(box.mePeriod()->isVisibleTo(&box));
    EXPECT_EQ(box.mePeriod()->inputMask(), "0000.0000");
    box.SetPrompt("Period?");
    EXPECT_EQ(box.Label1()->text(), "Period?");
    box.show();
    box.Edit1()->setText("17");
    Key(box.Edit1(), Qt::Key_Return);
    EXPECT_EQ(box.result(), QDialog::Accepted);
    box.ShowPeriodEntry(true);
    EXPECT_TRUE(box.mePeriod()->isVisibleTo(&box));
    EXPECT_FALSE(box.Edit1()->isVisibleTo(&box));
}

// A command script's question comes in a box with its own caption; the operator types the answer into
// the focused entry and confirms with Enter.
TEST_F(OptionsDialogs, ScriptInputBoxHasItsCaptionAndTakesTheTypedAnswer) {
    QString title;
    QTimer::singleShot(0, [&title] {
        auto *box = qobject_cast<TfoInput *>(QApplication::activeModalWidget());
        if (!box) return ADD_FAILURE() << "no input box";
        title = box->windowTitle();
        box->activateWindow();
        if (!korvultest::WaitUntil([box] { return QApplication::focusWidget() == box->Edit1(); }, 5s)) {
            ADD_FAILURE() << "the entry never got the focus";
            return box->reject();
        }
        TypeAtFocus("A7");
        KeyAtFocus(Qt::Key_Return, Qt::NoModifier, "\r");
    });
    EXPECT_EQ(AskScriptInput(nullptr, "Code?", "A*", 2), std::optional<QString>("A7"));
    EXPECT_EQ(title, LanguageText(TfoInput::kScriptCaptionText));
}

TEST_F(OptionsDialogs, EntryPointsReportOkAndCancel) {
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton *>("Button2")->click(); });
    EXPECT_FALSE(ShowTelephoneDialog(nullptr));
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton *>("Button1")->click(); });
    EXPECT_TRUE(ShowUserOptions(nullptr));
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton *>("Button2")->click(); });
    EXPECT_FALSE(ShowSettingsComm(nullptr));
}

// ---- leaving the directory field, browsing, a two-digit port ----

TEST_F(OptionsDialogs, UserOptionsLeavingAMissingDirectoryAsksAndNoCreatesNothing) {
    const QString dir = home.path() + "/not/there";
    TFormUserOptions dlg;
    dlg.show();
    auto *edit = Child<QLineEdit>(&dlg, "Edit2");
    edit->setText(dir);
    QString question;
    AnswerMessageBox(QMessageBox::No, &question);
    QFocusEvent tabAway(QEvent::FocusOut, Qt::TabFocusReason);  // to the next control of the dialog
    QApplication::sendEvent(edit, &tabAway);
    EXPECT_EQ(question, LanguageText(426));
    EXPECT_FALSE(QFileInfo::exists(dir));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(QFile::exists(home.iniPath()));
}

TEST_F(OptionsDialogs, UserOptionsCancelledDirectoryChooserChangesNothing) {
    Settings().TempFilePath = "/old/place";
    TFormUserOptions dlg;
    dlg.show();
    QString caption;
    QTimer::singleShot(0, [&caption] {
        std::function<void()> answer = [&caption, &answer] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || qobject_cast<TFormUserOptions *>(modal)) return QTimer::singleShot(10, answer);
            caption = modal->windowTitle();
            qobject_cast<QDialog *>(modal)->reject();
        };
        answer();
    });
    Child<QPushButton>(&dlg, "Button4")->click();
    EXPECT_EQ(caption, LanguageText(423));
    EXPECT_EQ(Child<QLineEdit>(&dlg, "Edit2")->text(), "/old/place");
    EXPECT_EQ(Settings().TempFilePath, "/old/place");
}

TEST_F(OptionsDialogs, UserOptionsChosenDirectoryGoesIntoTheFieldAndTheSettings) {
    const QString dir = home.path() + "/chosen";
    ASSERT_TRUE(QDir().mkpath(dir));
    TFormUserOptions dlg;
    dlg.show();
    QTimer::singleShot(0, [dir] {
        std::function<void()> answer = [dir, &answer] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!chooser) return QTimer::singleShot(10, answer);
            chooser->setDirectory(dir);
            static_cast<QDialog *>(chooser)->accept();  // the chooser's own accept, as its Choose button
        };
        answer();
    });
    Child<QPushButton>(&dlg, "Button4")->click();
    EXPECT_EQ(Child<QLineEdit>(&dlg, "Edit2")->text(), dir);
    EXPECT_EQ(Settings().TempFilePath, dir);
    EXPECT_FALSE(QFile::exists(home.iniPath()));  // saved only with OK
}

TEST_F(OptionsDialogs, SettingsCommListsComTwelveAsComOneAndStoresOne) {
    const QString devices = home.path() + "/tty";
    for (const char *name : {"COM1", "COM3"}) {
        QFile device(devices + name);
        ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    }
    const auto saved = TFoSettingsComm::PortEnumeration();
    TFoSettingsComm::PortEnumeration() = [devices] {
        return EnumeratePorts({"COM12", "COM3"}, [devices](const QString &n) { return devices + n; },
                              [](const QString &) { return TPortProbe::Free; });
    };
    Settings().COM = 3;
    TFoSettingsComm dlg;
    TFoSettingsComm::PortEnumeration() = saved;
    auto *port = Child<QComboBox>(&dlg, "ComboBox1");
    ASSERT_EQ(port->count(), 2);
    EXPECT_EQ(port->itemText(0), "COM1 (" + devices + "COM1)");
    EXPECT_EQ(port->currentIndex(), 1);
    port->setCurrentIndex(0);
    Child<QPushButton>(&dlg, "Button1")->click();
    EXPECT_EQ(Saved().COM, 1);
}
