#include "base/Paths.h"

#include <QDir>
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

QString ConfigDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/korvul");
}

QString SettingsFilePath() { return ConfigDir() + QStringLiteral("/korvul.ini"); }

} // namespace korvul
