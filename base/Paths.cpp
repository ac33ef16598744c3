#include "base/Paths.h"

#include "linedriver/PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvul {

namespace {
QString &programFileOverride() {
    static QString value;
    return value;
}
} // namespace

QString ProgramFilePath() {
    if (!programFileOverride().isEmpty()) return programFileOverride();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramDir() { return QFileInfo(ProgramFilePath()).absolutePath(); }

void SetProgramFilePathForTests(const QString &path) { programFileOverride() = path; }

// The line driver's rule (linedriver/PortNames.h), so settings and port links are found where the
// driver looks for them.
QString ConfigDir() { return QFile::decodeName(linqor::KorvulConfigDir().c_str()); }

QString SettingsFilePath() { return ConfigDir() + QStringLiteral("/korvul.ini"); }

} // namespace korvul
