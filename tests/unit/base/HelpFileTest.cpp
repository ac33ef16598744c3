#include "base/HelpFile.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <iterator>
#include <gtest/gtest.h>

namespace {

// Every topic the program's windows jump to by name, and every numeric help context they use.
const char *const kRequiredIds[] = {
    "Contents", "UserOptions", "ChangeAccessCode", "ChangeDateAndTime", "InterfaceOptions",
    "ReadProcessData", "MainWindow", "Connect", "CommonData", "ReadArchive", "StatusRegister",
    "TestRTC", "DeleteMeasurements", "MemoryDump", "InitDevice", "CheckMaxima", "ConfigQT700V2",
    "ConfigQT700A", "ConfigQT700M", "SensorAdjustment", "PrintDataSheet", "ConfigNX17S", "InputBox",
    "Telephone", "Modem", "HQPassword", "CLM300", "CLM300CommonData", "CLM300ConnectedDevices",
    "CLM300Interfaces", "CLM300Headquarters", "CLM300Events", "CLM300Inputs", "CLM300FaxReceivers",
    "CLM300Outputs", "ConnectEndDevice", "CLM300Maintenance", "ChangeCLM300AccessCode",
    "ChangeHQPasswords", "ResetEvents", "ResetFaxMessageCount", "AdjustRTC", "ModuleTerminal",
    "SettingsFile", "PortLinks", "LineTrace", "Troubleshooting", "About",
    "ctx13000", "ctx13001", "ctx22215", "ctx23100", "ctx23600"};

// Restores the real program path after a test that pretends the program lives elsewhere.
struct ProgramAt {
    explicit ProgramAt(const QString &path) { korvul::SetProgramFilePathForTests(path); }
    ~ProgramAt() { korvul::SetProgramFilePathForTests(QString()); }
};

void touch(const QString &path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("<html></html>");
}

QString readHelp(const QString &code) {
    QFile f(korvultest::SourceDir() + "/help/korvul" + code + ".html");
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(HelpFilePath, FollowsProgramBaseNameAndCode) {
    const struct {
        const char *program, *code, *expected;
    } rows[] = {
        {"/opt/k/korvul", "DE", "/opt/k/korvulDE.html"},
        {"/opt/k/korvul", "EN", "/opt/k/korvulEN.html"},
        {"/opt/k/abcdefgh.exe", "EN", "/opt/k/abcdefEN.html"}, // base name cut to 6 characters
        {"/opt/k/a.b.exe", "DE", "/opt/k/aDE.html"},           // up to the first "."
        {"/opt/k/korvul", "en", "/opt/k/korvulEN.html"},       // no file there: the name the program ships
    };
    for (const auto &row : rows) {
        ProgramAt program(row.program);
        EXPECT_EQ(korvul::HelpFilePath(row.code), QString(row.expected)) << row.program << " " << row.code;
    }
}

class HelpFileChoice : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProgramAt program{dir.path() + "/korvul"};
    QString de() const { return dir.path() + "/korvulDE.html"; }
    QString en() const { return dir.path() + "/korvulEN.html"; }
};

TEST_F(HelpFileChoice, LanguageFromSettingsFallsBackToGermanWhenItsFileIsMissing) {
    korvultest::TempConfigHome home;
    home.writeIni("[LANGUAGE]\nLANGUAGE=EN\n");
    touch(de());
    const auto choice = korvul::ChooseHelpFile(korvul::ReadLanguageCode(korvul::SettingsFilePath()));
    EXPECT_EQ(choice.file, de());
    EXPECT_EQ(choice.missing, QStringList{en()});
}

TEST_F(HelpFileChoice, BothMissingReportsBothInOrderAndChoosesNothing) {
    const auto choice = korvul::ChooseHelpFile("EN");
    EXPECT_TRUE(choice.file.isEmpty());
    EXPECT_EQ(choice.missing, (QStringList{en(), de()}));
}

TEST_F(HelpFileChoice, GermanMissingIsReportedOnceWithoutASecondTry) {
    for (const QString &code : {QString("DE"), QString()}) { // an empty code counts as DE
        const auto choice = korvul::ChooseHelpFile(code);
        EXPECT_TRUE(choice.file.isEmpty());
        EXPECT_EQ(choice.missing, QStringList{de()}) << code.toStdString();
    }
}

// The code comes from a hand-edited settings file; its letter case must not matter.
TEST_F(HelpFileChoice, LanguageCodeInAnyLetterCaseFindsTheFileOfThatLanguage) {
    touch(en());
    touch(de());
    for (const QString &code : {QString("en"), QString("En"), QString("eN")}) {
        korvultest::TempConfigHome home;
        home.writeIni("[LANGUAGE]\nLANGUAGE=" + code.toLatin1() + "\n");
        const auto choice = korvul::ChooseHelpFile(korvul::ReadLanguageCode(korvul::SettingsFilePath()));
        EXPECT_EQ(choice.file, en()) << code.toStdString();
        EXPECT_TRUE(choice.missing.isEmpty()) << code.toStdString();
    }
}

TEST_F(HelpFileChoice, GermanInLowerCaseMissingIsReportedOnceUnderTheShippedName) {
    const auto choice = korvul::ChooseHelpFile("de");
    EXPECT_TRUE(choice.file.isEmpty());
    EXPECT_EQ(choice.missing, QStringList{de()});
}

TEST_F(HelpFileChoice, FileNamedInAnotherCaseIsFoundAndTheExactNameWinsATie) {
    const QString lower = dir.path() + "/korvulfr.html";
    touch(lower);
    EXPECT_EQ(korvul::HelpFilePath("FR"), lower);
    const QString upper = dir.path() + "/korvulFR.html";
    touch(upper);
    EXPECT_EQ(korvul::HelpFilePath("fr"), lower);
    EXPECT_EQ(korvul::HelpFilePath("FR"), upper);
}

TEST_F(HelpFileChoice, ExistingFileOfTheLanguageIsTakenWithoutReport) {
    touch(en());
    touch(de());
    const auto choice = korvul::ChooseHelpFile("EN");
    EXPECT_EQ(choice.file, en());
    EXPECT_TRUE(choice.missing.isEmpty());
}

TEST_F(HelpFileChoice, DirectoryNamedLikeTheHelpFileDoesNotCount) {
    QDir(dir.path()).mkdir("korvulEN.html");
    touch(de());
    EXPECT_EQ(korvul::ChooseHelpFile("EN").file, de());
}

TEST(HelpOutline, HeadingsGetPlainTextAndTheAnchorTheyLeadTo) {
    const QString html = R"(<h1>Title</h1>
        <!-- <h2 id="Ghost">commented out</h2> -->
        <h2 id="First"><a name="First"></a>Caf&eacute; &amp; <b>Bar</b>&#33;</h2>
        <p>text</p><a name="Second"></a>
        <h3>Below an
            anchor</h3>
        <H2 ID='Third'>Upper &#x41;</H2>)";
    const auto headings = korvul::HelpHeadings(html);
    ASSERT_EQ(headings.size(), 4);
    EXPECT_EQ(headings[0].anchor, QString()); // nothing to jump to before the first anchor
    EXPECT_EQ(headings[1].level, 2);
    EXPECT_EQ(headings[1].text, QString("Caf&eacute; & Bar!")); // unknown named entities stay
    EXPECT_EQ(headings[1].anchor, QString("First"));
    EXPECT_EQ(headings[2].text, QString("Below an anchor"));
    EXPECT_EQ(headings[2].anchor, QString("Second"));
    EXPECT_EQ(headings[3].text, QString("Upper A"));
    EXPECT_EQ(headings[3].anchor, QString("Third"));
    EXPECT_EQ(korvul::HelpTopicIds(html), (QStringList{"First", "Third"}));
    EXPECT_EQ(korvul::HelpAnchorNames(html), (QStringList{"First", "Second"}));
}

TEST(HelpOutline, AttributesThatOnlyEndInIdOrNameAreNoAnchors) {
    const QString html = R"(<div data-id="x" valid="y"><a href="#z" classname="w">z</a><p name="p">p</p></div>)";
    EXPECT_TRUE(korvul::HelpTopicIds(html).isEmpty());
    EXPECT_TRUE(korvul::HelpAnchorNames(html).isEmpty());
}

class HelpFiles : public ::testing::TestWithParam<const char *> {};

TEST_P(HelpFiles, EveryRequiredTopicAndContextIsAnIdAndAnAnchor) {
    const QString html = readHelp(GetParam());
    ASSERT_FALSE(html.isEmpty()) << "help file missing";
    const QStringList ids = korvul::HelpTopicIds(html);
    const QStringList names = korvul::HelpAnchorNames(html);
    for (const char *id : kRequiredIds) {
        EXPECT_TRUE(ids.contains(id)) << "id " << id;
        EXPECT_TRUE(names.contains(id)) << "anchor " << id;
    }
    EXPECT_EQ(ids.value(0), QString("Contents")) << "the Contents topic comes first";
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << "an id is used twice";
    QSet<QString> headed; // the index reaches a topic only through a heading of its own
    for (const auto &h : korvul::HelpHeadings(html)) headed.insert(h.anchor);
    for (const QString &id : ids) EXPECT_TRUE(headed.contains(id)) << "no heading for " << id.toStdString();
}

TEST_P(HelpFiles, EveryInternalLinkLeadsToAnAnchor) {
    const QString html = readHelp(GetParam());
    const QStringList names = korvul::HelpAnchorNames(html);
    static const QRegularExpression link(R"re(href="#([^"]*)")re");
    auto it = link.globalMatch(html);
    int count = 0;
    while (it.hasNext()) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(names.contains(target)) << "broken link #" << target.toStdString();
        ++count;
    }
    EXPECT_GT(count, 50);
}

TEST_P(HelpFiles, NeedsNoOtherFile) {
    const QString html = readHelp(GetParam());
    static const QRegularExpression external(R"re((src|href)\s*=\s*"(?!#))re", QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(external.match(html).hasMatch()) << external.match(html).captured(0).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, HelpFiles, ::testing::Values("DE", "EN"));

TEST(HelpFilesAgree, BothLanguagesHoldTheSameTopicsInTheSameOrder) {
    EXPECT_EQ(korvul::HelpTopicIds(readHelp("DE")), korvul::HelpTopicIds(readHelp("EN")));
}

TEST(HelpFilesAgree, EveryTopicAndContextNamedInTheHeaderIsRequired) {
    QStringList required;
    for (const char *id : kRequiredIds) required << id;
    for (const char *topic : korvul::HelpTopic::All) EXPECT_TRUE(required.contains(topic)) << topic;
    EXPECT_EQ(std::size(korvul::HelpTopic::All) + 5, std::size(kRequiredIds));
    for (int context : {korvul::kHelpSetReject, korvul::kHelpSaveChanges, korvul::kHelpCodeMark,
                        korvul::kHelpConnectEndDevice, korvul::kHelpDisconnectModule})
        EXPECT_TRUE(required.contains(korvul::HelpContextAnchor(context))) << context;
}
