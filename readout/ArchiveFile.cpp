#include "readout/ArchiveFile.h"

#include "comm/Oem.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace korvul {

QString ArchiveDirectory(const QString &tempFilePath) {
    QString dir = tempFilePath.isEmpty() ? QDir::homePath() : tempFilePath;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

QString ArchiveFileName(const QString &directory, int n) {
    const QString base = QStringLiteral("tempz.%1").arg(n, 3, 10, QLatin1Char('0'));
    return directory.endsWith(QLatin1Char('/')) ? directory + base : directory + QLatin1Char('/') + base;
}

std::optional<int> FreeArchiveFileNumber(const QString &directory, int tempFileNo) {
    static const QRegularExpression pattern(QStringLiteral("^temp.*\\.([0-9]{3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    std::array<bool, 1000> used{};
    const QDir dir(directory);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch()) used[static_cast<size_t>(m.captured(1).toInt())] = true;
    }
    for (int n = std::min(tempFileNo, 999); n >= 0; --n)
        if (!used[static_cast<size_t>(n)]) return n;
    return std::nullopt;
}

QString ArchiveFileNumberText(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    const int dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1, 3);
}

namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// One list entry is one line of the file. A CR or LF inside a device text would start a line of its
// own (a forged record or section), so each becomes a blank; every other byte is written as received.
QByteArray LineBytes(const QString &line) {
    QByteArray bytes = ToDeviceText(line);
    for (char &c : bytes)
        if (c == '\r' || c == '\n') c = ' ';
    return bytes + "\r\n";
}

// The process's file creation mask, read from /proc without changing it (umask() can only be read by
// setting it, which would race with files other threads create); 022 when it cannot be read.
mode_t CreationMask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
            if (line.startsWith("Umask:")) return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8) & 0777);
    return 022;
}

// Writes the content into a hidden temporary file of the target's directory and forces it to disk.
// The temporary file is created 0600; an archive file gets 0666 less the umask, as any new file would,
// so a service of another user in the group can read it when the umask allows.
bool WriteTemporary(QTemporaryFile &file, const QByteArray &content, QString &reason) {
    if (!file.open()) {
        reason = file.errorString();
        return false;
    }
    if (::fchmod(file.handle(), 0666 & ~CreationMask()) != 0) {
        reason = SystemReason(errno);
        return false;
    }
    if (file.write(content) != content.size() || !file.flush()) {
        reason = file.errorString();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        reason = SystemReason(errno);
        return false;
    }
    return true;
}

} // namespace

TArchiveWriteResult WriteArchiveFile(const QString &path, const QStringList &lines) {
    QByteArray content;
    for (const QString &line : lines) content += LineBytes(line);
    // The hidden name never matches "temp*.NNN", so a left-over could not take a file number.
    QTemporaryFile file(QFileInfo(path).absolutePath() + QStringLiteral("/.korvul-archive-XXXXXX"));
    file.setAutoRemove(true);
    TArchiveWriteResult result;
    if (!WriteTemporary(file, content, result.Reason)) return result;
    // link() gives the file its name only when that name is free; it never replaces a file.
    const QByteArray from = QFile::encodeName(file.fileName()), to = QFile::encodeName(path);
    if (::link(from.constData(), to.constData()) == 0) {
        result.Status = TArchiveWrite::Written;
        return result;
    }
    const int error = errno;
    if (error == EEXIST) {
        result.Status = TArchiveWrite::Exists;
        return result;
    }
    // File systems without hard links: renaming is safe once the name is known to be free.
    if ((error == EPERM || error == EOPNOTSUPP) && !QFileInfo::exists(path) &&
        ::rename(from.constData(), to.constData()) == 0) {
        file.setAutoRemove(false);
        result.Status = TArchiveWrite::Written;
        return result;
    }
    result.Reason = SystemReason(error);
    return result;
}

} // namespace korvul
