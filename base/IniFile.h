#pragma once
// A private-profile file (korvul.ini): "[section]" lines and "key=value" entries, sections and keys
// matched without regard to case. Every line the program does not touch (comments, unknown sections,
// unknown keys, blank lines, lines that are not valid UTF-8) is kept byte for byte, with its own line end;
// a write replaces the value of the first matching entry in place or appends the entry after the last
// entry of the first matching section (creating the section at the end of the file when there is none).
// New lines take the line end style of the file (CR LF or LF; LF for a new file). No entry is ever deleted.
//
// Reading rules: leading and trailing blanks around names and values are ignored, a value enclosed in a
// matching pair of double or single quotes loses the quotes, a value ends at a NUL byte. A section that
// occurs twice is one section: the first entry of a key wins, wherever it stands. Text is UTF-8; a name or
// value that is not valid UTF-8 is read as Latin-1. A UTF-8 byte order mark at the start is ignored.
#include <QByteArray>
#include <QList>
#include <QString>
#include <stdexcept>

namespace korvul {

// Raised when the file cannot be written; what() names the file and the reason.
class TIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // The longest value a read returns, in UTF-16 code units (a read buffer of 2048 with its terminator).
    static constexpr int kMaxValueLength = 2047;

    // Reads the file at path; a missing or unreadable file is an empty profile (reading never fails).
    // Only a regular file is read: a FIFO, device or directory at the path counts as unreadable (a FIFO
    // is never waited on). The file is held as it is, so memory stays near the file's size.
    explicit TIniFile(const QString &path);

    const QString &FileName() const { return path_; }
    // Why an existing file could not be read ("Permission denied", "is a directory", ...); empty when
    // it was read or does not exist.
    const QString &ReadError() const { return readError_; }

    // Values are at most 2047 characters (a longer value is cut), surrounding blanks trimmed.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal after "0x"/"0X" when the value is longer than two characters;
    // anything else (empty, garbage, out of range) gives def.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // An integer: 0 is false, any other true; unreadable gives def.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // Changes the in-memory text; Save() puts it on disk. The value is written as UTF-8; a CR, LF or NUL
    // in it becomes a blank, so a value can never break its line or add entries of its own. A value with
    // blanks around it or enclosed in quotes is written inside double quotes, so it reads back unchanged.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // Writes the whole text to a temporary file in the same directory (mode 0600), then renames it over
    // the file, so a crash never leaves a torn file. Creates the directory when missing (mode 0700).
    // A symbolic link at the path is followed: its target is replaced, the link stays.
    // Throws TIniFileError naming the file when it cannot be written, or when the file exists but could
    // not be read (its content would otherwise be lost); the old file then stays whole.
    void Save() const;

    // The text Save() would write.
    QByteArray Contents() const;

private:
    // One line of data_: its text [begin, textEnd) without the line end, the next line at next.
    struct TLineRef {
        qsizetype begin = 0, textEnd = 0, next = 0;
    };
    TLineRef LineAt(qsizetype pos) const;
    qsizetype FindEntry(const QString &section, const QString &key) const;
    qsizetype FindSection(const QString &section) const;
    qsizetype InsertPosition(qsizetype sectionLine) const;
    qsizetype InsertLine(qsizetype at, const QByteArray &text);
    TLineRef LastLine() const;
    QString TargetPath() const;

    QString path_;
    QByteArray data_;           // the file's bytes, every change made in place
    QByteArray eol_ = "\n";     // line end style found in the file (CR LF or LF)
    QString readError_;         // the file exists but could not be read: why
};

} // namespace korvul
