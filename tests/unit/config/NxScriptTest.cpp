// Command scripts of the NX-17S: line parser, input pattern, file lines and the run against test doubles.
#include "config/NxScript.h"

#include "base/LangSupp.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

struct ParseRow {
    const char *line;
    TNxLineKind kind;
    const char *text = "";      // Transmit text or Get/Transmit variable
    bool readAnswer = false;
    int number = 0;
    const char *prompt = "";
    const char *pattern = "";
};

class NxLineParser : public ::testing::TestWithParam<ParseRow> {};

TEST_P(NxLineParser, ParsesTheLineWithoutReadingPastIt) {
    const ParseRow &r = GetParam();
    const TNxLine l = ParseNxLine(QString::fromLatin1(r.line));
    ASSERT_EQ(l.Kind, r.kind) << r.line;
    switch (r.kind) {
    case TNxLineKind::Transmit:
        EXPECT_EQ(l.Quoted ? l.Text : l.Variable, QString::fromLatin1(r.text)) << r.line;
        EXPECT_EQ(l.ReadAnswer, r.readAnswer) << r.line;
        break;
    case TNxLineKind::Pause: EXPECT_EQ(l.Number, r.number); break;
    case TNxLineKind::Get:
        EXPECT_EQ(l.Variable, QString::fromLatin1(r.text));
        EXPECT_EQ(l.Number, r.number);
        break;
    case TNxLineKind::Message:
        EXPECT_EQ(l.SetsPrompt, *r.prompt != 0) << r.line;
        EXPECT_EQ(l.Prompt, QString::fromLatin1(r.prompt));
        EXPECT_EQ(l.Pattern, QString::fromLatin1(r.pattern));
        break;
    default: break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NxLineParser,
    ::testing::Values(
        ParseRow{"; TRANSMIT \"AB\"^M", TNxLineKind::Comment},
        ParseRow{"transmit \"AB\"^M", TNxLineKind::Other},
        ParseRow{"SEND \"AB\"", TNxLineKind::Other},
        ParseRow{"TRANSMIT \"AB\"^M", TNxLineKind::Transmit, "AB\r", true},
        ParseRow{"TRANSMIT \"AB\"^A", TNxLineKind::Transmit, "AB\x01", false},
        ParseRow{"TRANSMIT \"AB\"^W", TNxLineKind::Transmit, "AB\x17", false},
        ParseRow{"TRANSMIT \"AB\"^m", TNxLineKind::Transmit, "AB", true},
        ParseRow{"TRANSMIT \"AB\"", TNxLineKind::Transmit, "AB", true},
        ParseRow{"TRANSMIT \"AB\"^", TNxLineKind::Transmit, "AB", true},
        ParseRow{"TRANSMIT \"AB", TNxLineKind::Transmit, "AB", true},
        ParseRow{"TRANSMIT \"\"^M", TNxLineKind::Transmit, "\r", true},
        ParseRow{"TRANSMIT TEMP", TNxLineKind::Transmit, "TEMP", false},
        ParseRow{"TRANSMIT", TNxLineKind::Transmit, "", false},
        ParseRow{"PAUSE 3 ; let the device store", TNxLineKind::Pause, "", false, 3},
        ParseRow{"PAUSE3", TNxLineKind::Pause, "", false, 3},
        ParseRow{"GET TEMP 8", TNxLineKind::Get, "TEMP", false, 8},
        ParseRow{"GET   CODE   4", TNxLineKind::Get, "CODE", false, 4},
        ParseRow{"MESSAGE \"Value:********\"", TNxLineKind::Message, "", false, 0, "Value:********", "********\""},
        ParseRow{"MESSAGE \"Code: 12**\" ; four digits", TNxLineKind::Message, "", false, 0, "Code: 12**", "12**\""},
        ParseRow{"MESSAGE \"Code:\" 12**", TNxLineKind::Message, "", false, 0, "Code:", "\" 12*"},
        ParseRow{"MESSAGE \"Just a prompt\"", TNxLineKind::Message, "", false, 0, "Just a prompt", ""},
        ParseRow{"MESSAGE without quote", TNxLineKind::Message}));

TEST(NxLineParserErrors, NumbersThatAreNotWholeNumbersEndTheRun) {
    for (const char *line : {"PAUSE x", "PAUSE 1.5", "GET TEMP", "GET TEMP 4x", "GET TEMP -1"})
        EXPECT_THROW(ParseNxLine(QString::fromLatin1(line)), TNxScriptError) << line;
}

struct PatternRow {
    const char *value, *pattern;
    int count;
    QVector<int> mismatches;
};

TEST(NxInputPattern, MismatchPositions) {
    const PatternRow rows[] = {
        {"13AB", "12**", 4, {2}},
        {"ABCDEFGH", "********\"", 8, {}},
        {"1", "12**", 4, {2}},             // short input: a fixed position it lacks is a mismatch
        {"1", "1***", 4, {}},              // ... under "*" a missing character is accepted
        {"xyz", "", 3, {}},                // GET without MESSAGE: no pattern, nothing to check
        {"9x", "1", 2, {1}},               // beyond the pattern anything goes
        {"AB", "ab", 2, {1, 2}},           // exact, case-sensitive
    };
    for (const PatternRow &r : rows)
        EXPECT_EQ(NxPatternMismatches(QString::fromLatin1(r.value), QString::fromLatin1(r.pattern), r.count),
                  r.mismatches)
            << r.value << " / " << r.pattern;
}

TEST(NxInputPattern, StoredValueIsTrimmedCutAndGetsADecimalPoint) {
    EXPECT_EQ(NxInputValue(" 1,5 ", 8), "1.5");
    EXPECT_EQ(NxInputValue("1,5,6", 8), "1.5,6");
    EXPECT_EQ(NxInputValue("123456789", 4), "1234");
    EXPECT_EQ(NxInputValue("1234,5", 4), "1234");
}

TEST(NxScriptFile, LinesAreConvertedFromOemTrimmedAndEmptyOnesSkipped) {
    const QByteArray file("; Gr\x81\xe1" "e\r\n\r\n   TRANSMIT \"A\"^M  \n\t\nPAUSE 1");
    EXPECT_EQ(NxScriptLines(file), (QStringList{QString::fromUtf8("; Grüße"), "TRANSMIT \"A\"^M", "PAUSE 1"}));
}

// Scripts are shown in lower case, but opened as named: file systems tell "Read.cmd" from "read.cmd".
TEST(NxScriptList, EntriesShowLowerCaseAndOpenTheNameOnDiskUnlessOnlyCaseTellsThemApart) {
    const QVector<TNxScriptEntry> entries =
        NxScriptListEntries({"ReadTemp.CMD", "readtemp.cmd", "SetValue.cmd", "plain.cmd", "READTEMP.cmd"});
    const QStringList shown = {"ReadTemp.CMD", "readtemp.cmd", "setvalue.cmd", "plain.cmd", "READTEMP.cmd"};
    const QStringList files = {"ReadTemp.CMD", "readtemp.cmd", "SetValue.cmd", "plain.cmd", "READTEMP.cmd"};
    ASSERT_EQ(entries.size(), shown.size());
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Shown, shown[i]) << i;
        EXPECT_EQ(entries[i].File, files[i]) << i;
    }
    EXPECT_TRUE(NxScriptListEntries({}).isEmpty());
}

TEST(NxErrorMarkers, AnyMarkerInAnyLineFailsTheRun) {
    for (const char *m : {"-01-", "-04-", "-05-", "-06-", "-07-", "-11-"})
        EXPECT_TRUE(NxLogHasErrorMarker({">> R 1\r", QStringLiteral("<< R 1 %1\x03").arg(QLatin1String(m))})) << m;
    EXPECT_FALSE(NxLogHasErrorMarker({"<< R 1 -00-\x03", "<< -02- -10-"}));
}

// The run against doubles that record what went to the line.
class NxRun : public ::testing::Test {
protected:
    TNxScriptIo Io() {
        TNxScriptIo io;
        io.Write = [this](const QByteArray &b) { written << b; };
        io.ReadAnswer = [this] {
            ++reads;
            return QByteArray("OK -00-\x03");
        };
        io.Pause = [this](int s) { pauses << s; };
        io.AskInput = [this](const QString &prompt, const QString &pattern, int count) -> std::optional<QString> {
            asked << QStringList{prompt, pattern, QString::number(count)};
            if (inputs.isEmpty()) return std::nullopt;
            return inputs.takeFirst();
        };
        io.ShowNotice = [this](const QString &t) { notices << t; };
        return io;
    }
    QList<QByteArray> written;
    int reads = 0;
    QList<int> pauses;
    QList<QStringList> asked;
    QStringList inputs, notices;
};

TEST_F(NxRun, ValueFromGetIsSentAfterTheCommandAndLogged) {
    inputs << "1,5";
    TNxScriptRun run(Io());
    const auto end = run.Run({"MESSAGE \"Temperature:****\"", "GET TEMP 4", "TRANSMIT \"W 0310\"^A", "TRANSMIT TEMP",
                              "TRANSMIT \"\"^M", "PAUSE 2 ; settle"});
    EXPECT_EQ(end, TNxRunEnd::Completed);
    EXPECT_EQ(asked, (QList<QStringList>{{"Temperature:****", "****\"", "4"}}));
    EXPECT_EQ(written, (QList<QByteArray>{"W 0310\x01", "1.5", "\r"}));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(run.LogLines(), (QStringList{">> W 0310\x01", ">> 1.5", ">> \r", "<< OK -00-\x03"}));
    EXPECT_EQ(pauses, QList<int>{2});
}

TEST_F(NxRun, CancelledInputSendsEndRawAndStopsTheRun) {
    TNxScriptRun run(Io());
    EXPECT_EQ(run.Run({"GET X 2", "TRANSMIT \"AB\"^M"}), TNxRunEnd::Cancelled);
    EXPECT_EQ(written, QList<QByteArray>{QByteArray(1, 0x17)});
    EXPECT_TRUE(run.LogLines().isEmpty());
}

TEST_F(NxRun, VariableWithoutValueIsReportedAndTheRunGoesOn) {
    ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
    struct Unload {
        ~Unload() { UnloadLanguageModule(); }
    } unload;
    TNxScriptRun run(Io());
    EXPECT_EQ(run.Run({"TRANSMIT NOPE", "TRANSMIT \"AB\"^M"}), TNxRunEnd::Completed);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("NOPE")) << notices[0].toStdString();
    EXPECT_EQ(written, QList<QByteArray>{"AB\r"});
}

TEST_F(NxRun, ASecondGetReplacesTheValueAndAMessageWithoutQuoteKeepsThePrompt) {
    inputs << "11" << "22";
    TNxScriptRun run(Io());
    run.Run({"MESSAGE \"A:**\"", "GET V 2", "MESSAGE none", "GET V 2", "TRANSMIT V"});
    EXPECT_EQ(asked.value(1).value(0), "A:**");
    EXPECT_EQ(written, QList<QByteArray>{"22"});
}

TEST_F(NxRun, BadNumberEndsTheRunAfterTheLinesBeforeIt) {
    TNxScriptRun run(Io());
    EXPECT_THROW(run.Run({"TRANSMIT \"AB\"^A", "PAUSE soon", "TRANSMIT \"CD\"^A"}), TNxScriptError);
    EXPECT_EQ(written, QList<QByteArray>{"AB\x01"});
}

} // namespace

// The script's own line traffic over the line driver.
#include "unit/CommFixture.h"
#include "comm/Drivers.h"

namespace {

class NxLine : public CommFixture {};

TEST_F(NxLine, AnswerIsReadUpToItsEtxAndAFailedReadRaisesItsResult) {
    fakes.lineInput = QByteArray("R 1 -00-\x03rest", 13);
    EXPECT_EQ(korvul::NxLineReadAnswer(), QByteArray("R 1 -00-\x03"));
    fakes.lineInput.clear();
    try {
        korvul::NxLineReadAnswer();
        FAIL() << "no answer must raise";
    } catch (const korvul::TCommClassException &e) {
        EXPECT_EQ(e.Message(), "-13");
    }
}

TEST_F(NxLine, AnAnswerThatNeverEndsIsALineFault) {
    fakes.lineInput = QByteArray(70000, 'x');
    try {
        korvul::NxLineReadAnswer();
        FAIL() << "an endless answer must end";
    } catch (const korvul::TCommClassException &e) {
        EXPECT_EQ(e.Message(), "-30");
    }
}

TEST_F(NxLine, WriteSendsTheBytesAndRaisesAFailedWrite) {
    korvul::NxLineWrite("AB\r");
    EXPECT_EQ(fakes.Trace("line").back(), "line write 41 42 0D");
    fakes.line = [](const korvultest::DriverCall &, void *, int32_t *, int32_t *) { return int32_t(-30); };
    EXPECT_THROW(korvul::NxLineWrite("AB"), korvul::TCommClassException);
}

} // namespace
