#include "base/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <climits>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Sets KORVUL_TIME_SCALE (or removes it) for one test and puts the old value back.
class TimeScaleEnv {
public:
    explicit TimeScaleEnv(std::optional<QByteArray> value) {
        if (qEnvironmentVariableIsSet("KORVUL_TIME_SCALE")) saved_ = qgetenv("KORVUL_TIME_SCALE");
        if (value) qputenv("KORVUL_TIME_SCALE", *value);
        else qunsetenv("KORVUL_TIME_SCALE");
    }
    ~TimeScaleEnv() {
        if (saved_) qputenv("KORVUL_TIME_SCALE", *saved_);
        else qunsetenv("KORVUL_TIME_SCALE");
    }

private:
    std::optional<QByteArray> saved_;
};

struct ScaleRow {
    std::optional<QByteArray> env;
    double scale;
};

class TimeScaleRows : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(TimeScaleRows, UnusableValuesMeanRealTime) {
    TimeScaleEnv env(GetParam().env);
    EXPECT_DOUBLE_EQ(korvul::TimeScale(), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Values, TimeScaleRows,
                         ::testing::Values(ScaleRow{std::nullopt, 1.0}, ScaleRow{QByteArray(""), 1.0},
                                           ScaleRow{QByteArray("0.05"), 0.05}, ScaleRow{QByteArray(" 2 "), 2.0},
                                           ScaleRow{QByteArray("0"), 0.0}, ScaleRow{QByteArray("fast"), 1.0},
                                           ScaleRow{QByteArray("-3"), 1.0}, ScaleRow{QByteArray("inf"), 1.0},
                                           ScaleRow{QByteArray("nan"), 1.0}));

TEST(ScaledMs, RoundsAndNeverGoesNegativeOrOverflows) {
    TimeScaleEnv env(QByteArray("0.05"));
    EXPECT_EQ(korvul::ScaledMs(1000), 50);
    EXPECT_EQ(korvul::ScaledMs(10), 1);   // 0.5 rounds up
    EXPECT_EQ(korvul::ScaledMs(-100), 0);
    TimeScaleEnv huge(QByteArray("1e12"));
    EXPECT_EQ(korvul::ScaledMs(1000), INT_MAX);
}

TEST(WaitMs, KeepsTimersRunningAndHonoursTheScale) {
    TimeScaleEnv env(QByteArray("0.01"));
    bool fired = false;
    QTimer::singleShot(1, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    korvul::WaitMs(6000);   // 60 ms scaled
    const qint64 elapsed = clock.elapsed();
    EXPECT_TRUE(fired);
    EXPECT_GE(elapsed, 55);
    EXPECT_LT(elapsed, 3000);   // far below the unscaled 6 s
}

TEST(SleepMs, ProcessesNoEventsButWaits) {
    TimeScaleEnv env(QByteArray("1"));
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    korvul::SleepMs(30);
    EXPECT_GE(clock.elapsed(), 29);
    EXPECT_FALSE(fired);
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);
}

} // namespace
