#include "base/Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

namespace korvul {

double TimeScale() {
    bool ok = false;
    const double scale = qEnvironmentVariable("KORVUL_TIME_SCALE").trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(scale) || scale < 0) return 1.0;
    return scale;
}

int ScaledMs(int ms) {
    if (ms <= 0) return 0;
    const double scaled = std::round(ms * TimeScale());
    return scaled >= INT_MAX ? INT_MAX : static_cast<int>(scaled);
}

void WaitMs(int ms) {
    const int scaled = ScaledMs(ms);
    if (!QCoreApplication::instance()) return SleepMs(ms);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(scaled);
    loop.exec();
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ScaledMs(ms)));
}

} // namespace korvul
