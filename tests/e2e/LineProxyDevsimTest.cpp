// The program against devsim through a line that damages, loses, holds back or cuts what passes
// (tests/support/LineProxy): whatever the line does, an archive file holds exactly the device's records,
// a write lands exactly, a process data row shows the device's values, or the run fails and says why.
#include "e2e/ReadoutDevsimFixture.h"

#include "comm/Items.h"
#include "main/CommonDataWrite.h"
#include "read/ReadOptions.h"
#include "readout/ArchiveReadout.h"
#include "readout/ProcessCsv.h"
#include "readout/ProcessData.h"
#include "support/LineProxy.h"

#include <QProcess>

using namespace korvul;
using namespace readouttest;
using korvultest::LineProxy;
using Mode = LineProxy::Mode;
using namespace std::chrono_literals;

namespace {

LineProxy::Fault Fault(Mode mode, int afterRequests, int every = 0, int direction = LineProxy::Both) {
    LineProxy::Fault f;
    f.mode = mode;
    f.afterRequests = afterRequests;
    f.every = every;
    f.direction = direction;
    return f;
}

class ProxyDevsim : public ReadoutDevsim {
protected:
    void SetUp() override {
        ReadoutDevsim::SetUp();
        if (IsSkipped()) return;
        if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
    }
    void TearDown() override {
        ReadoutDevsim::TearDown();  // the program's line first, then the proxy behind it
        proxy.Stop();
    }
    QString SimLink() const { return home.korvulDir() + "/ports/SIM"; }

    // devsim on its own link with a state file (written once first, so the test knows the device's
    // data), and the proxy between COM1 and it.
    void StartBehindProxy(const QStringList &args, const LineProxy::Fault &fault) {
        const QStringList all = args + QStringList{"--state", StateFile()};
        ASSERT_TRUE(sim.Start(all, SimLink(), kScale));
        sim.Stop();
        QFile f(StateFile());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "devsim wrote no state";
        state = QJsonDocument::fromJson(f.readAll()).object();
        f.close();
        ASSERT_TRUE(sim.Start(all, SimLink(), kScale));
        ASSERT_TRUE(proxy.Start(Link(), SimLink(), fault));
    }
    // The state devsim saves when it ends.
    QJsonObject FinalState() {
        sim.Stop();
        QFile f(StateFile());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    TToolRun Tool(const QStringList &args, int deadlineMs = 180000) {
        SaveSettingsTo(home.iniPath(), Settings());
        QFile ini(home.iniPath());
        EXPECT_TRUE(ini.open(QIODevice::Append));
        ini.write("[LANGUAGE]\r\nLANGUAGE=EN\r\n");
        ini.close();
        QProcessEnvironment scale;
        scale.insert("KORVUL_TIME_SCALE", QString::number(kScale));
        return RunReadTool(home.path(), args, scale, deadlineMs);
    }
    QStringList ToolFiles() const { return QDir(toolFiles.path()).entryList(QDir::Files | QDir::Hidden); }

    LineProxy proxy;
    QTemporaryDir toolFiles;
};

// ---- archive records ----

struct TArchiveCase {
    const char *name;
    LineProxy::Fault fault;
    bool mustFinish;   // light enough that the repeats must carry the readout through
};
void PrintTo(const TArchiveCase &c, std::ostream *os) { *os << c.name; }
class ProxyArchive : public ProxyDevsim, public ::testing::WithParamInterface<TArchiveCase> {};

// Reading a record moves the device on, so a damaged answer or request must never cost or double a
// record: the file holds exactly the device's records, or there is no file, a failure code and a reason.
TEST_P(ProxyArchive, FileIsExactOrThereIsNoneAndAReason) {
    const TArchiveCase &c = GetParam();
    StartBehindProxy({"--type", "2461", "--archive-size", "1800"}, c.fault);
    const QStringList device = DeviceRecords(0);
    const TToolRun r = Tool({"archive", "--mode", "dump", "--dir", toolFiles.path()});
    EXPECT_TRUE(proxy.Triggered()) << "the fault never started";
    if (c.fault.mode == Mode::Noise) {
        EXPECT_GT(proxy.Flipped(), 3);
    }
    if (r.exitCode != 0) {
        EXPECT_TRUE(ToolFiles().isEmpty()) << "a failed readout leaves no file";
        EXPECT_FALSE(r.err.trimmed().isEmpty()) << "a failed readout says why";
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(c.mustFinish) << r.err.toStdString();
        return;
    }
    ASSERT_EQ(ToolFiles(), QStringList{"tempz.999"});
    const QStringList records = FileRecords(FileLines(toolFiles.filePath("tempz.999")));
    EXPECT_EQ(records.size(), device.size());
    EXPECT_EQ(records, device.mid(0, records.size()));
}

LineProxy::Fault Slow() {
    LineProxy::Fault f = Fault(Mode::Slow, 5, 0, LineProxy::FromDevice);
    f.delay = 1ms;
    return f;
}
LineProxy::Fault MuteFor(std::chrono::milliseconds d) {
    LineProxy::Fault f = Fault(Mode::Mute, 40);
    f.duration = d;
    return f;
}

INSTANTIATE_TEST_SUITE_P(Faults, ProxyArchive, ::testing::Values(
    TArchiveCase{"NoiseToDevice", Fault(Mode::Noise, 3, 61, LineProxy::ToDevice), false},
    TArchiveCase{"NoiseFromDevice", Fault(Mode::Noise, 3, 113, LineProxy::FromDevice), true},
    TArchiveCase{"NoiseBothWays", Fault(Mode::Noise, 3, 89, LineProxy::Both), false},
    TArchiveCase{"HeavyNoiseBothWays", Fault(Mode::Noise, 3, 17, LineProxy::Both), false},
    TArchiveCase{"SlowAnswers", Slow(), true},
    TArchiveCase{"DeviceMutedForAMoment", MuteFor(30ms), false}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- a line that drops ----

struct TCloseCase {
    const char *name;
    int afterRequests;
};
void PrintTo(const TCloseCase &c, std::ostream *os) { *os << c.name; }
class ProxyClose : public ProxyDevsim, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(ProxyClose, DroppedLineLeavesNoFileEndsWithNoAnswerAndSaysSo) {
    StartBehindProxy({"--type", "2461", "--archive-size", "1200"}, Fault(Mode::Close, GetParam().afterRequests));
    const TToolRun r = Tool({"archive", "--mode", "dump", "--dir", toolFiles.path()}, 60000);
    EXPECT_TRUE(proxy.Triggered());
    EXPECT_EQ(r.exitCode, kExitNoAnswer) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no answer from the device on COM1")) << r.err.toStdString();
    EXPECT_TRUE(ToolFiles().isEmpty());
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Moments, ProxyClose, ::testing::Values(
    TCloseCase{"WhileIdentifying", 3}, TCloseCase{"AmongTheRecords", 60}, TCloseCase{"LateInTheArchive", 120}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- writing common data ----

class ProxyWrite : public ProxyDevsim, public ::testing::WithParamInterface<int> {};

// Every write either lands with exactly its value (read back from the device's saved state) or is
// reported; a reported write has its old or its new value, never a third one.
TEST_P(ProxyWrite, EachWriteLandsExactlyOrIsReported) {
    StartBehindProxy({"--type", "2461"}, LineProxy::Fault{});
    const QJsonObject before = state.value("channels").toArray()[0].toObject().value("items").toObject();
    struct TRow { char code, key; QString text; };
    const QList<TRow> rows = {{'m', 'l', "000012345678"}, {'k', 'j', "000087654321"}, {'i', 'h', "000011223344"},
                              {'u', 't', "00042000"}, {'S', 'R', "00007DFF"}, {'_', '^', "m3          "}};
    QList<int> results;
    QString failure;
    Connect();
    WriteItemOrRaise('c', Settings().ACCESSCODE.toLatin1());   // write access for this session
    proxy.Arm(Fault(Mode::Noise, 0, GetParam(), LineProxy::Both));
    try {
        TStrList commonData;
        for (const TRow &row : rows) results << WriteItem(uint8_t(row.code), QString(row.key), row.text, commonData);
    } catch (const TCommClassException &e) {
        failure = e.Message();
    }
    comm.reset();
    SetCommObjectForTests(nullptr);
    const QJsonObject after = FinalState().value("channels").toArray()[0].toObject().value("items").toObject();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString key = QString::number(int(rows[i].key));
        const QString now = after.value(key).toString();
        if (i < results.size() && results[i] == 0) {
            EXPECT_EQ(now, rows[i].text) << rows[i].code << " was reported written";
        } else {
            EXPECT_TRUE(now == rows[i].text || now == before.value(key).toString()) << rows[i].code << ": " << now.toStdString();
        }
    }
    if (results.size() < rows.size()) {
        EXPECT_FALSE(failure.isEmpty()) << "a write that did not run is reported";
    }
    // A refusal (a result above 0) is reported: two flips 7 bytes apart cancel in the BCC, so a damaged
    // value can reach the device, which refuses it as malformed (03).
    EXPECT_GT(proxy.Flipped(), 0);
}

INSTANTIATE_TEST_SUITE_P(NoiseEvery, ProxyWrite, ::testing::Values(7, 13, 29, 53));

// ---- process data ----

struct TProcessCase {
    const char *name;
    LineProxy::Fault fault;
    bool replaces;   // the proxy must have replaced an answer (the program then asks again)
};
void PrintTo(const TProcessCase &c, std::ostream *os) { *os << c.name; }
class ProxyProcess : public ProxyDevsim, public ::testing::WithParamInterface<TProcessCase> {};

// A damaged answer is asked for again or reported without a row; every row shown is one the device sent. devsim's
// answer n has the volumes 123456.0 + n/10 and 234567.0 + n/10, so a correct row's second volume is
// the first plus 111111.0, which a damaged digit breaks.
TEST_P(ProxyProcess, DamagedAnswerIsReportedNeverShownAsAValue) {
    const TProcessCase &c = GetParam();
    StartBehindProxy({"--type", "9301"}, LineProxy::Fault{});
    // The requests before the first process data request (sign-on, identification, sign-off) are
    // counted on a clean run; the fault's trigger counts from the first process data request.
    ASSERT_EQ(Tool({"process", "--count", "1"}).exitCode, 0);
    const int before = proxy.Requests() - 1;
    ASSERT_GT(before, 0);
    LineProxy::Fault fault = c.fault;
    fault.afterRequests += before;
    proxy.Stop();
    ASSERT_TRUE(proxy.Start(Link(), SimLink(), fault));
    const int count = 12;
    const TToolRun r = Tool({"process", "--csv", "--count", QString::number(count), "--period", "1"});
    EXPECT_TRUE(proxy.Triggered());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    lines.removeFirst();
    const qsizetype lost = r.err.count("unusable (checksum or layout); no row");
    EXPECT_EQ(lines.size() + lost, count) << r.err.toStdString();
    EXPECT_EQ(proxy.Replaced(), c.replaces);
    for (const QString &line : lines) {
        const QStringList cells = line.split(',');
        ASSERT_EQ(cells.size(), kCsvColumns) << line.toStdString();
        EXPECT_EQ(cells[kCsvStatus], "Ok") << line.toStdString();
        bool ok1 = false, ok2 = false;
        const double v1 = cells[kCsvVolume].toDouble(&ok1), v2 = cells[kCsvCorrectedVolume].toDouble(&ok2);
        ASSERT_TRUE(ok1 && ok2) << line.toStdString();
        EXPECT_NEAR(v2 - v1, 111111.0, 0.01) << line.toStdString();
        EXPECT_GE(v1, 123456.0) << line.toStdString();
        EXPECT_LT(v1, 123456.0 + count) << line.toStdString();
    }
}

LineProxy::Fault ReplaceAnswer(int afterRequests, const QByteArray &bytes) {
    LineProxy::Fault f = Fault(Mode::Replace, afterRequests);
    f.bytes = bytes;
    return f;
}
// A P67 answer whose checksum does not fit a volume changed from 123456.0 to 923456.0.
const QByteArray kForgedP67 = "/ZQVNX-18 9301" + QByteArray(44, ' ') +
    "2026-01-01,00:00:00,9234560D-1,2345670D-1,28815D-2,01013D-3,09980D-4,10150D-4,80000000,01250D-2,01500D-2,%"
    "1A2B\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(Faults, ProxyProcess, ::testing::Values(
    TProcessCase{"NoiseFromDevice", Fault(Mode::Noise, 0, 97, LineProxy::FromDevice), false},
    TProcessCase{"NoiseBothWays", Fault(Mode::Noise, 0, 41, LineProxy::Both), false},
    TProcessCase{"ForgedAnswer", ReplaceAnswer(3, kForgedP67), true},
    TProcessCase{"CutAnswer", ReplaceAnswer(3, "/ZQVNX-18 9301   "), true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
