// korvul-read process against devsim: rows start one period apart, start to start, with the device's
// own answer time inside the period and not on top of it.
#include "e2e/ReadoutDevsimFixture.h"

#include <QElapsedTimer>
#include <QProcess>

using namespace korvul;
using namespace readouttest;

namespace {

// Large enough that the timing holds on a busy machine, small enough for a quick test: the NX-17 at
// 10 s and its 8 s answer time become 1000 ms and 800 ms.
constexpr double kPeriodScale = 0.1;
qint64 ScaledMsFor(int ms) { return qRound64(ms * kPeriodScale); }

class ReadToolProcessPeriod : public ReadoutDevsim {
protected:
    // Runs korvul-read and notes when each line of standard output arrived, in ms after the start.
    QList<qint64> RowTimes(const QStringList &args, QString &err) {
        SaveSettingsTo(home.iniPath(), Settings());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("KORVUL_TIME_SCALE", QString::number(kPeriodScale));
        p.setProcessEnvironment(env);
        QList<qint64> times;
        QElapsedTimer clock;
        QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] {
            while (p.canReadLine()) {
                p.readLine();
                times << clock.elapsed();
            }
        });
        clock.start();
        p.start(korvultest::BinDir() + "/korvul-read", args);
        EXPECT_TRUE(korvultest::WaitUntil([&] { return p.state() == QProcess::NotRunning; }, std::chrono::seconds(60)));
        if (p.state() != QProcess::NotRunning) p.kill();
        p.waitForFinished();
        err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
        if (!times.isEmpty()) times.removeFirst();   // the title line
        return times;
    }
};

TEST_F(ReadToolProcessPeriod, RowsStartOnePeriodApartWithTheDeviceAnswerTimeInside) {
    if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
    ASSERT_TRUE(sim.Start({"--type", "9140"}, Link(), kPeriodScale));
    QString err;
    const QList<qint64> rows = RowTimes({"process", "--count", "3", "--period", "10"}, err);
    ASSERT_EQ(rows.size(), 3) << err.toStdString();
    const qint64 period = ScaledMsFor(10000), answer = ScaledMsFor(8000);
    for (int i = 1; i < rows.size(); ++i)
        EXPECT_GE(rows[i] - rows[i - 1], period * 9 / 10) << "row " << i << " came early";
    // Rows keep to a start-to-start schedule, so a row held up by a busy machine does not shift the next:
    // the mean gap stays clear of period + answer time (the fault) by more than a late wake-up.
    const qint64 meanGap = (rows.last() - rows.first()) / (rows.size() - 1);
    EXPECT_LT(meanGap, period + answer * 3 / 4) << "the answer time was added to the period";
}

} // namespace
