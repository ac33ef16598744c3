#include "ui/FoAbout.h"
#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Version.h"
#include "comm/CommClass.h"
#include "ui/FoStatusReg.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui/WindowPrint.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace korvul;

namespace {

// Every text a window shows: caption, labels, buttons and their hints, actions, menus, tabs, combo items.
QList<QPair<QString, QString>> ShownTexts(QWidget *window) {
    QList<QPair<QString, QString>> texts{{window->objectName(), window->windowTitle()}};
    for (QObject *o : window->findChildren<QObject *>()) {
        const QString name = o->objectName();
        if (auto *l = qobject_cast<QLabel *>(o)) texts.append({name, l->text()});
        if (auto *b = qobject_cast<QAbstractButton *>(o)) texts.append({name, b->text()}), texts.append({name, b->toolTip()});
        if (auto *a = qobject_cast<QAction *>(o)) texts.append({name, a->text()});
        if (auto *m = qobject_cast<QMenu *>(o)) texts.append({name, m->title()});
        if (auto *t = qobject_cast<QTabBar *>(o))
            for (int i = 0; i < t->count(); ++i) texts.append({name, t->tabText(i)});
        if (auto *c = qobject_cast<QComboBox *>(o))
            for (int i = 0; i < c->count(); ++i) texts.append({name, c->itemText(i)});
    }
    return texts;
}

// A text from a missing language entry reads "str<number>"; a designer placeholder starts with "$".
void ExpectAllTranslated(QWidget *window) {
    for (const auto &[name, text] : ShownTexts(window)) {
        EXPECT_FALSE(text.startsWith(QLatin1String("str"))) << name.toStdString() << ": " << text.toStdString();
        EXPECT_FALSE(text.startsWith(QLatin1Char('$'))) << name.toStdString() << ": " << text.toStdString();
    }
}

template <class T = QWidget>
T *Child(QWidget *window, const char *name) {
    T *w = window->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QAction *Action(QWidget *window, const char *name) { return Child<QAction>(window, name); }

void TypeInto(QWidget *w, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override { Load(QStringLiteral("DE")); }
    void TearDown() override {
        korvul::SetHelpErrorBoxHook({});
        korvul::SetAskYesNoHook({});
        korvul::SetShowMessageHook({});
        korvul::UnloadLanguageModule();
        if (hadScale_) qputenv("KORVUL_TIME_SCALE", savedScale_);
        else qunsetenv("KORVUL_TIME_SCALE");
    }
    void Load(const QString &code) {
        hadScale_ = qEnvironmentVariableIsSet("KORVUL_TIME_SCALE");
        savedScale_ = qgetenv("KORVUL_TIME_SCALE");
        qputenv("KORVUL_TIME_SCALE", "0.05");
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(korvultest::BinDir() + "/korvul" + code + ".lng"));
        korvul::SetHelpErrorBoxHook([this](const QString &text, const QString &) { helpErrors << text; });
        korvul::SetAskYesNoHook([this](const QString &text, int context) {
            questions << qMakePair(text, context);
            return answerYes;
        });
        korvul::SetShowMessageHook([this](const QString &text) { messages << text; });
    }

    korvultest::TempConfigHome home;
    QStringList helpErrors, messages;
    QList<QPair<QString, int>> questions;
    bool answerYes = false;
    bool hadScale_ = false;
    QByteArray savedScale_;
};

class FormMainLanguages : public FormMainTest, public ::testing::WithParamInterface<const char *> {
protected:
    void SetUp() override { Load(QString::fromLatin1(GetParam())); }
};

TEST_P(FormMainLanguages, EveryTextOfTheWindowsComesFromTheLanguageModule) {
    korvul::TFormMain window;
    ExpectAllTranslated(&window);
    korvul::TfoAbout about;
    about.SetShowOK(true);
    ExpectAllTranslated(&about);
    korvul::TFoStatusReg statusReg;
    ExpectAllTranslated(&statusReg);
    EXPECT_TRUE(helpErrors.isEmpty()) << helpErrors.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, FormMainLanguages, ::testing::Values("DE", "EN"));

TEST_F(FormMainTest, EveryLabelNamesAFieldAndEveryInputHasAnAccessibleName) {
    korvul::TFormMain window;
    for (QLabel *label : window.findChildren<QLabel *>()) {
        if (label->parent() == static_cast<QObject *>(window.statusBar()) || label->objectName().isEmpty()) continue;
        ASSERT_NE(label->buddy(), nullptr) << label->objectName().toStdString();
        EXPECT_EQ(label->buddy()->parentWidget(), label->parentWidget()) << label->objectName().toStdString();
    }
    QList<QWidget *> inputs;
    for (QLineEdit *e : window.findChildren<QLineEdit *>())
        if (!qobject_cast<QComboBox *>(e->parentWidget())) inputs << e;
    for (QComboBox *c : window.findChildren<QComboBox *>()) inputs << c;
    EXPECT_EQ(inputs.size(), 20);   // 6 identification fields, 10 data fields, 4 combo boxes
    for (QWidget *input : inputs) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(input);
        ASSERT_NE(iface, nullptr);
        const QString name = iface->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << input->objectName().toStdString();
        EXPECT_FALSE(name.startsWith(QLatin1String("str"))) << input->objectName().toStdString();
    }
}

TEST_F(FormMainTest, ConnectAndDisconnectHaveF3AndF4) {
    korvul::TFormMain window;
    EXPECT_EQ(Action(&window, "acConnect")->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(Action(&window, "acDisconnect")->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_TRUE(window.actions().contains(Action(&window, "acConnect")));
    EXPECT_TRUE(window.actions().contains(Action(&window, "acDisconnect")));
}

struct EnabledRow {
    const char *name;
    bool enabled;
};

const EnabledRow kInitialStates[] = {
    {"acConnect", true}, {"acDisconnect", false}, {"acReadCommData", true}, {"acReadArchivData", false},
    {"acReadPdb", false}, {"acSetData", false}, {"acReject", false}, {"acSetDateAndTime", false},
    {"acNewZCode", false}, {"acConfigDevice", false}, {"acInitDevice", false}, {"acTestRTC", false},
    {"acCheckMaxima", false}, {"acDeleteMeasurements", false}, {"acMemoryDump", false}, {"acDKMACode", true},
    {"acIntSettings", true}, {"acUserSettings", true}, {"acPrint", true}, {"acPrinterSetup", true},
    {"acAbout", true}, {"acExit", true},
    {"btConnect", true}, {"btDisconnect", false}, {"btReadArchive", false}, {"btReadPDB", false},
    {"btRead", false}, {"btSet", false}, {"btReject", false}, {"btConfigure", false}, {"btInit", false},
    {"TabControl1", false}, {"pnlTabPage", false}};

bool IsEnabled(QWidget *window, const char *name) {
    if (QAction *a = window->findChild<QAction *>(QString::fromLatin1(name))) return a->isEnabled();
    return Child(window, name)->isEnabled();
}

TEST_F(FormMainTest, StartsDisconnectedWithTheInitialActionStates) {
    korvul::OperationActive = true;
    korvul::TFormMain window;
    for (const EnabledRow &row : kInitialStates) EXPECT_EQ(IsEnabled(&window, row.name), row.enabled) << row.name;
    // Not placed in any menu or button, but it must stay triggerable for the poll data.
    QAction *refresh = Action(&window, "acRefreshDevTime");
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_TRUE(refresh->text().isEmpty());
    for (QMenu *menu : window.findChildren<QMenu *>()) EXPECT_FALSE(menu->actions().contains(refresh));
    EXPECT_FALSE(korvul::OperationActive);
}

TEST_F(FormMainTest, FirstTabReadsChannelTextAndOne) {
    korvul::TFormMain window;
    ASSERT_EQ(window.TabControl1()->count(), 1);
    EXPECT_EQ(window.TabControl1()->tabText(0), korvul::LanguageText(139) + QLatin1Char('1'));
}

TEST_F(FormMainTest, MenusHoldExactlyTheirEntries) {
    korvul::TFormMain window;
    const QList<QPair<const char *, QStringList>> menus = {
        {"miProgram", {"acPrint", "acPrinterSetup", "acExit"}},
        {"miSettings", {"acIntSettings", "acUserSettings", "acDKMACode"}},
        {"miAction", {"acConnect", "acReadArchivData", "acReadPdb", "acNewZCode", "acSetDateAndTime", "acConfigDevice",
                      "acInitDevice", "acTestRTC", "acCheckMaxima", "acDeleteMeasurements", "acMemoryDump",
                      "acDisconnect"}},
        {"miHelp", {"miContents", "miSearch", "miInfo"}}};
    QStringList barMenus;
    for (QAction *a : window.menuBar()->actions()) barMenus << a->menu()->objectName();
    EXPECT_EQ(barMenus, (QStringList{"miProgram", "miSettings", "miAction", "miHelp"}));
    for (const auto &[menu, entries] : menus) {
        QStringList names;
        for (QAction *a : Child<QMenu>(&window, menu)->actions())
            if (!a->isSeparator()) names << a->objectName();
        EXPECT_EQ(names, entries) << menu;
    }
}

TEST_F(FormMainTest, MarkCompAsChangedMarksOnlyTheSendingComboBox) {
    const char *boxes[] = {"cbDayBound", "cbPeriod", "cbCpVal", "cbAlarmCycle"};
    for (const char *sender : boxes) {
        korvul::TFormMain window;
        window.MarkCompAsChanged(Child(&window, sender));
        for (const char *box : boxes)
            EXPECT_EQ(korvul::TFormMain::IsMarkedChanged(Child(&window, box)), qstrcmp(box, sender) == 0) << sender << box;
        EXPECT_TRUE(Action(&window, "acSetData")->isEnabled());
        EXPECT_TRUE(Action(&window, "acReject")->isEnabled());
        EXPECT_TRUE(Child(&window, "btSet")->isEnabled());   // the button follows its action
        EXPECT_EQ(Child(&window, sender)->property("tag").toInt(), qstrcmp(sender, "cbAlarmCycle") == 0 ? 70 : 0)
            << "the edit mark must not touch the text number";
    }
}

TEST_F(FormMainTest, OperatorEditsMarkButProgramTextDoesNot) {
    korvul::TFormMain window;
    window.TabControl1()->setEnabled(true);
    auto *devNo = Child<QLineEdit>(&window, "edDevNo");
    devNo->setText(QStringLiteral("12345"));
    auto *period = Child<QComboBox>(&window, "cbPeriod");
    period->setEditText(QStringLiteral("15"));
    EXPECT_FALSE(Action(&window, "acSetData")->isEnabled());
    TypeInto(period->lineEdit(), QStringLiteral("3"));
    EXPECT_TRUE(korvul::TFormMain::IsMarkedChanged(period));
    EXPECT_TRUE(Action(&window, "acReject")->isEnabled());
    window.ClearDataFields();
    TypeInto(devNo, QStringLiteral("7"));
    EXPECT_TRUE(devNo->isModified());
    EXPECT_TRUE(Action(&window, "acSetData")->isEnabled());
    EXPECT_FALSE(korvul::TFormMain::IsMarkedChanged(period));
}

TEST_F(FormMainTest, ClearDataFieldsEmptiesEveryFieldAndDropsTheEdits) {
    korvul::TFormMain window;
    for (QLineEdit *e : window.findChildren<QLineEdit *>()) e->setText(QStringLiteral("x"));
    for (QComboBox *c : window.findChildren<QComboBox *>()) {
        c->setCurrentIndex(1);
        window.MarkCompAsChanged(c);
    }
    Child<QLineEdit>(&window, "edCustNo")->setModified(true);
    window.ClearDataFields();
    for (QLineEdit *e : window.findChildren<QLineEdit *>()) {
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
        EXPECT_FALSE(e->isModified()) << e->objectName().toStdString();
    }
    for (QComboBox *c : window.findChildren<QComboBox *>()) {
        EXPECT_EQ(c->currentIndex(), -1) << c->objectName().toStdString();
        EXPECT_TRUE(c->currentText().isEmpty()) << c->objectName().toStdString();
        EXPECT_FALSE(korvul::TFormMain::IsMarkedChanged(c)) << c->objectName().toStdString();
        EXPECT_GT(c->count(), 0) << "the value lists stay: " << c->objectName().toStdString();
    }
    EXPECT_FALSE(Action(&window, "acSetData")->isEnabled());
    EXPECT_FALSE(Action(&window, "acReject")->isEnabled());
}

TEST_F(FormMainTest, DisconnectedStateLeavesOnlyTheDisconnectedActions) {
    korvul::TFormMain window;
    for (QAction *a : window.findChildren<QAction *>()) a->setEnabled(true);
    window.TabControl1()->setEnabled(true);
    EXPECT_TRUE(Child(&window, "pnlTabPage")->isEnabled());
    Child<QLineEdit>(&window, "edDevType")->setText(QStringLiteral("QT-700/V2"));
    window.ApplyDisconnectedState();
    const QStringList stillEnabled = {"acConnect", "acDKMACode", "acIntSettings", "acUserSettings", "acPrint",
                                      "acPrinterSetup", "acAbout", "acExit", "acRefreshDevTime", "miContents",
                                      "miSearch", "miInfo"};
    for (QAction *a : window.findChildren<QAction *>(Qt::FindDirectChildrenOnly))
        EXPECT_EQ(a->isEnabled(), stillEnabled.contains(a->objectName())) << a->objectName().toStdString();
    EXPECT_FALSE(window.TabControl1()->isEnabled());
    EXPECT_FALSE(Child(&window, "pnlTabPage")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(&window, "edDevType")->text().isEmpty());
}

TEST_F(FormMainTest, ButtonHintsAreText500PlusTagAndComeBackWhenAHintShows) {
    korvul::TFormMain window;
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 9);
    for (QPushButton *b : buttons) {
        const int tag = b->property("tag").toInt();
        EXPECT_TRUE(tag >= 1 && tag <= 19) << b->objectName().toStdString();
        EXPECT_EQ(b->toolTip(), korvul::LanguageText(static_cast<uint16_t>(500 + tag)));
    }
    QPushButton *connect = Child<QPushButton>(&window, "btConnect");
    connect->setToolTip(QStringLiteral("stale"));
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(connect, &help);
    EXPECT_EQ(connect->toolTip(), korvul::LanguageText(502));
}

TEST_F(FormMainTest, ButtonsRunTheirActions) {
    korvul::TFormMain window;
    int connects = 0;
    QObject::connect(Action(&window, "acConnect"), &QAction::triggered, [&connects] { ++connects; });
    Child<QPushButton>(&window, "btConnect")->click();
    EXPECT_EQ(connects, 1);
    Action(&window, "acInitDevice")->setEnabled(true);
    EXPECT_TRUE(Child(&window, "btInit")->isEnabled());
}

TEST_F(FormMainTest, ChangingTheTabReadsTheCommonData) {
    korvul::TFormMain window;
    int reads = 0;
    QObject::connect(Action(&window, "acReadCommData"), &QAction::triggered, [&reads] { ++reads; });
    window.TabControl1()->addTab(QStringLiteral("2"));
    window.TabControl1()->setCurrentIndex(1);
    EXPECT_EQ(reads, 1);
}

TEST_F(FormMainTest, WindowOpensAtItsContentsSizeWithinTheScreenAndNoMaximiseButton) {
    korvul::TFormMain window;
    const QSize content = Child<QScrollArea>(&window, "scbMain")->widget()->sizeHint();
    const QSize free = window.screen()->availableGeometry().size();
    EXPECT_GE(window.width(), std::min(content.width(), free.width() - 8));
    EXPECT_GE(window.height(), std::min(content.height(), free.height() - 40));
    EXPECT_LE(window.width(), free.width());
    EXPECT_LE(window.height(), free.height());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(std::abs(window.geometry().center().x() - screen.center().x()), 2);
    for (QWidget *w : Child(&window, "pnlTabPage")->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(w->sizePolicy().retainSizeWhenHidden()) << w->objectName().toStdString();
}

TEST_F(FormMainTest, UnsavedEditsAreOfferedOnceOnExitAndOnClose) {
    korvul::TCommClass comm(QStringLiteral("QT"));  // not connected: Set has nothing to send
    korvul::SetCommObjectForTests(&comm);
    {
        korvul::TFormMain window;
        window.close();
        EXPECT_TRUE(questions.isEmpty()) << "nothing to set, nothing to ask";

        // Yes runs Set, which shows the record again: the edits are gone and nothing is asked twice.
        window.MarkCompAsChanged(Child(&window, "edDevNo"));
        answerYes = true;
        Action(&window, "acExit")->trigger();
        ASSERT_EQ(questions.size(), 1);
        EXPECT_EQ(questions[0].first, korvul::LanguageText(42014));
        EXPECT_EQ(questions[0].second, 13001);
        EXPECT_FALSE(Action(&window, "acSetData")->isEnabled());

        // No discards the edits.
        window.MarkCompAsChanged(Child(&window, "edDevNo"));
        answerYes = false;
        window.close();
        EXPECT_EQ(questions.size(), 2);
        EXPECT_FALSE(Action(&window, "acSetData")->isEnabled());
        EXPECT_FALSE(Action(&window, "acReject")->isEnabled());
        window.close();
        EXPECT_EQ(questions.size(), 2);
    }
    korvul::SetCommObjectForTests(nullptr);
}

TEST_F(FormMainTest, PrintsTheWindowImageToPdf) {
    korvul::TFormMain window;
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("main.pdf")));
    ASSERT_TRUE(korvul::PrintWidgetImage(&window, printer));
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    EXPECT_TRUE(content.startsWith("%PDF"));
    EXPECT_GT(content.size(), 10000) << "the page holds the window picture";
}

TEST_F(FormMainTest, FirstActivationShowsTheAboutBoxWithoutOkForAWhile) {
    const auto aboutBox = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<korvul::TfoAbout *>(w); box && box->isVisible()) return box;
        return static_cast<korvul::TfoAbout *>(nullptr);
    };
    // The box lives inside a nested event loop, so it is watched from a timer that runs in that loop.
    int seen = 0, seenWithOk = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (korvul::TfoAbout *box = aboutBox()) {
            ++seen;
            if (box->findChild<QPushButton *>(QStringLiteral("btOK"))->isVisibleTo(box)) ++seenWithOk;
        }
    });
    watch.start(2);
    korvul::TFormMain window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(korvultest::WaitUntil([&] { return seen > 0 && aboutBox() == nullptr; }, 5s));
    EXPECT_EQ(seenWithOk, 0);
    const int seenBefore = seen;
    window.activateWindow();
    korvultest::WaitUntil([] { return false; }, 100ms);
    EXPECT_EQ(seen, seenBefore) << "only the first activation shows it";
    EXPECT_EQ(aboutBox(), nullptr);
}

TEST_F(FormMainTest, AboutBoxShowsVersionAfterText13AndOkOnlyOnRequest) {
    korvul::TfoAbout about;
    EXPECT_EQ(about.findChild<QLabel *>(QStringLiteral("lbVersion"))->text(),
              korvul::LanguageText(13) + korvul::VersionToAboutText(korvul::ProgramFileVersion()));
    auto *ok = about.findChild<QPushButton *>(QStringLiteral("btOK"));
    EXPECT_FALSE(ok->isVisibleTo(&about));
    about.SetShowOK(true);
    EXPECT_TRUE(ok->isVisibleTo(&about));
}

TEST_F(FormMainTest, HelpMenuOpensContentsAndIndex) {
    korvul::TFormMain window;
    ASSERT_FALSE(korvul::HelpFile().isEmpty());
    Action(&window, "miContents")->trigger();
    EXPECT_EQ(korvul::Help().CurrentAnchor(), QStringLiteral("Contents"));
    Action(&window, "miSearch")->trigger();
    EXPECT_EQ(korvul::Help().CurrentAnchor(), QStringLiteral("index"));
    korvul::Help().close();
}

TEST(StatusRegWidth, IsTheLongestLineInWCharactersLimitedToTheScreen) {
    EXPECT_EQ(korvul::TFoStatusReg::FittingWidth(10, 8, 40, 1000), 120);
    EXPECT_EQ(korvul::TFoStatusReg::FittingWidth(200, 8, 40, 1000), 1000);
    EXPECT_EQ(korvul::TFoStatusReg::FittingWidth(0, 8, 40, 1000), 40);
    EXPECT_EQ(korvul::TFoStatusReg::FittingWidth(INT_MAX, INT_MAX, 40, 1000), 1000);
    EXPECT_EQ(korvul::TFoStatusReg::LongestLineLength(QStringLiteral("ab\r\nabcd\r\nabc")), 4);
    EXPECT_EQ(korvul::TFoStatusReg::LongestLineLength(QString()), 0);
}

TEST_F(FormMainTest, StatusRegWindowFitsItsTextOnShowing) {
    korvul::TFoStatusReg window;
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Status Register"));
    EXPECT_TRUE(window.Memo()->isReadOnly());
    EXPECT_EQ(window.Memo()->lineWrapMode(), QPlainTextEdit::NoWrap);
    window.ShowText(QStringLiteral("Bit 0: short\r\nBit 1: a somewhat longer line of status text"));
    ASSERT_TRUE(window.isVisible());
    const int fitted = window.width();
    const int wWidth = window.Memo()->fontMetrics().horizontalAdvance(QLatin1Char('w'));
    EXPECT_GE(fitted, 43 * wWidth);
    EXPECT_LT(fitted, 43 * wWidth + 200);
    window.ShowText(QString(2000, QLatin1Char('i')));
    EXPECT_EQ(window.width(), window.screen()->availableGeometry().width());
    window.close();
}

// A 1280x800 screen at scale factor 2 offers 640x400 logical pixels. The window can be made that
// small, loses no control, and Tab scrolls each control it reaches into view.
TEST_P(FormMainLanguages, WindowFitsASmallScreenAndTabScrollsEveryControlIntoView) {
    korvul::TFormMain window;
    window.TabControl1()->setEnabled(true);  // connected: the common data fields take input
    window.show();
    const QSize small(640, 400);
    EXPECT_LE(window.minimumSize().width(), small.width());
    EXPECT_LE(window.minimumSize().height(), small.height());
    EXPECT_LE(window.minimumSizeHint().width(), small.width());
    EXPECT_LE(window.minimumSizeHint().height(), small.height());
    window.resize(small);
    ASSERT_EQ(window.size(), small);
    auto *scroll = Child<QScrollArea>(&window, "scbMain");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return scroll->geometry().bottom() < small.height(); }, 2000ms));
    QSet<QString> reached;
    QApplication::setActiveWindow(&window);
    Child(&window, "btConnect")->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < 60 && !reached.contains(QStringLiteral("cbAlarmCycle")); ++press) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QWidget *control = qobject_cast<QComboBox *>(focus->parentWidget()) ? focus->parentWidget() : focus;
        reached << control->objectName();
        const QRect shown(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
        // In view: enough of it to see and to type into (a line edit is scrolled to its text cursor).
        const QRect visible = scroll->viewport()->rect().intersected(shown);
        EXPECT_GE(visible.width(), std::min(shown.width(), 40)) << control->objectName().toStdString();
        EXPECT_GE(visible.height(), shown.height() / 2) << control->objectName().toStdString();
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focus, &tab);
    }
    for (const char *name : {"btConnect", "TabControl1", "edDevNo", "edCPz", "cbDayBound", "cbAlarmCycle"})
        EXPECT_TRUE(reached.contains(QString::fromLatin1(name))) << name;
    // The status bar cuts a long text instead of widening the window.
    window.statusBar()->findChild<QLabel *>(QStringLiteral("stbMainText"))->setText(QString(300, u'x'));
    EXPECT_LE(window.minimumSizeHint().width(), small.width());
    window.close();
}

// Saves pictures of the window for a look at the layout when KORVUL_SCREENSHOT_DIR is set.
TEST_P(FormMainLanguages, WindowPictureHasTheWindowsSize) {
    korvul::TFormMain window;
    const QPixmap picture = window.grab();
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), window.size());
    const QString dir = qEnvironmentVariable("KORVUL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) picture.save(dir + "/korvul-main-" + GetParam() + ".png");
}

} // namespace

namespace {

TEST_F(FormMainTest, RunMainWindowEndsWhenTheMainWindowClosesAndFreesItsWindows) {
    bool statusRegHidden = false;
    QTimer::singleShot(0, [&] {
        statusRegHidden = FoStatusReg() && !FoStatusReg()->isVisible();
        FoStatusReg()->ShowText(QStringLiteral("x"));   // a visible side window must not keep it running
        FormMain()->close();
    });
    EXPECT_EQ(RunMainWindow(), 0);
    EXPECT_TRUE(statusRegHidden);
    EXPECT_EQ(FormMain(), nullptr);
    EXPECT_EQ(FoStatusReg(), nullptr);
}

} // namespace
