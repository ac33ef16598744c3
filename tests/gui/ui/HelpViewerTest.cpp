#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Paths.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"
#include "readout/FormProcessData.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QVBoxLayout>
#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString sourceHelp(const QString &code) { return korvultest::SourceDir() + "/help/korvul" + code + ".html"; }

// The text of the line shown at the top of the browser.
QString topLine(korvul::THelpBrowser *browser) {
    return browser->cursorForPosition(QPoint(4, 4)).block().text();
}

void pressF1(QWidget *receiver) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(receiver, &press);
}

class HelpViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        korvul::SetHelpFile(sourceHelp("DE"));
        viewer().resize(600, 400);
    }
    void TearDown() override {
        viewer().hide();
        korvul::SetHelpFile(QString());
    }
    static korvul::THelpViewer &viewer() { return korvul::Help(); }
};

} // namespace

TEST_F(HelpViewerTest, ShowTopicPutsTheTopicHeadingAtTheTop) {
    const struct {
        const char *topic, *heading;
    } rows[] = {
        {"UserOptions", "Benutzereinstellungen"},
        {"ctx23600", "Trennen im Modulfenster"}, // the last topic of the file, too
        {"Contents", "Inhalt"},
    };
    auto *browser = viewer().Browser();
    for (const auto &row : rows) {
        viewer().ShowTopic(row.topic);
        EXPECT_TRUE(viewer().isVisible());
        EXPECT_EQ(viewer().CurrentAnchor(), QString(row.topic));
        EXPECT_TRUE(korvultest::WaitUntil([&] { return topLine(browser) == row.heading; }, 2000ms))
            << row.topic << ": " << topLine(browser).toStdString();
    }
}

TEST_F(HelpViewerTest, UnknownTopicOrContextShowsContents) {
    const struct {
        std::function<void()> show;
        const char *expected;
    } rows[] = {
        {[] { korvul::Help().ShowTopic("NoSuchTopic"); }, "Contents"},
        {[] { korvul::Help().ShowContext(99999); }, "Contents"},
        {[] { korvul::Help().ShowContext(0); }, "Contents"},
        {[] { korvul::Help().ShowContext(23100); }, "ctx23100"},
        {[] { korvul::Help().ShowContext(13001); }, "ctx13001"},
    };
    for (const auto &row : rows) {
        viewer().ShowTopic("Modem"); // start somewhere else each time
        row.show();
        EXPECT_EQ(viewer().CurrentAnchor(), QString(row.expected));
    }
}

TEST_F(HelpViewerTest, BackAndForwardWalkTheTopicsShown) {
    viewer().ShowTopic("Connect");
    viewer().ShowTopic("Modem");
    auto *back = viewer().findChild<QPushButton *>("btBack");
    auto *forward = viewer().findChild<QPushButton *>("btForward");
    ASSERT_TRUE(back && forward);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(viewer().CurrentAnchor(), QString("Connect"));
    ASSERT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(viewer().CurrentAnchor(), QString("Modem"));
}

TEST_F(HelpViewerTest, IndexLinksOpenTheirTopicInTheHelpFile) {
    viewer().ShowIndex();
    EXPECT_EQ(viewer().CurrentAnchor(), QString("index"));
    auto *browser = viewer().Browser();
    QString href; // the link behind the index entry "Benutzereinstellungen"
    for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
        if (b.text() == "Benutzereinstellungen")
            for (auto it = b.begin(); !it.atEnd(); ++it) href = it.fragment().charFormat().anchorHref();
    ASSERT_FALSE(href.isEmpty());
    const QString text = browser->toPlainText(); // subheadings name their topic
    EXPECT_TRUE(text.contains("Eingänge (Konfiguration QT-700/M)"));
    EXPECT_TRUE(text.contains("Rückfrage: Codemarke schreiben?\n")) << "a context keeps its own heading";
    browser->setSource(QUrl(href));
    EXPECT_EQ(viewer().CurrentAnchor(), QString("UserOptions"));
    EXPECT_TRUE(korvultest::WaitUntil([&] { return topLine(browser) == "Benutzereinstellungen"; }, 2000ms));
    browser->backward();
    EXPECT_EQ(viewer().CurrentAnchor(), QString("index"));
}

TEST_F(HelpViewerTest, WithoutHelpFileTheViewerSaysSoInsteadOfStayingEmpty) {
    korvul::SetHelpFile(QString());
    viewer().ShowTopic("Contents");
    EXPECT_EQ(viewer().CurrentAnchor(), QString("missing"));
    EXPECT_FALSE(viewer().Browser()->toPlainText().trimmed().isEmpty());
}

TEST_F(HelpViewerTest, F1OnAChildOpensTheNearestParentsHelpContext) {
    korvul::InstallHelpKeyHandler(*qApp);
    QWidget outer;
    outer.setProperty("helpContext", 23600);
    QWidget inner(&outer);
    inner.setProperty("helpContext", 23100);
    auto *edit = new QLineEdit(&inner);
    auto *plain = new QLineEdit(&outer);
    outer.show();

    pressF1(edit);
    EXPECT_EQ(viewer().CurrentAnchor(), QString("ctx23100"));
    pressF1(plain);
    EXPECT_EQ(viewer().CurrentAnchor(), QString("ctx23600"));
    QWidget lonely;
    pressF1(&lonely);
    EXPECT_EQ(viewer().CurrentAnchor(), QString("Contents"));
}

// F1 in a window of the program, pressed where a user's keyboard sends it: to the focus widget.
class HelpKeyInWindows : public HelpViewerTest {
protected:
    void SetUp() override {
        HelpViewerTest::SetUp();
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        korvul::SetShowMessageHook([](const QString &) {});
        korvul::SetAskYesNoHook([](const QString &, int) { return false; });
        korvul::InstallHelpKeyHandler(*qApp);
    }
    void TearDown() override {
        korvul::SetShowMessageHook({});
        korvul::SetAskYesNoHook({});
        korvul::UnloadLanguageModule();
        HelpViewerTest::TearDown();
    }
    korvultest::TempConfigHome home;
};

TEST_F(HelpKeyInWindows, F1InAFieldOpensTheTopicOfItsGroupOrWindowNotTheContents) {
    korvul::TFormMain main;
    main.TabControl1()->setEnabled(true); // connected: the common data fields take input
    korvul::TFormProcessData process;            // never given the event loop, so it reads nothing
    const struct {
        QWidget *window;
        const char *field, *topic;
    } rows[] = {
        {&main, "edDevNo", "CommonData"},   {&main, "cbDayBound", "CommonData"}, {&main, "edDevType", "MainWindow"},
        {&main, "btConnect", "MainWindow"}, {&process, "StringGrid1", "ReadProcessData"},
        {&process, "sePeriod", "ReadProcessData"},
    };
    for (const auto &row : rows) {
        row.window->show();
        QApplication::setActiveWindow(row.window);
        auto *field = row.window->findChild<QWidget *>(row.field);
        ASSERT_NE(field, nullptr) << row.field;
        field->setFocus(Qt::TabFocusReason);
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus == field || field->isAncestorOf(focus)) << row.field;
        viewer().ShowTopic("Modem"); // somewhere else first
        pressF1(focus);
        EXPECT_EQ(viewer().CurrentAnchor(), QString(row.topic)) << row.field;
    }
}

// Help is read while the dialog or question that asked for it stays open, and while others open.
TEST_F(HelpViewerTest, ModalDialogsDoNotBlockTheViewer) {
    viewer().ShowTopic("Contents");
    int blockedSeen = 0;
    bool blocked = false;
    struct Watch : QObject {
        int *seen;
        bool *blocked;
        Watch(int *s, bool *b) : seen(s), blocked(b) {}
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::WindowBlocked) ++*seen, *blocked = true;
            if (e->type() == QEvent::WindowUnblocked) *blocked = false;
            return false;
        }
    } watch(&blockedSeen, &blocked);
    viewer().installEventFilter(&watch);

    QDialog first; // opened after the viewer
    first.setWindowModality(Qt::ApplicationModal);
    first.show();
    ASSERT_TRUE(korvultest::WaitUntil([&] { return blockedSeen == 1; }, 2000ms)) << "a modal dialog blocks";
    EXPECT_TRUE(korvultest::WaitUntil([&] { return !blocked; }, 2000ms));

    QDialog second(&first); // help asked for from a dialog opened by the first
    second.setWindowModality(Qt::ApplicationModal);
    second.show();
    viewer().ShowTopic("UserOptions");
    EXPECT_TRUE(korvultest::WaitUntil([&] { return !blocked; }, 2000ms));
    second.close();
    first.close();
    EXPECT_TRUE(korvultest::WaitUntil([&] { return !blocked; }, 2000ms));
    viewer().removeEventFilter(&watch);
}

TEST(InitHelpFile, MissingFilesAreReportedWithTheirPathAndTheGermanFileIsTried) {
    korvultest::TempConfigHome home;
    home.writeIni("[LANGUAGE]\nLANGUAGE=EN\n");
    QTemporaryDir dir;
    {
        QFile lng(dir.path() + "/test.lng");
        ASSERT_TRUE(lng.open(QIODevice::WriteOnly));
        lng.write("50=Help file\n3000=Help file not found: %s\n");
    }
    ASSERT_TRUE(korvul::LoadLanguageModuleFile(dir.path() + "/test.lng"));
    korvul::SetProgramFilePathForTests(dir.path() + "/korvul");
    QStringList boxes;
    korvul::SetHelpErrorBoxHook([&](const QString &text, const QString &caption) { boxes << caption + "|" + text; });

    korvul::InitHelpFile(); // neither file there
    EXPECT_EQ(boxes, (QStringList{"Help file|Help file not found: " + dir.path() + "/korvulEN.html",
                                  "Help file|Help file not found: " + dir.path() + "/korvulDE.html"}));
    EXPECT_TRUE(korvul::HelpFile().isEmpty());

    boxes.clear();
    ASSERT_TRUE(QFile::copy(sourceHelp("DE"), dir.path() + "/korvulDE.html"));
    korvul::InitHelpFile(); // only the German file
    EXPECT_EQ(boxes, QStringList{"Help file|Help file not found: " + dir.path() + "/korvulEN.html"});
    EXPECT_EQ(korvul::HelpFile(), dir.path() + "/korvulDE.html");

    boxes.clear();
    ASSERT_TRUE(QFile::copy(sourceHelp("EN"), dir.path() + "/korvulEN.html"));
    korvul::InitHelpFile();
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(korvul::HelpFile(), dir.path() + "/korvulEN.html");

    korvul::SetHelpErrorBoxHook({});
    korvul::SetProgramFilePathForTests(QString());
    korvul::UnloadLanguageModule();
    korvul::SetHelpFile(QString());
}
