#include "base/Version.h"

#include <QStringList>

namespace korvul {

QString ProgramFileVersion() {
#ifdef KORVUL_VERSION
    return QStringLiteral(KORVUL_VERSION);
#else
    return QString();
#endif
}

QString VersionToAboutText(const QString &fileVersion) {
    const QString version = fileVersion.isEmpty() ? QStringLiteral("<none>") : fileVersion;
    const QStringList parts = version.split(QLatin1Char('.'));
    return parts.value(0) + QLatin1Char('.') + parts.value(1) + parts.value(2);
}

} // namespace korvul
