// korvul-read's command line and output formats: arguments that must be refused before any device is
// touched, the channel option's two meanings, CSV quoting, and the common data shown as the main
// window shows it.
#include "base/LangSupp.h"
#include "read/ReadOptions.h"
#include "read/ReadOutput.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

TReadParse Parse(const QString &line) { return ParseReadArguments(line.split(' ', Qt::SkipEmptyParts)); }

struct TBadArguments {
    const char *line;
    const char *errorPart;   // the error names what is wrong
};
void PrintTo(const TBadArguments &c, std::ostream *os) { *os << c.line; }

class ReadArgumentsRefused : public ::testing::TestWithParam<TBadArguments> {};

TEST_P(ReadArgumentsRefused, BeforeAnyDeviceIsTouched) {
    const TReadParse r = Parse(GetParam().line);
    EXPECT_TRUE(r.Error.contains(GetParam().errorPart)) << r.Error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Lines, ReadArgumentsRefused, ::testing::Values(
    TBadArguments{"", "no command"},
    TBadArguments{"--port COM1", "no command"},
    TBadArguments{"common archive", "only one command"},
    TBadArguments{"readall", "unknown command"},
    TBadArguments{"common --verbose", "--verbose"},
    TBadArguments{"common --csv", "process"},
    TBadArguments{"process --json", "common"},
    TBadArguments{"process --mode dump", "archive"},
    TBadArguments{"archive --mode weekly", "weekly"},
    TBadArguments{"process --count 0", "--count"},
    TBadArguments{"process --count 3x", "--count"},
    TBadArguments{"process --period -5", "--period"},
    TBadArguments{"process --channel 2", "--channel"},
    TBadArguments{"common --channel all", "channel number"},
    TBadArguments{"common --channel 0", "--channel"},
    TBadArguments{"common --channel 2 --all-channels", "exclude"},
    TBadArguments{"archive --channel first", "current, all"},
    TBadArguments{"common --port", "needs a value"},
    TBadArguments{"common --json=yes", "takes no value"}));

TEST(ReadArguments, ChannelMeansANumberForCommonAndAModeOrNumberForArchive) {
    TReadParse r = Parse("common --channel 3");
    ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    EXPECT_EQ(r.Options.Channel, 3);

    r = Parse("archive --channel=ALL");
    ASSERT_TRUE(r.Error.isEmpty());
    EXPECT_EQ(r.Options.ArchiveChannels, TArchiveChannels::All);

    r = Parse("--channel current archive");
    ASSERT_TRUE(r.Error.isEmpty());
    EXPECT_EQ(r.Options.ArchiveChannels, TArchiveChannels::Current);

    r = Parse("archive --channel 2");
    ASSERT_TRUE(r.Error.isEmpty());
    EXPECT_EQ(r.Options.ArchiveChannels, TArchiveChannels::Number);
    EXPECT_EQ(r.Options.Channel, 2);

    r = Parse("archive");
    EXPECT_EQ(r.Options.ArchiveChannels, TArchiveChannels::Setting);
}

TEST(ReadArguments, SharedOptionsGoAnywhereAndKeepTheirValues) {
    const TReadParse r = ParseReadArguments({"--settings", "/tmp/k.ini", "archive", "--mode", "BOM", "--port=/dev/ttyUSB0",
                                             "--access-code", " 123456789 ", "--reader", "night shift", "--modem", "0301234"});
    ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    EXPECT_EQ(r.Options.Command, TReadCommand::Archive);
    EXPECT_EQ(r.Options.SettingsFile, "/tmp/k.ini");
    EXPECT_EQ(r.Options.Mode, QString("bom"));
    EXPECT_EQ(r.Options.Port, "/dev/ttyUSB0");
    EXPECT_EQ(r.Options.AccessCode, QString("12345678"));   // trimmed, at most 8 characters as the setting
    EXPECT_EQ(r.Options.Reader, QString("night shift"));
    EXPECT_EQ(r.Options.ModemNumber, "0301234");
}

TEST(ReadArguments, HelpAndVersionNeedNoCommand) {
    EXPECT_TRUE(Parse("--help").Options.Help);
    EXPECT_TRUE(Parse("--help").Error.isEmpty());
    EXPECT_TRUE(Parse("-h").Options.Help);
    EXPECT_TRUE(Parse("--version").Options.Version);
    EXPECT_TRUE(Parse("--version").Error.isEmpty());
}

TEST(ReadUsage, ListsEveryExitCode) {
    const QString usage = ReadUsageText();
    for (int code : {kExitOk, kExitOther, kExitArguments, kExitPort, kExitNoAnswer, kExitRefused, kExitModem,
                     kExitFile, kExitInterrupted})
        EXPECT_TRUE(usage.contains(QRegularExpression(QStringLiteral("\\n  %1 +\\S").arg(code)))) << code;
}

TEST(ReadCsv, QuotesOnlyWhereCsvNeedsIt) {
    EXPECT_EQ(CsvField("12.5"), "12.5");
    EXPECT_EQ(CsvField("1,5"), "\"1,5\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField(" padded"), "\" padded\"");
    EXPECT_EQ(ProcessLine({"a", "b,c", ""}, true, '\t'), "a,\"b,c\",\n");
    EXPECT_EQ(ProcessLine({"a", "b,c", ""}, false, '\t'), "a\tb,c\t\n");
}

TEST(ReadProcessRows, ShowTheWindowsColumnsWithTheStatusAsOkOrEr) {
    const QStringList raw{"t", "v1", "v2", "v3", "v4", "v5", "v6", "Status", "f1", "f2"};
    EXPECT_EQ(ShownTitles(raw), (QStringList{"t", "v1", "v2", "v3", "v4", "v5", "v6", "Status"}));
    TProcessRow row{"12:00:00", "1", "2", "3", "4", "5", "6", "00000010", "8", "9"};
    EXPECT_EQ(ShownRowCells(row).last(), "Er");
    row[kStatusColumn] = "80000000";
    EXPECT_EQ(ShownRowCells(row).last(), "Ok");
}

class ReadCommonOutput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng")); }
    void TearDown() override { UnloadLanguageModule(); }

    static TCommonReport Report() {
        TCommonReport r;
        r.Info.IdentText = "2461";
        IdentifyDeviceType(r.Info);
        r.Channels << TChannelData{2, TStrList{"[COMMONDATA]", "a=2461", "^=m3          ", "l=00012345", "e=night\r\nshift"}};
        return r;
    }
};

TEST_F(ReadCommonOutput, TextHoldsRawItemsAndShownValuesOnOneLineEach) {
    const QStringList lines = CommonDataText(Report()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.first(), "[DEVICE]");
    EXPECT_TRUE(lines.contains("TypeName=QT-700/V2"));
    EXPECT_TRUE(lines.contains("ChannelCount=4"));
    EXPECT_TRUE(lines.contains("[CHANNEL 2]"));
    EXPECT_TRUE(lines.contains("a=2461"));
    EXPECT_FALSE(lines.contains("[COMMONDATA]"));       // a list line without a key is no item
    EXPECT_TRUE(lines.contains("e=night shift"));       // a line break never splits a key=value line
    EXPECT_TRUE(lines.contains("DeviceType=QT-700/V2"));
    EXPECT_TRUE(lines.contains("Unit=m3"));
}

TEST_F(ReadCommonOutput, JsonKeepsRawTextsAndTheWindowsValues) {
    const QJsonObject root = QJsonDocument::fromJson(CommonDataJson(Report())).object();
    EXPECT_EQ(root["device"].toObject()["typeCode"].toInt(), 24);
    EXPECT_EQ(root["device"].toObject()["software"].toString(), "6.1");
    const QJsonObject channel = root["channels"].toArray()[0].toObject();
    EXPECT_EQ(channel["channel"].toInt(), 2);
    EXPECT_EQ(channel["items"].toObject()["^"].toString(), "m3          ");   // raw, untrimmed
    EXPECT_EQ(channel["values"].toObject()["Unit"].toString(), "m3");
}

// ---- device texts reach a terminal as text, never as control sequences ----

struct TEscapeRow {
    QString raw, shown;
};

TEST(ReadOutputEscapes, ControlCharactersAreWrittenAsEscapesAndTextStaysAsItIs) {
    const TEscapeRow rows[] = {
        {"plain 12.5 m3", "plain 12.5 m3"},
        {QString::fromUtf8("Grüße € ›"), QString::fromUtf8("Grüße € ›")},
        {"\x1B]0;owned\x07", "\\x1B]0;owned\\x07"},
        {"\x1B[2J\x1B[1;31m", "\\x1B[2J\\x1B[1;31m"},
        {QString("a") + QChar(0x7F) + QChar(0x9B) + QChar(0x81) + "b", "a\\x7F\\u009B\\u0081b"},
        {QString("nul") + QChar(0) + "tab\t", "nul\\x00tab\\x09"},
    };
    for (const TEscapeRow &r : rows) EXPECT_EQ(EscapeControls(r.raw), r.shown) << r.raw.toStdString();
    EXPECT_EQ(EscapeControls("a\tb\nc\x1B", u"\t\n"), "a\tb\nc\\x1B");
}

TEST_F(ReadCommonOutput, DeviceTextsWithControlCharactersAreEscapedInEveryFormat) {
    TCommonReport r = Report();
    const QString hostile = QString("\x1B]0;x\x07") + QChar(0x9B) + "2J" + QChar(0x7F);
    r.Channels[0].Items << "f=" + hostile;
    r.Info.IdentText += "\x1B[5m";

    const QString text = CommonDataText(r);
    EXPECT_TRUE(text.split('\n').contains("f=\\x1B]0;x\\x07\\u009B2J\\x7F")) << text.toStdString();
    EXPECT_TRUE(text.contains("IdentText=2461\\x1B[5m"));

    const QByteArray json = CommonDataJson(r);
    for (const char *raw : {"\x1B", "\x07", "\x7F", "\xC2\x9B"}) EXPECT_FALSE(json.contains(raw)) << json.toStdString();
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(json, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(root["channels"].toArray()[0].toObject()["items"].toObject()["f"].toString(), hostile)
        << "JSON escapes read back to the text as the device sent it";
    EXPECT_EQ(root["device"].toObject()["identText"].toString(), "2461\x1B[5m");
}

TEST(ReadCsv, ProcessCellsEscapeControlsButCsvKeepsItsQuotedLineBreaks) {
    const QStringList cells{"12:00\x1B[2J", "two\nlines", "tab\there", QString(QChar(0x9B))};
    EXPECT_EQ(ProcessLine(cells, true, '\t'), "12:00\\x1B[2J,\"two\nlines\",tab\there,\\u009B\n");
    EXPECT_EQ(ProcessLine(cells, false, '\t'), "12:00\\x1B[2J\ttwo lines\ttab\\x09here\t\\u009B\n")
        << "a plain row keeps one line and one column per cell";
}

// ---- the access code without the process list ----

class ReadAccessCode : public ::testing::Test {
protected:
    void SetUp() override { qunsetenv(kAccessCodeVariable); }
    void TearDown() override { qunsetenv(kAccessCodeVariable); }
    QString WriteCodeFile(const QByteArray &content) {
        const QString path = dir.path() + "/code";
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(ReadAccessCode, FileGivesItsFirstLineWithoutTheLineEnd) {
    const struct { QByteArray content; QString code; } rows[] = {
        {"12345678\n", "12345678"}, {"12345678\r\nsecond line\n", "12345678"}, {"4711", "4711"},
        {" 1234 \n", "1234"}, {"123456789\n", "12345678"}, {"\n", ""}};
    for (const auto &row : rows) {
        const TReadParse r = ParseReadArguments({"common", "--access-code-file", WriteCodeFile(row.content)});
        ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
        EXPECT_EQ(r.Options.AccessCode, row.code) << row.content.toStdString();
    }
}

TEST_F(ReadAccessCode, EnvironmentCountsOnlyWithoutAnOption) {
    qputenv(kAccessCodeVariable, " 87654321 ");
    EXPECT_EQ(Parse("common").Options.AccessCode, QString("87654321"));
    EXPECT_EQ(Parse("common --access-code 11").Options.AccessCode, QString("11"));
    const QString file = WriteCodeFile("22\n");
    EXPECT_EQ(ParseReadArguments({"common", "--access-code-file=" + file}).Options.AccessCode, QString("22"));
    qunsetenv(kAccessCodeVariable);
    EXPECT_FALSE(Parse("common").Options.AccessCode.has_value()) << "the settings' code stays";
}

TEST_F(ReadAccessCode, UnreadableFileOrBothOptionsAreBadArguments) {
    TReadParse r = ParseReadArguments({"common", "--access-code-file", dir.path() + "/missing"});
    EXPECT_TRUE(r.Error.contains(dir.path() + "/missing")) << r.Error.toStdString();
    r = ParseReadArguments({"common", "--access-code-file", dir.path()});
    EXPECT_FALSE(r.Error.isEmpty()) << "a directory is no code file";
    r = ParseReadArguments({"common", "--access-code", "1", "--access-code-file", WriteCodeFile("2\n")});
    EXPECT_TRUE(r.Error.contains("exclude")) << r.Error.toStdString();
    EXPECT_TRUE(ReadUsageText().contains("--access-code-file FILE"));
    EXPECT_TRUE(ReadUsageText().contains(kAccessCodeVariable));
}

} // namespace
