#include "base/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace korvul {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

QByteArray TrimBlanks(const QByteArray &b) {
    qsizetype from = 0, to = b.size();
    while (from < to && IsBlank(b[from])) ++from;
    while (to > from && IsBlank(b[to - 1])) --to;
    return b.mid(from, to - from);
}

// UTF-8 when the bytes are valid UTF-8, otherwise Latin-1, so that no byte is ever lost or replaced.
QString DecodeText(const QByteArray &b) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString s = utf8.decode(b);
    if (utf8.hasError()) return QString::fromLatin1(b);
    return s;
}

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

enum class TLineKind { Other, Comment, Section, Entry };

// A line's kind and, for a section or an entry, where its trimmed name lies in the data.
struct TLineClass {
    TLineKind kind = TLineKind::Other;
    qsizetype nameBegin = 0, nameEnd = 0;
};

TLineClass Named(TLineKind kind, const char *d, qsizetype from, qsizetype to) {
    while (from < to && IsBlank(d[from])) ++from;
    while (to > from && IsBlank(d[to - 1])) --to;
    return TLineClass{kind, from, to};
}

const char *Find(const char *d, qsizetype from, qsizetype to, char c) {
    return from < to ? static_cast<const char *>(std::memchr(d + from, c, size_t(to - from))) : nullptr;
}

// The line [begin, end) of d (without its line end); a UTF-8 byte order mark opens only the first line.
TLineClass Classify(const char *d, qsizetype begin, qsizetype end) {
    qsizetype i = begin;
    if (begin == 0 && end >= 3 && std::memcmp(d, "\xEF\xBB\xBF", 3) == 0) i = 3;
    while (i < end && IsBlank(d[i])) ++i;
    if (i >= end) return {};
    if (d[i] == ';' || d[i] == '#') return TLineClass{TLineKind::Comment, 0, 0};
    if (d[i] == '[') {
        if (const char *close = Find(d, i + 1, end, ']')) return Named(TLineKind::Section, d, i + 1, close - d);
    }
    const char *eq = Find(d, i, end, '=');
    if (!eq) return {};
    return Named(TLineKind::Entry, d, i, eq - d);
}

bool HasContent(const char *d, qsizetype begin, qsizetype end) {
    for (qsizetype i = begin; i < end; ++i)
        if (!IsBlank(d[i])) return true;
    return false;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool IsAscii(const char *p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

// Whether the name bytes [p, p+n) name `wanted`, without regard to case. ASCII names (all the program's
// own) are compared in place; others are decoded first, as the reading rules decode them.
bool NameMatches(const char *p, qsizetype n, const QString &wanted) {
    bool ascii = IsAscii(p, n);
    for (QChar c : wanted) ascii = ascii && c.unicode() < 0x80;
    if (!ascii) return SameName(DecodeText(QByteArray(p, n)), wanted);
    if (n != wanted.size()) return false;
    for (qsizetype i = 0; i < n; ++i)
        if (AsciiLower(p[i]) != AsciiLower(char(wanted[i].unicode()))) return false;
    return true;
}

bool NameIs(const char *d, const TLineClass &c, const QString &name) {
    return NameMatches(d + c.nameBegin, c.nameEnd - c.nameBegin, name);
}

// The value of an entry line as the profile functions return it: up to a NUL, trimmed, one pair of
// matching quotes removed, cut to kMaxValueLength.
QString ValueOf(const QByteArray &text) {
    QByteArray v = text.mid(text.indexOf('=') + 1);
    const qsizetype nul = v.indexOf('\0');
    if (nul >= 0) v.truncate(nul);
    v = TrimBlanks(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    QString s = DecodeText(v);
    if (s.size() > TIniFile::kMaxValueLength) {
        qsizetype cut = TIniFile::kMaxValueLength;
        if (s[cut - 1].isHighSurrogate()) --cut;   // never keep half a character
        s.truncate(cut);
    }
    return s;
}

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= '0' && u <= '9') d = u - '0';
    else if (u >= 'a' && u <= 'f') d = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F') d = u - 'A' + 10;
    return d < base ? d : -1;
}

// Decimal with an optional sign, or "0x"/"0X" followed by hex digits when longer than two characters.
// Nothing else is accepted: no blanks, no trailing text, no value outside the int range.
std::optional<int> ParseProfileInt(const QString &s) {
    int base = 10;
    qsizetype i = 0;
    bool negative = false;
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        base = 16;
        i = 2;
    } else if (!s.isEmpty() && (s[0] == u'-' || s[0] == u'+')) {
        negative = s[0] == u'-';
        i = 1;
    }
    if (i >= s.size()) return std::nullopt;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        const int d = DigitValue(s[i], base);
        if (d < 0) return std::nullopt;
        v = v * base + d;
        if (v > qint64(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return std::nullopt;
    return int(v);
}

// A value that reading would change (blanks around it, or a pair of enclosing quotes, which the reader
// strips) is written inside double quotes, so that it reads back as it was written.
QByteArray EncodeValue(const QString &value) {
    QByteArray b = value.toUtf8();
    for (char &c : b)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    const bool blanksAround = !b.isEmpty() && (IsBlank(b.front()) || IsBlank(b.back()));
    const bool enclosed = b.size() >= 2 && (b.front() == '"' || b.front() == '\'') && b.back() == b.front();
    return blanksAround || enclosed ? '"' + b + '"' : b;
}

[[noreturn]] void Fail(const QString &path, const QString &reason) {
    throw TIniFileError(QStringLiteral("Cannot write the settings file %1: %2").arg(path, reason).toStdString());
}

QString ErrnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

struct TReadResult {
    QByteArray data;
    QString error;   // empty when read
};

// Reads the whole of an open file, which must be a regular file, straight into one buffer of the
// file's size (no second copy), growing it only for a file that grows while it is read.
TReadResult ReadRegularFile(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return TReadResult{{}, ErrnoText(errno)};
    if (S_ISDIR(st.st_mode)) return TReadResult{{}, ErrnoText(EISDIR)};
    if (!S_ISREG(st.st_mode)) return TReadResult{{}, QStringLiteral("not a regular file (a FIFO, socket or device)")};
    TReadResult r;
    r.data.resize(qsizetype(st.st_size) + 1);   // one byte more shows the end without a second read
    qsizetype got = 0;
    for (;;) {
        if (got == r.data.size()) r.data.resize(got + 65536);
        const ssize_t n = ::read(fd, r.data.data() + got, size_t(r.data.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return TReadResult{{}, ErrnoText(errno)};
        if (n == 0) break;
        got += n;
    }
    r.data.truncate(got);
    return r;
}

// Creates dir and its missing parents with mode 0700 (the directory holds access codes).
void MakeDirectory(const QString &file, const QString &dir) {
    if (QFileInfo(dir).isDir()) return;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir) MakeDirectory(file, parent);
    if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
        Fail(file, QStringLiteral("cannot create the directory %1: %2").arg(dir, ErrnoText(errno)));
}

// Writes all of data; returns 0, or the errno of the failure. A write that makes no progress counts as
// a full file system, so a reason always reaches the message.
int WriteAll(int fd, const QByteArray &data) {
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno != 0 ? errno : EIO;
        if (n == 0) return ENOSPC;
        p += n;
        left -= n;
    }
    return 0;
}

// Writes data to a fresh temporary file next to target and renames it over target. On failure the
// temporary file is removed and target is untouched.
void ReplaceFile(const QString &shownPath, const QString &target, const QByteArray &data) {
    QByteArray tmp = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);   // mode 0600
    if (fd < 0) Fail(shownPath, ErrnoText(errno));
    int err = ::fchmod(fd, 0600) != 0 ? errno : WriteAll(fd, data);
    if (err == 0 && ::fsync(fd) != 0) err = errno;   // delayed allocation reports a full disk here
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(tmp.constData(), QFile::encodeName(target).constData()) != 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.constData());
        Fail(shownPath, ErrnoText(err));
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    const int dirFd = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

TIniFile::TIniFile(const QString &path) : path_(path) {
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer, for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) readError_ = ErrnoText(errno);   // missing: an empty profile
        return;
    }
    TReadResult r = ReadRegularFile(fd);
    ::close(fd);
    if (!r.error.isEmpty()) {
        readError_ = r.error;
        return;
    }
    data_ = std::move(r.data);   // moved, never shared: a later change must not copy the whole file
    const qsizetype nl = data_.indexOf('\n');
    if (nl > 0 && data_.at(nl - 1) == '\r') eol_ = "\r\n";
}

TIniFile::TLineRef TIniFile::LineAt(qsizetype pos) const {
    const char *d = data_.constData();
    const auto *nl = static_cast<const char *>(std::memchr(d + pos, '\n', size_t(data_.size() - pos)));
    TLineRef line;
    line.begin = pos;
    if (!nl) {
        line.textEnd = line.next = data_.size();
        return line;
    }
    line.next = nl - d + 1;
    line.textEnd = nl - d;
    if (line.textEnd > pos && d[line.textEnd - 1] == '\r') --line.textEnd;
    return line;
}

qsizetype TIniFile::FindEntry(const QString &section, const QString &key) const {
    const char *d = data_.constData();
    bool inSection = false;
    for (qsizetype pos = 0; pos < data_.size();) {
        const TLineRef line = LineAt(pos);
        const TLineClass c = Classify(d, line.begin, line.textEnd);
        if (c.kind == TLineKind::Section) inSection = NameIs(d, c, section);
        else if (inSection && c.kind == TLineKind::Entry && NameIs(d, c, key)) return pos;
        pos = line.next;
    }
    return -1;
}

qsizetype TIniFile::FindSection(const QString &section) const {
    const char *d = data_.constData();
    for (qsizetype pos = 0; pos < data_.size();) {
        const TLineRef line = LineAt(pos);
        const TLineClass c = Classify(d, line.begin, line.textEnd);
        if (c.kind == TLineKind::Section && NameIs(d, c, section)) return pos;
        pos = line.next;
    }
    return -1;
}

// After the section's last line with content, so that blank lines and the comments that open the next
// section stay in front of it.
qsizetype TIniFile::InsertPosition(qsizetype sectionLine) const {
    TLineRef last = LineAt(sectionLine);
    for (qsizetype pos = last.next; pos < data_.size();) {
        const TLineRef line = LineAt(pos);
        const TLineKind kind = Classify(data_.constData(), line.begin, line.textEnd).kind;
        if (kind == TLineKind::Section) break;
        if (kind == TLineKind::Entry || (kind == TLineKind::Other && HasContent(data_.constData(), line.begin, line.textEnd)))
            last = line;
        pos = line.next;
    }
    return last.next;
}

// Inserts text as a line of its own at the start of a line (or the end); returns where it starts.
qsizetype TIniFile::InsertLine(qsizetype at, const QByteArray &text) {
    if (at > 0 && at == data_.size() && !data_.endsWith('\n')) {
        data_.append(eol_);   // the last line gets its line end before a line follows it
        at = data_.size();
    }
    data_.insert(at, text + eol_);
    return at;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const {
    const qsizetype pos = FindEntry(section, key);
    if (pos < 0) return def;
    const TLineRef line = LineAt(pos);
    return ValueOf(data_.mid(line.begin, line.textEnd - line.begin));
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const {
    const qsizetype pos = FindEntry(section, key);
    if (pos < 0) return def;
    const TLineRef line = LineAt(pos);
    return ParseProfileInt(ValueOf(data_.mid(line.begin, line.textEnd - line.begin))).value_or(def);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value) {
    const QByteArray v = EncodeValue(value);
    const qsizetype pos = FindEntry(section, key);
    if (pos >= 0) {
        const TLineRef line = LineAt(pos);
        const qsizetype valueBegin = data_.indexOf('=', line.begin) + 1;
        data_.replace(valueBegin, line.textEnd - valueBegin, v);
        return;
    }
    qsizetype sec = FindSection(section);
    if (sec < 0) {
        if (const TLineRef last = LastLine(); HasContent(data_.constData(), last.begin, last.textEnd))
            InsertLine(data_.size(), {});
        sec = InsertLine(data_.size(), '[' + section.toUtf8() + ']');
    }
    InsertLine(InsertPosition(sec), key.toUtf8() + '=' + v);
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray TIniFile::Contents() const { return data_; }

// The file's last line; an empty line at 0 for an empty file.
TIniFile::TLineRef TIniFile::LastLine() const {
    const qsizetype end = data_.endsWith('\n') ? data_.size() - 1 : data_.size();
    return LineAt(end == 0 ? 0 : data_.lastIndexOf('\n', end - 1) + 1);
}

QString TIniFile::TargetPath() const {
    const QFileInfo info(path_);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) return target;
    }
    return path_;
}

void TIniFile::Save() const {
    if (!readError_.isEmpty())
        Fail(path_, QStringLiteral("the existing file cannot be read (%1), so it is not replaced").arg(readError_));
    const QString target = TargetPath();
    MakeDirectory(path_, QFileInfo(target).absolutePath());
    ReplaceFile(path_, target, Contents());
}

} // namespace korvul
