// devsim as a program: its pseudo-terminal and link, SIGTERM, state file, baud throttling, channels,
// registers, archive memory, the line drop fault and the CLM-300 module, driven through the drivers.
#include "pty/ProtocolBinding.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace korvultest;
using namespace std::chrono;

namespace {

const std::string AccessCode("12345678", 8);

class Devsim : public ::testing::Test {
protected:
    QString Link() { QDir().mkpath(home.korvulDir() + "/ports"); return home.korvulDir() + "/ports/COM1"; }
    void Start(const QStringList &args, double timeScale = 0.05) {
        ASSERT_TRUE(drivers.Loaded());
        ASSERT_TRUE(sim.Start(args, Link(), timeScale));
        ASSERT_EQ(drivers.Bind("COM1"), 0);
        ASSERT_EQ(drivers.SetLineTimeout(300), 0);
    }
    void SignOnWithAccess() {
        ASSERT_EQ(drivers.SignOn(), 0);
        ASSERT_EQ(drivers.Write('c', AccessCode), 0);
    }
    void Reconnect() {
        ASSERT_EQ(drivers.SignOff(100), 0);
        ASSERT_EQ(drivers.SignOn(), 0);
    }
    TempConfigHome home;
    DevsimProcess sim;
    ProtocolBinding drivers;
};

// The configuration directory holds access codes: the folders devsim makes for its link are private.
TEST(DevsimLink, FoldersMadeForTheLinkArePrivate) {
    TempConfigHome home;
    const QString korvul = home.path() + "/korvul";   // korvulDir() would create it
    ASSERT_FALSE(QFileInfo::exists(korvul));
    DevsimProcess sim;
    ASSERT_TRUE(sim.Start({"--type", "2461"}, korvul + "/ports/COM1", 0.05));
    for (const QString &dir : {korvul, korvul + "/ports"}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0) << dir.toStdString();
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir.toStdString();
    }
}

std::string Frame(const std::string &body) {
    char bcc = 0;
    for (char c : body) bcc ^= c;
    return "\x01" + body + bcc;
}

TEST_F(Devsim, SigtermEndsCleanlyAndRemovesTheLink) {
    ASSERT_TRUE(sim.Start({"--type", "2461"}, Link()));
    const int status = sim.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(QFileInfo(Link()).isSymLink());
}

// A test process that dies leaves no simulator behind: devsim started by a shell that ends goes too,
// and removes its link as on SIGTERM.
TEST_F(Devsim, EndsWithItsParentWhenAskedTo) {
    const QString exe = BinDir() + "/devsim";
    const QString script = QString("'%1' --type 2461 --exit-with-parent --port-link '%2' 2>/dev/null & echo $!; "
                                   "while [ ! -e '%2' ]; do sleep 0.05; done").arg(exe, Link());
    FILE *shell = popen(script.toLocal8Bit().constData(), "r");
    ASSERT_NE(shell, nullptr);
    char line[32] = {};
    const bool gotPid = fgets(line, sizeof line, shell) != nullptr;
    pclose(shell);  // the shell has ended once the link exists
    ASSERT_TRUE(gotPid);
    const pid_t pid = pid_t(std::atoi(line));
    ASSERT_GT(pid, 0);
    const auto gone = [pid] {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        return close > 0 && text.mid(close + 2, 1) == "Z";
    };
    EXPECT_TRUE(WaitUntil(gone, seconds(5)));
    EXPECT_TRUE(WaitUntil([&] { return !QFileInfo(Link()).isSymLink(); }, seconds(5)));
}

TEST_F(Devsim, UnknownOptionEndsWithAnError) {
    EXPECT_FALSE(sim.Start({"--type", "2461", "--no-such-option"}, Link(), 0, milliseconds(2000)));
}

TEST_F(Devsim, StateFileKeepsWrittenValuesAcrossRestarts) {
    const QString state = home.path() + "/devsim-state.json";
    Start({"--type", "2461", "--state", state});
    SignOnWithAccess();
    ASSERT_EQ(drivers.Write('m', "000000000777"), 0);
    ASSERT_EQ(drivers.Write('d', "NEWCODE1"), 0);
    drivers.Release();
    sim.Stop();
    Start({"--type", "2461", "--state", state});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.ReadText('l'), "000000000777");
    EXPECT_EQ(drivers.Write('c', AccessCode), 6) << "the new access code was kept too";
    EXPECT_EQ(drivers.Write('c', "NEWCODE1"), 0);
}

// Reads the answers to 80 item requests at `baud`: the byte rate (slope of a least-squares line through
// the arrival time of every chunk against the bytes received before it, so a late wake-up at either end
// does not decide it) and the mean chunk size.
struct OutputTiming {
    std::size_t bytes = 0, chunks = 0;
    double rate = 0;
};

OutputTiming MeasureOutput(const QString &link) {
    OutputTiming out;
    const int fd = open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) return out;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    std::string requests = Frame("O\x03");
    for (int i = 0; i < 80; ++i) requests += Frame("Rl\x03");  // 80 answers of 15 bytes
    if (write(fd, requests.data(), requests.size()) != ssize_t(requests.size())) return out;
    std::vector<std::pair<double, double>> points;
    const auto start = steady_clock::now();
    while (out.bytes < 1 + 80 * 15 && steady_clock::now() - start < seconds(5)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) continue;
        points.emplace_back(duration<double>(steady_clock::now() - start).count(), double(out.bytes));
        out.bytes += std::size_t(n);
    }
    close(fd);
    out.chunks = points.size();
    double st = 0, sb = 0, stt = 0, stb = 0;
    for (const auto &[t, b] : points) { st += t; sb += b; stt += t * t; stb += t * b; }
    const double n = double(points.size());
    out.rate = (n * stb - st * sb) / (n * stt - st * st);
    return out;
}

// Output leaves at absolute per-byte deadlines, so a long answer burst keeps the nominal byte rate.
TEST_F(Devsim, ThrottledOutputKeepsTheBaudRate) {
    ASSERT_TRUE(sim.Start({"--type", "2461", "--baud", "9600", "--format", "8N1"}, Link()));
    const OutputTiming out = MeasureOutput(Link());
    ASSERT_EQ(out.bytes, 1u + 80 * 15);
    ASSERT_GT(out.chunks, 20u) << "enough points for the rate";
    EXPECT_NEAR(out.rate, 960.0, 960.0 * 0.005) << "measured " << out.rate << " bytes/s (10 bits a byte at 9600 baud)";
}

// Bytes come in groups of up to 8, as from a UART's receive FIFO, and
// the byte rate still holds.
TEST_F(Devsim, FastOutputComesInGroupsAtTheBaudRate) {
    ASSERT_TRUE(sim.Start({"--type", "2461", "--baud", "38400", "--format", "8N1"}, Link()));
    const OutputTiming out = MeasureOutput(Link());
    ASSERT_EQ(out.bytes, 1u + 80 * 15);
    EXPECT_GE(double(out.bytes) / double(out.chunks), 6.0) << out.chunks << " chunks";
    EXPECT_NEAR(out.rate, 3840.0, 3840.0 * 0.03) << "measured " << out.rate << " bytes/s (10 bits a byte at 38400 baud)";
}

TEST_F(Devsim, V2SelectsTheChannelByCommand) {
    Start({"--type", "2461"});
    SignOnWithAccess();
    ASSERT_EQ(drivers.Write(61, "0001"), 0);
    ASSERT_EQ(drivers.Write(62, "02"), 0);
    Reconnect();
    ASSERT_EQ(drivers.Write(61, "0001"), 0);
    std::string value;
    ASSERT_EQ(drivers.Read(60, value, 2), 0);
    EXPECT_EQ(value, "02");
    EXPECT_EQ(drivers.ReadText('Y'), "02");
    EXPECT_EQ(drivers.ReadText('^').substr(0, 3), "bar") << "channel 3 has its own items";
}

TEST_F(Devsim, QuickReconnectStepsToTheNextChannel) {
    Start({"--type", "2233"}, 1.0);
    ASSERT_EQ(drivers.SignOn(), 0);
    for (const char *expected : {"00", "01", "02", "03", "00"}) {
        EXPECT_EQ(drivers.ReadText('Y'), expected);
        Reconnect();
    }
}

TEST_F(Devsim, LargeArchiveSizeComesThroughRegister1401) {
    Start({"--type", "2461", "--archive-size", "100000"});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.ReadText('b'), "FFFF");
    ASSERT_EQ(drivers.Write(61, "1401"), 0);
    EXPECT_EQ(drivers.ReadText(64), "1401");
    const long share = std::stol(drivers.ReadText(60), nullptr, 16);
    EXPECT_GE(share * 102 - 256, 100000);
    EXPECT_LT(share * 102 - 256, 100000 + 102);
}

TEST_F(Devsim, SmallArchiveSizeIsAnsweredDirectly) {
    Start({"--type", "2461", "--archive-size", "6144"});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(std::stol(drivers.ReadText('b'), nullptr, 16) - 256, 6144);
}

// Records follow the newest-first layout with the code mark (value, FF9) and the end marker FF1.
TEST_F(Devsim, ArchiveRecordsCarryCodeMarksAndEndMarker) {
    Start({"--type", "2233", "--archive-size", "600", "--archive-records", "10", "--code-mark", "5@3"});
    ASSERT_EQ(drivers.SignOn(), 0);
    std::string words;
    std::string record;
    int records = 0;
    while (drivers.Read('x', record) == 0 && ++records <= 100) words += record;
    EXPECT_EQ(records, 100) << "memory of 600 bytes holds 100 records";
    EXPECT_EQ(words.substr(24, 6), "005FF9") << "code mark at record 3";
    EXPECT_EQ(words.substr(120, 3), "FF1") << "end marker after 10 records";
    EXPECT_EQ(words.substr(123, 3), "FFF");
    std::string text;
    EXPECT_EQ(drivers.Read('x', text), 8) << "reading past the memory is refused";
}

TEST_F(Devsim, WrittenCodeMarkBecomesTheNewestRecord) {
    Start({"--type", "2233"});
    ASSERT_EQ(drivers.SignOn(), 0);
    ASSERT_EQ(drivers.Write('~', "2A"), 0);
    Reconnect();
    Reconnect();
    Reconnect();
    Reconnect();  // back on channel 0 of four
    ASSERT_EQ(drivers.ReadText('Y'), "00");
    EXPECT_EQ(drivers.ReadText('x').substr(0, 6), "02AFF9");
}

TEST_F(Devsim, LineDropsAfterTheConfiguredRecords) {
    Start({"--type", "2461", "--drop-after", "5"});
    ASSERT_EQ(drivers.SignOn(), 0);
    std::string record;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(drivers.Read('x', record), 0) << i;
    EXPECT_EQ(drivers.Read('x', record), -13);
}

struct DeleteRow {
    const char *ident;
    int result;
};

class DeleteMeasurements : public Devsim, public ::testing::WithParamInterface<DeleteRow> {};

TEST_P(DeleteMeasurements, Register8801ClearsTheArchiveUnlessLocked) {
    Start({"--type", GetParam().ident});
    SignOnWithAccess();
    ASSERT_EQ(drivers.Write(61, "8801"), 0);
    EXPECT_EQ(drivers.Write(62, "01"), GetParam().result);
    const std::string first = drivers.ReadText('x');
    EXPECT_EQ(first.substr(0, 3) == "FF1", GetParam().result == 0) << first;
}

INSTANTIATE_TEST_SUITE_P(Types, DeleteMeasurements,
                         ::testing::Values(DeleteRow{"2233", 0}, DeleteRow{"2461", 4}));

TEST_F(Devsim, RegisterWriteNeedsAccess) {
    Start({"--type", "2461"});
    ASSERT_EQ(drivers.SignOn(), 0);
    ASSERT_EQ(drivers.Write(61, "2009"), 0);
    EXPECT_EQ(drivers.Write(62, "05"), 2);
    ASSERT_EQ(drivers.Write('c', AccessCode), 0);
    EXPECT_EQ(drivers.Write(62, "05"), 0);
    EXPECT_EQ(drivers.ReadText(60), "05");
}

TEST_F(Devsim, ModuleAnswersItsItemsAndPassesThroughToTheEndDevice) {
    Start({"--type", "6012", "--end-device", "9125"});
    ASSERT_EQ(drivers.SignOn(), 0);
    EXPECT_EQ(drivers.ReadText('a').substr(0, 2), "60");
    EXPECT_EQ(drivers.ReadText('h').size(), 4u * 47);
    EXPECT_EQ(drivers.ReadText('h').substr(31, 4), "9125") << "record 1 names the end device";
    EXPECT_EQ(drivers.ReadText('n').size(), 4u * 53);
    EXPECT_EQ(drivers.Write('A', "1WRONGPW"), 6);
    EXPECT_EQ(drivers.Write('A', "1PASSWORD"), 0);
    ASSERT_EQ(drivers.Write('N', "1"), 0);
    EXPECT_EQ(drivers.ReadText('a'), "9125") << "the end device answers without a sign-on of its own";
    ASSERT_EQ(drivers.LineWrite("\x04\x04\x04\x04\x04\x02\x02\x02\x02\x02"), 0);
    EXPECT_EQ(drivers.ReadText('a').substr(0, 2), "60") << "the wake-up returns to the module";
}

} // namespace
