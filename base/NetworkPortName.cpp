#include "base/NetworkPortName.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace korvul {

bool IsNetworkPortName(const QString &name) {
    return name.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive);
}

QString NetworkPortEntry(const QString &entryPath) {
    const QByteArray path = QFile::encodeName(entryPath);
    char target[512];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
    if (n > 0) {
        const QString text = QFile::decodeName(QByteArray(target, int(n)));
        return IsNetworkPortName(text) ? text : QString();
    }
    const QFileInfo info(entryPath);
    if (!info.isFile() || info.size() > 4096) return {};
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString line = QString::fromUtf8(file.readLine(1024)).trimmed();
    return IsNetworkPortName(line) ? line : QString();
}

} // namespace korvul
