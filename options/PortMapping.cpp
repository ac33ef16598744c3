#include "options/PortMapping.h"

#include "base/LangSupp.h"
#include "linedriver/PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace korvul {

namespace {

constexpr uint16_t kTextLinkFailed = 3119;  // "The port link %s cannot be made (%s)."
constexpr uint16_t kTextAllTaken = 3120;    // "COM1 to COM9 are all taken ..."

QString PortsFolder() { return QFile::decodeName(linqor::PortsDir().c_str()); }

QString Canonical(const QString &path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

bool EntryExists(const QString &path) {
    const QFileInfo info(path);
    return info.isSymLink() || info.exists();
}

int FreeNumber(const std::vector<TListedPort> &listed) {
    for (int n = 1; n <= 9; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        if (EntryExists(PortsFolder() + QLatin1Char('/') + name)) continue;
        bool used = false;
        for (const TListedPort &p : listed) used = used || p.Name == name;
        if (!used) return n;
    }
    return 0;
}

// symlink() to a temporary name, then rename() over the link: readers see the old or the new link.
bool ReplaceLink(const QString &link, const QString &target, QString *error) {
    const QByteArray tmp = QFile::encodeName(link + QStringLiteral(".new"));
    ::unlink(tmp.constData());
    if (::symlink(QFile::encodeName(target).constData(), tmp.constData()) != 0 ||
        ::rename(tmp.constData(), QFile::encodeName(link).constData()) != 0) {
        if (error) *error = LanguageFormat(kTextLinkFailed, {link, QString::fromLocal8Bit(std::strerror(errno))});
        ::unlink(tmp.constData());
        return false;
    }
    return true;
}

} // namespace

int ComLinkedTo(const QString &path) {
    const QString device = Canonical(path);
    for (int n = 1; n <= 9; ++n) {
        const QString link = PortsFolder() + QStringLiteral("/COM%1").arg(n);
        if (QFileInfo(link).isSymLink() && QFileInfo::exists(link) && Canonical(link) == device) return n;
    }
    return 0;
}

QString StableTarget(const TListedPort &port) { return port.ById.isEmpty() ? port.Device : port.ById; }

int MapPortToCom(const QString &target, const std::vector<TListedPort> &listed, QString *error) {
    if (PortsFolder().isEmpty() || !QDir().mkpath(PortsFolder())) {
        if (error) *error = LanguageFormat(kTextLinkFailed, {PortsFolder(), QString::fromLocal8Bit(std::strerror(errno))});
        return 0;
    }
    int n = ComLinkedTo(target);
    if (n == 0) n = FreeNumber(listed);
    if (n == 0) {
        if (error) *error = LanguageText(kTextAllTaken);
        return 0;
    }
    return ReplaceLink(PortsFolder() + QStringLiteral("/COM%1").arg(n), target, error) ? n : 0;
}

} // namespace korvul
