// The systemd example units of contrib/systemd pass `systemd-analyze verify` (with ExecStart pointed at
// the korvul-read just built, since /opt/korvul does not exist on a build machine).
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SystemdUnits, ServiceAndTimerVerify) {
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty()) GTEST_SKIP() << "systemd-analyze is not installed";
    const QString tool = korvultest::BinDir() + "/korvul-read";
    if (!QFile::exists(tool)) GTEST_SKIP() << "korvul-read is not built";
    QTemporaryDir dir;
    QStringList units;
    for (const char *name : {"korvul-batch.service", "korvul-batch.timer"}) {
        QFile in(korvultest::SourceDir() + "/contrib/systemd/" + name);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << name;
        QByteArray text = in.readAll();
        ASSERT_TRUE(!QByteArray(name).endsWith(".service") || text.contains("ExecStart=/opt/korvul/korvul-read batch "));
        text.replace("/opt/korvul/korvul-read", QFile::encodeName(tool));
        QFile out(dir.filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        units << out.fileName();
    }
    QProcess p;
    p.start(analyze, QStringList{"verify"} + units);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardError().trimmed().isEmpty()) << "no warnings";
}

} // namespace
