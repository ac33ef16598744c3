#include "config/NxScript.h"

#include "base/LangSupp.h"
#include "comm/Oem.h"
#include "comm/CommClass.h"

#include <QHash>
#include <algorithm>

namespace korvul {

namespace {

constexpr char kEndRaw = 0x17;

// The text between the first and the second double quote from `open` on; without a closing quote the
// rest of the line.
QString Quoted(const QString &line, qsizetype open) {
    const qsizetype close = line.indexOf(u'"', open + 1);
    return close < 0 ? line.mid(open + 1) : line.mid(open + 1, close - open - 1);
}

int WholeNumber(const QString &text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok) throw TNxScriptError(QStringLiteral("'%1' is not a valid integer value").arg(text.trimmed()));
    return n;
}

TNxLine ParseTransmit(const QString &line) {
    TNxLine l;
    l.Kind = TNxLineKind::Transmit;
    const qsizetype open = line.indexOf(u'"');
    if (open < 0) {
        const qsizetype blank = line.indexOf(u' ');
        l.Variable = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        return l;
    }
    l.Quoted = true;
    l.Text = Quoted(line, open);
    l.ReadAnswer = true;
    const qsizetype caret = line.indexOf(u'^', open + 1);
    if (caret < 0 || caret + 1 >= line.size()) return l;
    switch (line.at(caret + 1).unicode()) {
    case 'A': l.Text += QChar(0x01); l.ReadAnswer = false; break;
    case 'M': l.Text += QChar(0x0D); break;
    case 'W': l.Text += QChar(kEndRaw); l.ReadAnswer = false; break;
    default: break;
    }
    return l;
}

TNxLine ParsePause(const QString &line) {
    TNxLine l;
    l.Kind = TNxLineKind::Pause;
    const QString head = line.left(line.indexOf(u';') < 0 ? line.size() : line.indexOf(u';'));
    l.Number = WholeNumber(head.mid(head.indexOf(u'E') + 1));
    return l;
}

TNxLine ParseGet(const QString &line) {
    TNxLine l;
    l.Kind = TNxLineKind::Get;
    const QString rest = line.mid(line.indexOf(u'T') + 1).trimmed();
    const qsizetype blank = rest.indexOf(u' ');
    l.Variable = blank < 0 ? rest : rest.left(blank);
    const QString count = blank < 0 ? QString() : rest.mid(blank + 1);
    l.Number = WholeNumber(count);
    if (l.Number < 0) throw TNxScriptError(QStringLiteral("'%1' is not a valid character count").arg(count.trimmed()));
    return l;
}

// The pattern starts after the prompt's first ":" and is read from the line, over at most as many
// characters as the prompt has (so it may run on past the closing quote). A prompt without ":" has
// no pattern.
TNxLine ParseMessage(const QString &line) {
    TNxLine l;
    l.Kind = TNxLineKind::Message;
    const qsizetype semicolon = line.indexOf(u';');
    const QString head = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
    const qsizetype open = head.indexOf(u'"');
    if (open < 0) return l;
    l.SetsPrompt = true;
    l.Prompt = Quoted(head, open);
    const qsizetype colon = l.Prompt.indexOf(u':');
    if (colon >= 0) l.Pattern = head.mid(open + 1 + colon + 1, l.Prompt.size()).trimmed();
    return l;
}

} // namespace

TNxLine ParseNxLine(const QString &line) {
    if (line.startsWith(u';')) {
        TNxLine comment;
        comment.Kind = TNxLineKind::Comment;
        return comment;
    }
    if (line.startsWith(QLatin1String("TRANSMIT"))) return ParseTransmit(line);
    if (line.startsWith(QLatin1String("PAUSE"))) return ParsePause(line);
    if (line.startsWith(QLatin1String("GET"))) return ParseGet(line);
    if (line.startsWith(QLatin1String("MESSAGE"))) return ParseMessage(line);
    return TNxLine{};
}

QStringList NxScriptLines(const QByteArray &fileBytes) {
    QStringList lines;
    for (const QString &raw : FromOemText(fileBytes).split(u'\n')) {
        const QString line = raw.trimmed();  // also drops the CR of CR LF
        if (!line.isEmpty()) lines << line;
    }
    return lines;
}

QVector<int> NxPatternMismatches(const QString &value, const QString &pattern, int count) {
    QVector<int> positions;
    // Positions beyond the pattern accept anything, so a huge GET count costs no more than the pattern.
    const int checked = static_cast<int>(std::min<qsizetype>(count, pattern.size()));
    for (int i = 0; i < checked; ++i) {
        if (pattern.at(i) == u'*') continue;
        if (i >= value.size() || value.at(i) != pattern.at(i)) positions << i + 1;
    }
    return positions;
}

QString NxInputValue(const QString &text, int count) {
    QString value = text.trimmed().left(count < 0 ? 0 : count);
    const qsizetype comma = value.indexOf(u',');
    if (comma >= 0) value[comma] = u'.';
    return value;
}

QVector<TNxScriptEntry> NxScriptListEntries(const QStringList &fileNames) {
    QHash<QString, int> folded;  // lower-case name -> how many names fold to it
    for (const QString &name : fileNames) ++folded[name.toLower()];
    QVector<TNxScriptEntry> entries;
    entries.reserve(fileNames.size());
    for (const QString &name : fileNames) {
        const QString lower = name.toLower();
        entries.append({folded.value(lower) > 1 ? name : lower, name});
    }
    return entries;
}

bool NxHasErrorMarker(const QString &logLine) {
    for (const char *marker : {"-01-", "-04-", "-05-", "-06-", "-07-", "-11-"})
        if (logLine.contains(QLatin1String(marker))) return true;
    return false;
}

bool NxLogHasErrorMarker(const QStringList &log) {
    for (const QString &line : log)
        if (NxHasErrorMarker(line)) return true;
    return false;
}

QString NxLogText(const QByteArray &bytes) { return FromDeviceText(bytes); }

void NxLineWrite(const QByteArray &bytes) {
    int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
    QByteArray buffer = bytes;
    const int32_t result = CommObject().CallLine(dpWrite, buffer.data(), &count, &written);
    if (result != 0) throw TCommClassException::Result(result);
}

// An answer that runs on without its ETX for this long is line noise, not an answer.
constexpr int kMostAnswerBytes = 65536;

QByteArray NxLineReadAnswer() {
    QByteArray answer;
    while (answer.size() < kMostAnswerBytes) {
        char byte = 0;
        int32_t wanted = 1, received = 0;
        const int32_t result = CommObject().CallLine(dpRead, &byte, &wanted, &received);
        if (result != 0) throw TCommClassException::Result(result);
        answer += byte;
        if (byte == 0x03) return answer;
    }
    throw TCommClassException::Result(deLineError);
}

// ---- the run ----

TNxRunEnd TNxScriptRun::Run(const QStringList &lines) {
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (!Step(line)) return TNxRunEnd::Cancelled;
    }
    return TNxRunEnd::Completed;
}

bool TNxScriptRun::Step(const QString &line) {
    const TNxLine l = ParseNxLine(line);
    switch (l.Kind) {
    case TNxLineKind::Transmit: Transmit(l); return true;
    case TNxLineKind::Pause: if (io_.Pause) io_.Pause(l.Number); return true;
    case TNxLineKind::Get: return Get(l);
    case TNxLineKind::Message:
        if (l.SetsPrompt) {
            prompt_ = l.Prompt;
            pattern_ = l.Pattern;
        }
        return true;
    case TNxLineKind::Comment:
    case TNxLineKind::Other: return true;
    }
    return true;
}

void TNxScriptRun::Transmit(const TNxLine &l) {
    QString text = l.Text;
    if (!l.Quoted) {
        const std::optional<QString> value = Variable(l.Variable);
        if (!value) {
            if (io_.ShowNotice) io_.ShowNotice(LanguageFormat(1414, {l.Variable}));
            return;
        }
        text = *value;
    }
    io_.Write(ToDeviceText(text));
    AddLog(QStringLiteral(">> ") + text);
    if (l.ReadAnswer) AddLog(QStringLiteral("<< ") + NxLogText(io_.ReadAnswer()));
}

bool TNxScriptRun::Get(const TNxLine &l) {
    const std::optional<QString> input = io_.AskInput ? io_.AskInput(prompt_, pattern_, l.Number) : std::nullopt;
    if (!input) {
        io_.Write(QByteArray(1, kEndRaw));
        return false;
    }
    const QString value = NxInputValue(*input, l.Number);
    const qsizetype at = names_.indexOf(l.Variable);
    if (at >= 0) values_[at] = value;
    else {
        names_ << l.Variable;
        values_ << value;
    }
    return true;
}

std::optional<QString> TNxScriptRun::Variable(const QString &name) const {
    const qsizetype at = names_.indexOf(name);
    // A variable stored with an empty value has no value to send either.
    if (at < 0 || values_.at(at).isEmpty()) return std::nullopt;
    return values_.at(at);
}

void TNxScriptRun::AddLog(const QString &line) {
    log_ << line;
    if (io_.Log) io_.Log(line);
}

} // namespace korvul
