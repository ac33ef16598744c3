// The line trace written by linqor32.so: option file, start lines, stamps, per-byte forms, limits.
#include "pty/PtyLineFixture.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace linqortest;
using namespace std::chrono_literals;

namespace {

const QRegularExpression kCounterLine("^(\\d{10,}):(.*)$");
const QRegularExpression kClockLine("^(\\d\\d):(\\d\\d):(\\d\\d):(\\d\\d\\d):(.*)$");

class LineDriverTrace : public ::testing::Test {
protected:
    korvultest::TempConfigHome config;
    PtyPeer peer;
    QString tracePath;

    void SetUp() override {
        ASSERT_FALSE(QFile::exists(korvultest::BinDir() + "/TRRS232.TXT"))
            << "a trace option file in the program folder would take precedence";
        tracePath = config.korvulDir() + "/trace.txt";
    }
    void writeFile(const QString &path, const QByteArray &content) const {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    void writeOptions(const QByteArray &content) const {
        writeFile(config.korvulDir() + "/TRRS232.TXT", content);
    }
    // Loads the library (which reads the options), opens the port, runs `work`, unloads.
    template <typename Work> void session(Work work) {
        LineLibrary lib;
        ASSERT_TRUE(lib.loaded());
        ASSERT_EQ(lib.open(peer.path() + ":9600,N,8,1,TO100"), 0);
        work(lib);
    }
    // The trace's lines; each must end with CR LF.
    QStringList lines() const {
        QFile f(tracePath);
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QByteArray all = f.readAll();
        QStringList out;
        for (QByteArray line : all.split('\n')) {
            if (line.isEmpty()) continue;
            EXPECT_TRUE(line.endsWith('\r')) << line.constData();
            line.chop(1);
            out << QString::fromLatin1(line);
        }
        return out;
    }
    static QStringList texts(const QStringList &all, const QRegularExpression &re) {
        QStringList out;
        for (const QString &l : all)
            if (auto m = re.match(l); m.hasMatch()) out << m.captured(m.lastCapturedIndex());
        return out;
    }
};

TEST_F(LineDriverTrace, FileOnlyGivesCounterStampsATickLineAndEveryByte) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\n");
    session([&](LineLibrary &lib) {
        ASSERT_EQ(lib.write(std::string("A\r", 2)), 0);
        peer.receive(2);
        peer.send("A\x01");
        Bytes in;
        int32_t got = 0;
        ASSERT_EQ(lib.read(2, in, got), 0);
        ASSERT_EQ(lib.read(1, in, got), deTimeout);
    });
    const QStringList all = lines();
    ASSERT_GE(all.size(), 2);
    EXPECT_TRUE(all[0].startsWith("Start: ")) << all[0].toStdString();
    EXPECT_EQ(all[1], "1 Tick = 0.001 us");
    const QStringList events = texts(all, kCounterLine);
    EXPECT_EQ(events, (QStringList{"Clear Buffer TX", "Clear Buffer RX", " A   (41)", " .   (0D)",
                                   "   A (41)", "   . (01)", "Receive: State=-13"}));
    EXPECT_EQ(events.size() + 2, all.size()) << all.join('|').toStdString();
    qint64 previous = 0;
    for (const QString &l : all.mid(2)) {
        const qint64 stamp = kCounterLine.match(l).captured(1).toLongLong();
        EXPECT_GE(stamp, previous) << "counter stamps are absolute without DIFF";
        previous = stamp;
    }
}

// The option file is written by hand, often on a system that ignores letter case.
TEST_F(LineDriverTrace, OptionFileNamedInAnyLetterCaseSwitchesTheTraceOn) {
    for (const QString name : {"trrs232.txt", "Trrs232.Txt", "TRRS232.txt"}) {
        QFile::remove(tracePath);
        writeFile(config.korvulDir() + "/" + name, "FILE=" + tracePath.toLocal8Bit() + "\n");
        session([](LineLibrary &) {});
        const QStringList all = lines();
        EXPECT_FALSE(all.isEmpty()) << name.toStdString();
        EXPECT_TRUE(all.value(0).startsWith("Start: ")) << name.toStdString();
        QFile::remove(config.korvulDir() + "/" + name);
    }
}

TEST_F(LineDriverTrace, OptionFileInTheExactSpellingWinsOverOneInAnotherCase) {
    const QString other = config.korvulDir() + "/other.txt";
    writeFile(config.korvulDir() + "/trrs232.txt", "FILE=" + other.toLocal8Bit() + "\n");
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\n");
    session([](LineLibrary &) {});
    EXPECT_FALSE(lines().isEmpty());
    EXPECT_FALSE(QFile::exists(other));
}

TEST_F(LineDriverTrace, NewTraceFileIsPrivateAndExistingOnesAreAppendedTo) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\n");
    session([](LineLibrary &) {});
    struct stat st {};
    ASSERT_EQ(stat(tracePath.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    session([](LineLibrary &) {});
    const QStringList all = lines();
    EXPECT_EQ(all.filter(QRegularExpression("^Start: ")).size(), 2) << "one start line per load";
}

TEST_F(LineDriverTrace, ExistingReadableTraceIsMadePrivateBeforeTheAccessCodeGoesIn) {
    for (const mode_t mode : {0644u, 0666u, 0640u, 0700u}) {
        writeFile(tracePath, "EARLIER\r\n");
        ASSERT_EQ(chmod(tracePath.toLocal8Bit().constData(), mode), 0);
        writeOptions("FILE=" + tracePath.toLocal8Bit() + "\n");
        session([](LineLibrary &lib) { ASSERT_EQ(lib.write("12345678"), 0); });
        struct stat st {};
        ASSERT_EQ(stat(tracePath.toLocal8Bit().constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "was " << std::oct << mode;
        const QStringList all = lines();
        ASSERT_FALSE(all.isEmpty());
        EXPECT_EQ(all.first(), "EARLIER") << "an existing trace is appended to";
        EXPECT_EQ(texts(all, kCounterLine).filter(QRegularExpression("^ \\d   \\(3\\d\\)$")).size(), 8);
        QFile::remove(tracePath);
    }
}

// Names the trace must not write through: each row makes the FILE name something other than a plain
// file of this user with one name. Loading must neither block nor write anywhere.
struct UnsafeTraceName {
    const char *what;
    std::function<void(const QByteArray &name, const QByteArray &elsewhere)> make;
};

TEST_F(LineDriverTrace, UnsafeTraceNamesGetNoTrace) {
    const UnsafeTraceName rows[] = {
        {"symlink to an existing file", [](const QByteArray &name, const QByteArray &elsewhere) {
             QFile f(QString::fromLocal8Bit(elsewhere));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("OTHER FILE\n");
             f.close();
             ASSERT_EQ(symlink(elsewhere.constData(), name.constData()), 0);
         }},
        {"dangling symlink", [](const QByteArray &name, const QByteArray &elsewhere) {
             ASSERT_EQ(symlink(elsewhere.constData(), name.constData()), 0);
         }},
        {"FIFO", [](const QByteArray &name, const QByteArray &) { ASSERT_EQ(mkfifo(name.constData(), 0600), 0); }},
        {"second hard link", [](const QByteArray &name, const QByteArray &elsewhere) {
             QFile f(QString::fromLocal8Bit(elsewhere));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("OTHER FILE\n");
             f.close();
             ASSERT_EQ(link(elsewhere.constData(), name.constData()), 0);
         }},
    };
    const QByteArray name = tracePath.toLocal8Bit();
    const QByteArray elsewhere = (config.path() + "/elsewhere.txt").toLocal8Bit();
    writeOptions("FILE=" + name + "\n");
    for (const UnsafeTraceName &row : rows) {
        SCOPED_TRACE(row.what);
        row.make(name, elsewhere);
        const QFileInfo before(QString::fromLocal8Bit(elsewhere));
        const qint64 sizeBefore = before.exists() ? before.size() : -1;
        session([](LineLibrary &lib) { EXPECT_EQ(lib.write("12345678"), 0); });
        const QFileInfo after(QString::fromLocal8Bit(elsewhere));
        EXPECT_EQ(after.exists() ? after.size() : -1, sizeBefore) << "nothing written through the name";
        ::unlink(name.constData());
        ::unlink(elsewhere.constData());
    }
}

TEST_F(LineDriverTrace, RealtimeWithDiffStampsTheTimeSinceTheStartAndHasNoTickLine) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nREALTIME=1\nDIFF=1\n");
    session([](LineLibrary &) {});
    const QStringList all = lines();
    ASSERT_GE(all.size(), 3);
    EXPECT_TRUE(all[0].startsWith("Start: "));
    EXPECT_FALSE(all.join('\n').contains("Tick"));
    const auto first = kClockLine.match(all[1]);
    ASSERT_TRUE(first.hasMatch()) << all[1].toStdString();
    EXPECT_EQ(first.captured(5), "Clear Buffer TX");
    EXPECT_EQ(first.captured(1), "00");
    EXPECT_EQ(first.captured(2), "00");
    EXPECT_LT(first.captured(3).toInt(), 5) << "the first stamp is the time since tracing started";
}

TEST_F(LineDriverTrace, RealtimeStampsAreTheClockTime) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nREALTIME=1\n");
    const QTime before = QTime::currentTime();
    session([](LineLibrary &) {});
    const QTime after = QTime::currentTime();
    const QStringList all = lines();
    ASSERT_GE(all.size(), 2);
    const auto m = kClockLine.match(all[1]);
    ASSERT_TRUE(m.hasMatch()) << all[1].toStdString();
    const QTime stamp(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                      m.captured(4).toInt());
    if (after > before) {  // not across midnight
        EXPECT_GE(stamp.msecsSinceStartOfDay(), before.msecsSinceStartOfDay() - 1000);
        EXPECT_LE(stamp.msecsSinceStartOfDay(), after.msecsSinceStartOfDay() + 1000);
    }
}

TEST_F(LineDriverTrace, CounterDiffStampsAreTicksSinceThePreviousLine) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nDIFF=1\n");
    session([](LineLibrary &) {});
    const QStringList all = lines();
    ASSERT_GE(all.size(), 4);
    EXPECT_EQ(all[1], "1 Tick = 0.001 us");
    for (const QString &l : all.mid(2)) {
        const auto m = kCounterLine.match(l);
        ASSERT_TRUE(m.hasMatch()) << l.toStdString();
        EXPECT_EQ(m.captured(1).size(), 10) << "at least ten digits, leading zeros";
        EXPECT_LT(m.captured(1).toLongLong(), 5'000'000'000LL);
    }
}

TEST_F(LineDriverTrace, InvalidNumbersCountAsZero) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nREALTIME=abc\nDIFF=1x\nMAXSIZE=10k\n");
    session([&](LineLibrary &lib) { lib.write("z"); });
    const QStringList all = lines();
    ASSERT_GE(all.size(), 2);
    EXPECT_EQ(all[1], "1 Tick = 0.001 us");
    EXPECT_EQ(texts(all, kCounterLine).last(), " z   (7A)");
    EXPECT_GT(kCounterLine.match(all[2]).captured(1).toLongLong(), 5'000'000'000LL)
        << "DIFF=1x must count as 0 (absolute stamps)";
}

TEST_F(LineDriverTrace, MaxSizeStopsEventLinesButNotTheStartLines) {
    writeFile(tracePath, QByteArray(2000, 'x') + "\r\n");
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nMAXSIZE=1000\n");
    session([&](LineLibrary &lib) { lib.write("abc"); });
    QStringList all = lines();
    ASSERT_EQ(all.size(), 3) << all.join('|').toStdString();
    EXPECT_TRUE(all[1].startsWith("Start: "));
    EXPECT_EQ(all[2], "1 Tick = 0.001 us");

    // A file that reaches the limit while tracing gets no further lines.
    QFile::remove(tracePath);
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nMAXSIZE=200\n");
    session([&](LineLibrary &lib) { lib.write(std::string(50, 'q')); });
    EXPECT_LT(QFileInfo(tracePath).size(), 200 + 254);
    EXPECT_GE(QFileInfo(tracePath).size(), 200);
}

TEST_F(LineDriverTrace, AutoRemoveDeletesOnlyAFileOlderThanADay) {
    writeOptions("FILE=" + tracePath.toLocal8Bit() + "\nAUTOREMOVE=1\n");
    for (const bool old : {true, false}) {
        writeFile(tracePath, "OLD CONTENT\r\n");
        const time_t when = time(nullptr) - (old ? 25 * 3600 : 23 * 3600);
        utimbuf times{when, when};
        ASSERT_EQ(utime(tracePath.toLocal8Bit().constData(), &times), 0);
        session([](LineLibrary &) {});
        const QStringList all = lines();
        ASSERT_FALSE(all.isEmpty());
        EXPECT_EQ(all[0] == "OLD CONTENT", !old) << (old ? "old file kept" : "recent file removed");
    }
}

TEST_F(LineDriverTrace, OptionNamesIgnoreCaseAndTheFirstEntryCounts) {
    const QString other = config.korvulDir() + "/other.txt";
    writeOptions("# comment line\nfile = " + tracePath.toLocal8Bit() + "\r\nFILE=" +
                 other.toLocal8Bit() + "\r\nRealTime=0\r\nrealtime=1\r\n");
    session([](LineLibrary &) {});
    EXPECT_FALSE(QFile::exists(other));
    const QStringList all = lines();
    ASSERT_GE(all.size(), 2);
    EXPECT_EQ(all[1], "1 Tick = 0.001 us");
}

TEST_F(LineDriverTrace, RelativeFileIsBesideTheOptionFile) {
    writeOptions("FILE=trace.txt\n");
    session([](LineLibrary &) {});
    EXPECT_FALSE(lines().isEmpty());
}

TEST_F(LineDriverTrace, NoOptionFileOrNoUsableFileMeansNoTrace) {
    const QByteArray fifo = (config.path() + "/fifo").toLocal8Bit();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const QByteArray rows[] = {"", "FILE=\n", "REALTIME=1\n", "FILE=/nonexistent/dir/trace.txt\n",
                               "FILE=" + config.korvulDir().toLocal8Bit() + "\n",
                               "FILE=" + fifo + "\n"};  // must neither block the load nor trace
    session([](LineLibrary &lib) { EXPECT_EQ(lib.write("x"), 0); });  // no option file at all
    for (const QByteArray &options : rows) {
        writeOptions(options);
        session([](LineLibrary &lib) { EXPECT_EQ(lib.write("x"), 0); });
    }
    EXPECT_FALSE(QFile::exists(tracePath));
    // An option file that is a FIFO is not read (reading it would wait for a writer).
    QFile::remove(config.korvulDir() + "/TRRS232.TXT");
    ASSERT_EQ(mkfifo((config.korvulDir() + "/TRRS232.TXT").toLocal8Bit().constData(), 0600), 0);
    session([](LineLibrary &lib) { EXPECT_EQ(lib.write("x"), 0); });
}

} // namespace
