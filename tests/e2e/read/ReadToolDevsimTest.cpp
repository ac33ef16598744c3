// korvul-read against devsim through the real drivers, run as a separate process the way a script runs
// it: common data as text and JSON, archive files equal to the readout window's for the same device
// state, process data as CSV, and one exit code for each way a readout fails.
#include "e2e/ReadoutDevsimFixture.h"

#include "comm/Items.h"
#include "read/ReadOptions.h"
#include "readout/ArchiveReadout.h"
#include "readout/ProcessCsv.h"
#include "readout/ProcessData.h"

#include <QDir>
#include <QJsonParseError>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <sys/stat.h>

using namespace korvul;
using namespace readouttest;

namespace {

class ReadToolDevsim : public ReadoutDevsim {
protected:
    // Runs build/bin/korvul-read with the test's private configuration and no display.
    TToolRun Tool(const QStringList &args, int deadlineMs = 60000, const QProcessEnvironment &extra = {}) {
        SaveSettingsTo(home.iniPath(), Settings());
        QFile ini(home.iniPath());   // the language of the test's own texts (never written by a save)
        EXPECT_TRUE(ini.open(QIODevice::Append));
        ini.write("[LANGUAGE]\r\nLANGUAGE=EN\r\n");
        ini.close();
        QProcessEnvironment env = extra;
        env.insert("KORVUL_TIME_SCALE", QString::number(kScale));
        return RunReadTool(home.path(), args, env, deadlineMs);
    }
    void SetUp() override {
        ReadoutDevsim::SetUp();
        if (IsSkipped()) return;
        if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
    }
    // Frees the port for the tool: the test's own connection is ended and the line closed.
    void ReleasePort() {
        if (comm->State() & csLineOpen) DisconnectDeviceAndModem();
    }
    // Starts devsim anew on a copy of the state saved before, so a second readout sees the same device.
    void RestartOn(const QString &savedState) {
        sim.Stop();
        QFile::remove(StateFile());
        ASSERT_TRUE(QFile::copy(savedState, StateFile()));
        ASSERT_TRUE(sim.Start(devsimArgs + QStringList{"--state", StateFile()}, Link(), kScale));
    }
    void StartWithState(const QStringList &args) {
        devsimArgs = args;
        StartDevsim(args);
    }
    // The device clock (z) and the time of the last access (g, set at every sign-on) move between runs.
    static QStringList WithoutClock(QStringList lines) {
        lines.removeIf([](const QString &l) { return l.startsWith("z=") || l.startsWith("g="); });
        return lines;
    }

    QStringList devsimArgs;
    QTemporaryDir toolFiles;
};

// ---- --help and --version ----

TEST(ReadToolNoDevice, HelpAndVersionWorkWithoutDisplayOrDevice) {
    korvultest::TempConfigHome home;
    if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
    for (const QString &arg : {QString("--help"), QString("--version")}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
        env.insert("XDG_CONFIG_HOME", home.path());
        p.setProcessEnvironment(env);
        p.start(korvultest::BinDir() + "/korvul-read", {arg});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << arg.toStdString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (arg == "--help") {
            EXPECT_TRUE(out.contains("Exit codes:"));
            EXPECT_TRUE(out.contains("korvul-read [options] archive"));
        } else {
            EXPECT_EQ(out.trimmed(), QString("korvul-read ") + KORVUL_VERSION);
        }
        EXPECT_TRUE(p.readAllStandardError().isEmpty());
    }
}

// ---- common data ----

struct TCommonCase {
    const char *ident, *typeName;
    bool json;
};
void PrintTo(const TCommonCase &c, std::ostream *os) { *os << c.ident << (c.json ? " json" : " text"); }
class ReadToolCommon : public ReadToolDevsim, public ::testing::WithParamInterface<TCommonCase> {};

TEST_P(ReadToolCommon, PrintsTheIdentificationRawItemsAndShownValues) {
    const TCommonCase &c = GetParam();
    ASSERT_TRUE(sim.Start({"--type", c.ident}, Link(), kScale));
    const TToolRun r = Tool(c.json ? QStringList{"common", "--json"} : QStringList{"common"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    if (!c.json) {
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(lines.contains(QString("a=") + c.ident));
        EXPECT_TRUE(lines.contains(QString("TypeName=") + c.typeName));
        EXPECT_TRUE(lines.contains(QString("DeviceType=") + c.typeName));
        EXPECT_TRUE(lines.contains("WriteAccess=1"));
        EXPECT_TRUE(lines.contains("[CHANNEL 1]"));
        EXPECT_TRUE(lines.contains("Y=00")) << "the first channel, as after connecting in the main window";
        EXPECT_EQ(lines.filter(QRegularExpression("^Date=\\S")).size(), 1);
        EXPECT_EQ(lines.filter(QRegularExpression("^SetCounter=\\S+ \\S")).size(), 1) << "counter with unit";
        return;
    }
    const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(root["device"].toObject()["typeName"].toString(), c.typeName);
    EXPECT_TRUE(root["device"].toObject()["writeAccess"].toBool());
    const QJsonArray channels = root["channels"].toArray();
    ASSERT_EQ(channels.size(), 1);
    const QJsonObject items = channels[0].toObject()["items"].toObject();
    const QJsonObject values = channels[0].toObject()["values"].toObject();
    EXPECT_EQ(items["a"].toString(), c.ident);
    EXPECT_FALSE(items["b"].toString().isEmpty());
    EXPECT_EQ(values["DeviceType"].toString(), c.typeName);
    EXPECT_FALSE(values["Time"].toString().isEmpty());
    EXPECT_FALSE(channels[0].toObject()["units"].toObject()["SetCounter"].toString().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Devices, ReadToolCommon, ::testing::Values(
    TCommonCase{"2461", "QT-700/V2", false}, TCommonCase{"2461", "QT-700/V2", true},
    TCommonCase{"9140", "NX-17", false}, TCommonCase{"9140", "NX-17", true}),
    [](const auto &info) { return std::string(info.param.ident) + (info.param.json ? "Json" : "Text"); });

TEST_F(ReadToolDevsim, CommonDataOfOneChannelOrOfEveryChannel) {
    ASSERT_TRUE(sim.Start({"--type", "2133"}, Link(), kScale));
    TToolRun r = Tool({"common", "--channel", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("[CHANNEL 3]\n"));
    EXPECT_TRUE(r.out.contains("\nY=02\n"));
    EXPECT_FALSE(r.out.contains("[CHANNEL 1]"));

    r = Tool({"common", "--all-channels", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray channels = QJsonDocument::fromJson(r.out.toUtf8()).object()["channels"].toArray();
    ASSERT_EQ(channels.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(channels[i].toObject()["channel"].toInt(), i + 1);
        EXPECT_EQ(channels[i].toObject()["items"].toObject()["Y"].toString(), QString("0%1").arg(i));
    }

    r = Tool({"common", "--channel", "5"});
    EXPECT_EQ(r.exitCode, kExitArguments);
    EXPECT_TRUE(r.err.contains("no channel 5")) << r.err.toStdString();
}

// ---- archive: the same files as the readout window ----

class ReadToolArchive : public ReadToolDevsim, public ::testing::WithParamInterface<const char *> {};

TEST_P(ReadToolArchive, WritesTheFileTheReadoutWindowWrites) {
    const QString mode = GetParam();
    Settings().CODEMARK = mode == "codemark" ? 5 : 0;
    StartWithState({"--type", "2461", "--archive-size", "1200", "--code-mark", "5@30"});
    const QString saved = home.path() + "/state-before.json";
    ASSERT_TRUE(QFile::copy(StateFile(), saved));
    Connect();
    TReadArchHost host;
    host.Mode = mode;
    ASSERT_EQ(RunReadout(host), 1);
    ASSERT_EQ(ArchiveFiles(), QStringList{"tempz.999"});
    ReleasePort();
    RestartOn(saved);

    const TToolRun r = Tool({"archive", "--mode", mode, "--dir", toolFiles.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString file = toolFiles.filePath("tempz.999");
    EXPECT_EQ(r.out, file + "\n");
    const QStringList window = FileLines(files.filePath("tempz.999"));
    const QStringList tool = FileLines(file);
    ASSERT_GT(FileRecords(tool).size(), 0);
    EXPECT_EQ(WithoutClock(tool), WithoutClock(window));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadToolArchive, ::testing::Values("complete", "bom", "codemark", "dump"),
                         [](const auto &info) { return std::string(info.param); });

TEST_F(ReadToolDevsim, ArchiveOfEveryChannelSkipsTheChannelWithoutCustomerNumber) {
    StartWithState({"--type", "2133", "--archive-size", "600", "--customer-number", "3:0"});
    ReleasePort();
    const TToolRun r = Tool({"archive", "--channel", "all", "--mode", "complete", "--dir", toolFiles.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.split('\n', Qt::SkipEmptyParts),
              (QStringList{toolFiles.filePath("tempz.999"), toolFiles.filePath("tempz.998"), toolFiles.filePath("tempz.997")}));
    EXPECT_TRUE(r.err.contains(LanguageFormat(kTextNoCustomer, {3}))) << r.err.toStdString();
    const int channelOfFile[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        const QStringList lines = FileLines(toolFiles.filePath(QString("tempz.%1").arg(999 - i)));
        EXPECT_TRUE(lines.contains(QString("Y=0%1").arg(channelOfFile[i]))) << i;
        const QStringList records = FileRecords(lines);
        EXPECT_EQ(records, DeviceRecords(channelOfFile[i]).mid(0, records.size())) << i;
    }
}

// ---- process data ----

// The CSV layout of the window's "Save as CSV": titles with units, an ISO 8601 time stamp with date,
// dot decimals, the status as Ok/Er and as the register.
TEST_F(ReadToolDevsim, ProcessDataAsCsvWithTheWindowsTitlesAndOneRowPerRequest) {
    ASSERT_TRUE(sim.Start({"--type", "9301"}, Link(), kScale));
    const TToolRun r = Tool({"process", "--csv", "--count", "3", "--period", "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0] + '\n', ProcessCsvHeader(93));
    EXPECT_TRUE(lines[0].contains(LanguageText(323) + " [bar]")) << lines[0].toStdString();
    for (int i = 1; i < 4; ++i) {
        const QStringList cells = lines[i].split(',');
        ASSERT_EQ(cells.size(), kCsvColumns) << lines[i].toStdString();
        EXPECT_TRUE(QDateTime::fromString(cells[kCsvStamp], Qt::ISODate).isValid()) << lines[i].toStdString();
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-Z]").match(cells[kCsvStamp]).hasMatch())
            << lines[i].toStdString();
        EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(cells[kCsvDeviceTime]).hasMatch()) << lines[i].toStdString();
        EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+$").match(cells[kCsvPressure]).hasMatch()) << lines[i].toStdString();
        EXPECT_EQ(cells[kCsvStatus], "Ok");
        EXPECT_EQ(cells[kCsvStatusRegister], "0x80000000");
    }
}

TEST_F(ReadToolDevsim, ProcessDataWithABadChecksumPrintsNoRowAndSaysSo) {
    ASSERT_TRUE(sim.Start({"--type", "9301", "--bad-checksum"}, Link(), kScale));
    const TToolRun r = Tool({"process", "--count", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1) << "titles only";
    EXPECT_TRUE(r.err.contains("no row")) << r.err.toStdString();
}

// ---- exit codes ----

struct TExitCase {
    const char *name;
    QStringList devsim;   // empty: no device at all
    QStringList tool;
    int exitCode;
    const char *errorPart;
};
void PrintTo(const TExitCase &c, std::ostream *os) { *os << c.name; }
class ReadToolExit : public ReadToolDevsim, public ::testing::WithParamInterface<TExitCase> {};

TEST_P(ReadToolExit, EachFailureHasItsOwnExitCode) {
    const TExitCase &c = GetParam();
    if (!c.devsim.isEmpty()) {
        ASSERT_TRUE(sim.Start(c.devsim, Link(), kScale));
    }
    QStringList args = c.tool;
    args.replaceInStrings("$DIR", toolFiles.path());
    const TToolRun r = Tool(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.errorPart)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Failures, ReadToolExit, ::testing::Values(
    TExitCase{"NoPort", {}, {"common", "--port", "$DIR/no-such-port"}, kExitPort, "cannot open port"},
    TExitCase{"SilentDevice", {"--type", "2461", "--silent"}, {"archive", "--dir", "$DIR"}, kExitNoAnswer, "no answer"},
    TExitCase{"RefusedIdentification", {"--type", "2461", "--refuse", "a:6"}, {"common"}, kExitRefused, "refused"},
    TExitCase{"BusyModem", {"--type", "2461", "--modem", "--modem-answer", "busy"}, {"common", "--modem", "0815"},
              kExitModem, "dialling 0815"},
    TExitCase{"BadArguments", {}, {"archive", "--mode", "weekly"}, kExitArguments, "weekly"},
    TExitCase{"MissingSettingsFile", {}, {"common", "--settings", "/nonexistent/korvul.ini"}, kExitArguments, "/nonexistent/korvul.ini"},
    TExitCase{"ArchiveDirectoryMissing", {}, {"archive", "--dir", "$DIR/missing"}, kExitFile, "missing"},
    TExitCase{"NoProcessData", {"--type", "2461"}, {"process"}, kExitOther, "no process data"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReadToolDevsim, PortHeldByAnotherProgramCannotBeOpened) {
    ASSERT_TRUE(sim.Start({"--type", "2461"}, Link(), kScale));
    Connect();   // this test holds the line, as korvul would
    const TToolRun r = Tool({"common"});
    EXPECT_EQ(r.exitCode, kExitPort) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("cannot open port COM1")) << r.err.toStdString();
}

TEST_F(ReadToolDevsim, RefusedAccessCodeStillDeliversTheDataButSaysSo) {
    ASSERT_TRUE(sim.Start({"--type", "2461", "--access-code", "87654321"}, Link(), kScale));
    const TToolRun r = Tool({"common"});
    EXPECT_EQ(r.exitCode, kExitRefused);
    EXPECT_TRUE(r.err.contains("refused the access code")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\nWriteAccess=0\n"));
    EXPECT_TRUE(r.out.contains("\na=2461\n"));
}

TEST_F(ReadToolDevsim, InterruptKeepsTheFinishedChannelsAndNoHalfFile) {
    // 4800 baud: a channel takes seconds, so the interrupt lands inside the second one.
    ASSERT_TRUE(sim.Start({"--type", "2133", "--archive-size", "600", "--baud", "4800"}, Link(), kScale));
    SaveSettingsTo(home.iniPath(), Settings());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("KORVUL_TIME_SCALE", QString::number(kScale));
    p.setProcessEnvironment(env);
    p.start(korvultest::BinDir() + "/korvul-read", {"archive", "--channel", "all", "--mode", "dump", "--dir", toolFiles.path()});
    const QString first = toolFiles.filePath("tempz.999");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return QFile::exists(first); }, std::chrono::seconds(30)));
    ::kill(p.processId(), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), kExitInterrupted);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), first + "\n");
    EXPECT_EQ(QDir(toolFiles.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tempz.999"});
}

// ---- line noise: every record exact, or no file and a reason ----

struct TNoiseCase {
    const char *name;
    const char *mode;
    QStringList devsimArgs;
};
void PrintTo(const TNoiseCase &c, std::ostream *os) { *os << c.name; }

class ReadToolLineNoise : public ReadToolDevsim, public ::testing::WithParamInterface<TNoiseCase> {};

// Reading an archive record moves the device on to the next one, so a damaged or lost answer must be
// asked for again, not read anew: the file holds exactly the device's records, numbered without a gap.
TEST_P(ReadToolLineNoise, ArchiveIsExactOrFailsLoudly) {
    StartWithState(QStringList{"--type", "2461", "--archive-size", "1800"} + GetParam().devsimArgs);
    const QStringList device = DeviceRecords(0);
    const TToolRun r = Tool({"archive", "--mode", GetParam().mode, "--dir", toolFiles.path()}, 180000);
    const QStringList written = QDir(toolFiles.path()).entryList(QDir::Files | QDir::Hidden);
    if (r.exitCode != 0) {
        EXPECT_TRUE(written.isEmpty()) << "a failed readout leaves no file";
        EXPECT_FALSE(r.err.trimmed().isEmpty()) << "a failed readout says why";
        EXPECT_TRUE(r.out.isEmpty());
        ADD_FAILURE() << "the repeat should have saved this readout: " << r.err.toStdString();
        return;
    }
    ASSERT_EQ(written, QStringList{"tempz.999"});
    const QStringList records = FileRecords(FileLines(toolFiles.filePath("tempz.999")));
    ASSERT_GT(records.size(), 100);
    EXPECT_EQ(records, device.mid(0, records.size()));
    if (QString(GetParam().mode) == "dump") {
        EXPECT_EQ(records.size(), device.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadToolLineNoise, ::testing::Values(
    TNoiseCase{"EveryThousandthByteDamaged", "dump", {"--corrupt-every", "1000"}},
    TNoiseCase{"EveryThreeHundredthByteDamaged", "dump", {"--corrupt-every", "300"}},
    TNoiseCase{"EveryHundredthByteDamaged", "dump", {"--corrupt-every", "100"}},
    TNoiseCase{"EveryFortiethByteDamaged", "dump", {"--corrupt-every", "40"}},
    // Not in erased memory: after a lost answer a repeat equal to the record before cannot be told
    // from the device repeating that record, and the readout fails rather than guess.
    TNoiseCase{"EveryFiftiethAnswerLost", "complete", {"--lose-answer-every", "50"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReadToolDevsim, BrokenLineKeepsNoHalfFileAndEndsWithNoAnswer) {
    ASSERT_TRUE(sim.Start({"--type", "2461", "--archive-size", "1200", "--drop-after", "20"}, Link(), kScale));
    const TToolRun r = Tool({"archive", "--mode", "dump", "--dir", toolFiles.path()});
    EXPECT_EQ(r.exitCode, kExitNoAnswer) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(LanguageText(kTextReadFailed))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(LanguageText(kTextReadSilent))) << "the cause is named";
    EXPECT_TRUE(QDir(toolFiles.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(r.out.isEmpty());
}

// ---- texts and codes that must not leak or act ----

// A device text with terminal control sequences (a title change, a screen clear) reaches the
// terminal as visible escapes; the JSON output carries it as JSON escapes and reads back unchanged.
TEST_F(ReadToolDevsim, DeviceTextWithControlSequencesCannotDriveTheTerminal) {
    ASSERT_TRUE(sim.Start({"--type", "2461"}, Link(), kScale));
    const QByteArray hostile("\x1B]2;pw\x07\x1B[2J!");   // 12 bytes, the reader name's length
    ASSERT_EQ(hostile.size(), 12);
    // The tool leaves its own reader name in the device at the end, so each run gets the text anew.
    auto plantText = [&] {
        Connect();
        WriteItemOrRaise('f', hostile);
        ReleasePort();
    };
    plantText();
    TToolRun r = Tool({"common"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const QChar c : {QChar(0x1B), QChar(0x07)}) EXPECT_FALSE(r.out.contains(c)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\ne=\\x1B]2;pw\\x07\\x1B[2J!\n")) << r.out.toStdString();

    plantText();
    r = Tool({"common", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const QChar c : {QChar(0x1B), QChar(0x07)}) EXPECT_FALSE(r.out.contains(c));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(doc.object()["channels"].toArray()[0].toObject()["items"].toObject()["e"].toString(),
              QString::fromLatin1(hostile));
}

// The access code reaches the device from a file or the environment, never from the command line.
TEST_F(ReadToolDevsim, AccessCodeFromAFileOrTheEnvironmentIsTaken) {
    ASSERT_TRUE(sim.Start({"--type", "2461", "--access-code", "87654321"}, Link(), kScale));
    Settings().ACCESSCODE.clear();
    const QString codeFile = toolFiles.path() + "/code";
    QFile f(codeFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("87654321\n");
    f.close();
    TToolRun r = Tool({"common", "--access-code-file", codeFile});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\nWriteAccess=1\n"));

    QProcessEnvironment env;
    env.insert("KORVUL_ACCESS_CODE", "87654321");
    r = Tool({"common"}, 60000, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\nWriteAccess=1\n"));

    env.insert("KORVUL_ACCESS_CODE", "11111111");
    r = Tool({"common"}, 60000, env);
    EXPECT_EQ(r.exitCode, kExitRefused) << "a wrong code from the environment is refused as any other";
}

class ReadToolUnreadableSettings : public ::testing::TestWithParam<const char *> {};

// A settings file that cannot be read is said once, naming it, and the run goes on with the defaults;
// a FIFO in its place is not waited on.
TEST_P(ReadToolUnreadableSettings, IsSaidOnceAndTheRunGoesOn) {
    korvultest::TempConfigHome home;
    if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
    const QString kind = GetParam();
    if (kind == "directory") ASSERT_TRUE(QDir().mkpath(home.iniPath()));
    else ASSERT_EQ(mkfifo(QFile::encodeName(home.iniPath()).constData(), 0600), 0);
    QTemporaryDir dir;
    const TToolRun r = RunReadTool(home.path(), {"common", "--port", dir.path() + "/no-such-port"}, {}, 30000);
    EXPECT_EQ(r.exitCode, kExitPort) << r.err.toStdString();
    const QStringList said = r.err.split('\n').filter("cannot be read");
    ASSERT_EQ(said.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(said[0].contains("settings file " + home.iniPath())) << said[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadToolUnreadableSettings, ::testing::Values("directory", "fifo"));

} // namespace
