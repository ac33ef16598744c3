#pragma once
// A private-profile file (korvul.ini): "[section]" lines and "key=value" entries, sections and keys
// matched without regard to case. Every line the program does not touch (comments, unknown sections,
// unknown keys, blank lines) is kept as it stands; a write replaces the value of the first matching
// entry in place or appends the entry at the end of the first matching section (creating the section at
// the end of the file when there is none). No entry is ever deleted.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace korvul {

// Raised when the file cannot be written; what() names the file and the reason.
class TIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // Reads the file at path; a missing or unreadable file is an empty profile (reading never fails).
    explicit TIniFile(const QString &path);

    const QString &FileName() const { return path_; }

    // Values are at most 2047 characters (a longer value is cut), surrounding blanks trimmed.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal after "0x"/"0X" when the value is longer than two characters;
    // anything else (empty, garbage, out of range) gives def.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // An integer: 0 is false, any other true; unreadable gives def.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // Changes the in-memory text; Save() puts it on disk.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // Writes the whole text to a temporary file in the same directory (mode 0600), then renames it over
    // the file, so a crash never leaves a torn file. Creates the directory when missing.
    // Throws TIniFileError naming the file when it cannot be written; the old file then stays whole.
    void Save() const;

private:
    QString path_;
    QList<QByteArray> lines_;   // raw lines without their line ends
    QByteArray eol_ = "\n";     // line end style found in the file (CR LF or LF)
};

} // namespace korvul
