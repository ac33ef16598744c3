#pragma once
// Archive files: where they go, how they are named, and how they are written.
//
// A file is "tempz.NNN" in the archive directory; NNN counts down from TempFileNo (at most 999) to 000
// and the first number that no entry "temp<anything>.NNN" of the directory uses is taken (letter case
// ignored, so files copied from other systems count too).
//
// Nothing is lost: a file is written whole or not at all (a hidden temporary file in the same directory,
// flushed to disk, then linked to its name), and an existing file is never replaced. Its mode is 0666
// less the process's umask (never 0600 regardless).
#include <QString>
#include <QStringList>
#include <optional>

namespace korvul {

// The directory of the archive files for a TempFilePath setting, without a trailing "/". An empty
// setting means the user's home directory: the root directory, where the setting would point on its
// own, is not writable for a user.
QString ArchiveDirectory(const QString &tempFilePath);

// The archive file name for number n (0..999): directory + "/tempz." + three digits.
QString ArchiveFileName(const QString &directory, int n);
// The free number counting down from min(tempFileNo, 999); nothing when every number is taken (or
// tempFileNo is below 0).
std::optional<int> FreeArchiveFileNumber(const QString &directory, int tempFileNo);
// The three characters after the first "." of the file's name (not of the directory).
QString ArchiveFileNumberText(const QString &path);

enum class TArchiveWrite { Written, Exists, Failed };
struct TArchiveWriteResult {
    TArchiveWrite Status = TArchiveWrite::Failed;
    QString Reason;    // why it failed, in the system's words (empty when written)
};
// Writes the lines, each followed by CR LF, in the program code page (CP1252) to path. Exists: a file
// of that name appeared meanwhile and stays untouched. Failed: nothing is left behind.
TArchiveWriteResult WriteArchiveFile(const QString &path, const QStringList &lines);

} // namespace korvul
