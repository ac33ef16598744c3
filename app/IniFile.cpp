#include "app/IniFile.h"

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

// Creates dir and its missing parents with mode 0700 (the directory holds access codes).
void MakeDirectory(const QString &file, const QString &dir) {
    if (QFileInfo(dir).isDir()) return;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir) MakeDirectory(file, parent);
    if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
        Fail(file, QStringLiteral("cannot create the directory %1: %2").arg(dir, ErrnoText(errno)));
}

bool WriteAll(int fd, const QByteArray &data) {
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

// Writes data to a fresh temporary file next to target and renames it over target. On failure the
// temporary file is removed and target is untouched.
void ReplaceFile(const QString &shownPath, const QString &target, const QByteArray &data) {
    QByteArray tmp = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);   // mode 0600
    if (fd < 0) Fail(shownPath, ErrnoText(errno));
    int err = 0;
    if (::fchmod(fd, 0600) != 0 || !WriteAll(fd, data) || ::fsync(fd) != 0) err = errno;
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
    QFile file(path);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable_ = true;
        return;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        unreadable_ = true;
        return;
    }
    Parse(data);
}

void TIniFile::Parse(const QByteArray &data) {
    qsizetype pos = 0;
    bool styleSeen = false;
    while (pos < data.size()) {
        TLine line;
        const qsizetype nl = data.indexOf('\n', pos);
        line.text = data.mid(pos, (nl < 0 ? data.size() : nl) - pos);
        if (nl >= 0) {
            const bool crlf = line.text.endsWith('\r');
            if (crlf) line.text.chop(1);
            line.eol = crlf ? QByteArray("\r\n") : QByteArray("\n");
            if (!styleSeen) eol_ = line.eol;
            styleSeen = true;
        }
        Classify(line, lines_.isEmpty());
        lines_.append(std::move(line));
        pos = nl < 0 ? data.size() : nl + 1;
    }
}

void TIniFile::Classify(TLine &line, bool firstLine) {
    const QByteArray &t = line.text;
    qsizetype i = (firstLine && t.startsWith("\xEF\xBB\xBF")) ? 3 : 0;
    while (i < t.size() && IsBlank(t[i])) ++i;
    line.kind = TLineKind::Other;
    line.name.clear();
    if (i >= t.size()) return;
    if (t[i] == ';' || t[i] == '#') {
        line.kind = TLineKind::Comment;
        return;
    }
    if (t[i] == '[') {
        const qsizetype close = t.indexOf(']', i + 1);
        if (close > i) {
            line.kind = TLineKind::Section;
            line.name = DecodeText(TrimBlanks(t.mid(i + 1, close - i - 1)));
            return;
        }
    }
    const qsizetype eq = t.indexOf('=', i);
    if (eq < 0) return;
    line.kind = TLineKind::Entry;
    line.name = DecodeText(TrimBlanks(t.mid(i, eq - i)));
}

int TIniFile::FindEntry(const QString &section, const QString &key) const {
    bool inSection = false;
    for (int i = 0; i < lines_.size(); ++i) {
        const TLine &l = lines_[i];
        if (l.kind == TLineKind::Section) inSection = SameName(l.name, section);
        else if (inSection && l.kind == TLineKind::Entry && SameName(l.name, key)) return i;
    }
    return -1;
}

int TIniFile::FindSection(const QString &section) const {
    for (int i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == TLineKind::Section && SameName(lines_[i].name, section)) return i;
    return -1;
}

// After the section's last line with content, so that blank lines and the comments that open the next
// section stay in front of it.
int TIniFile::InsertPosition(int sectionLine) const {
    int last = sectionLine;
    for (int i = sectionLine + 1; i < lines_.size() && lines_[i].kind != TLineKind::Section; ++i) {
        const TLine &l = lines_[i];
        if (l.kind == TLineKind::Entry || (l.kind == TLineKind::Other && !TrimBlanks(l.text).isEmpty()))
            last = i;
    }
    return last + 1;
}

void TIniFile::InsertLine(int at, const QByteArray &text) {
    if (at > 0 && lines_[at - 1].eol.isEmpty()) lines_[at - 1].eol = eol_;
    TLine line;
    line.text = text;
    line.eol = eol_;
    Classify(line, at == 0);
    lines_.insert(at, std::move(line));
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const {
    const int i = FindEntry(section, key);
    return i < 0 ? def : ValueOf(lines_[i].text);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const {
    const int i = FindEntry(section, key);
    if (i < 0) return def;
    return ParseProfileInt(ValueOf(lines_[i].text)).value_or(def);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value) {
    const QByteArray v = EncodeValue(value);
    const int i = FindEntry(section, key);
    if (i >= 0) {
        TLine &l = lines_[i];
        l.text = l.text.left(l.text.indexOf('=') + 1) + v;
        return;
    }
    int sec = FindSection(section);
    if (sec < 0) {
        if (!lines_.isEmpty() && !TrimBlanks(lines_.back().text).isEmpty()) InsertLine(lines_.size(), {});
        InsertLine(lines_.size(), '[' + section.toUtf8() + ']');
        sec = lines_.size() - 1;
    }
    InsertLine(InsertPosition(sec), key.toUtf8() + '=' + v);
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray TIniFile::Contents() const {
    QByteArray data;
    for (const TLine &l : lines_) data += l.text + l.eol;
    return data;
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
    if (unreadable_) Fail(path_, QStringLiteral("the existing file cannot be read, so it is not replaced"));
    const QString target = TargetPath();
    MakeDirectory(path_, QFileInfo(target).absolutePath());
    ReplaceFile(path_, target, Contents());
}

} // namespace korvul
