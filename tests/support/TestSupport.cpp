#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <cstdlib>

namespace korvultest {

TempConfigHome::TempConfigHome() {
    const char *old = std::getenv("XDG_CONFIG_HOME");
    hadSaved_ = old != nullptr;
    if (old) saved_ = old;
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
}

TempConfigHome::~TempConfigHome() {
    if (hadSaved_) qputenv("XDG_CONFIG_HOME", saved_);
    else qunsetenv("XDG_CONFIG_HOME");
}

QString TempConfigHome::korvulDir() const {
    QDir(dir_.path()).mkpath("korvul");
    return dir_.path() + "/korvul";
}

QString TempConfigHome::iniPath() const { return korvulDir() + "/korvul.ini"; }

void TempConfigHome::writeIni(const QByteArray &content) const {
    QFile f(iniPath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
}

bool WaitUntil(const std::function<bool()> &pred, std::chrono::milliseconds deadline) {
    QDeadlineTimer timer(deadline);
    while (!pred()) {
        if (timer.hasExpired()) return pred();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
        else
            QThread::msleep(1);
    }
    return true;
}

// The environment wins, so a test binary can be pointed at another tree; the build's own directories are
// compiled in for runs from ctest or by hand.
QString BinDir() {
    const QByteArray v = qgetenv("KORVUL_BIN_DIR");
    return v.isEmpty() ? QStringLiteral(KORVUL_TEST_BIN_DIR) : QString::fromLocal8Bit(v);
}

QString SourceDir() {
    const QByteArray v = qgetenv("KORVUL_SOURCE_DIR");
    return v.isEmpty() ? QStringLiteral(KORVUL_TEST_SOURCE_DIR) : QString::fromLocal8Bit(v);
}

} // namespace korvultest
