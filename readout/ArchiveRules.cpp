#include "readout/ArchiveRules.h"

#include <algorithm>

namespace korvul {

TReadoutMode ReadoutModeFromSetting(const QString &keyword) {
    const QString k = keyword.toLower();
    if (k == QLatin1String("dump")) return TReadoutMode::Dump;
    if (k == QLatin1String("bom")) return TReadoutMode::Month;
    if (k == QLatin1String("codemark")) return TReadoutMode::CodeMark;
    if (k == QLatin1String("complete")) return TReadoutMode::Complete;
    return TReadoutMode::Unknown;
}

bool TStopRule::Feed(int word) {
    if (stopped_) return true;
    if (mode_ == TReadoutMode::Dump) return false;
    bool stop = word == kWordEnd || (word == kWordCodeMark && previous_ == 0);
    if (!stop && mode_ == TReadoutMode::Month) stop = FeedMonth(word);
    if (!stop && mode_ == TReadoutMode::CodeMark) stop = FeedCodeMark(word);
    previous_ = word;
    stopped_ = stop;
    return stop;
}

bool TStopRule::FeedMonth(int word) {
    switch (month_) {
    case TMonthState::Start:
        if (word == kWordMonth) month_ = TMonthState::ASeen;
        else if (word == kWordDay) month_ = TMonthState::CSeen;
        return false;
    case TMonthState::ASeen:
        if (word == kWordDay) month_ = TMonthState::BothSeen;
        return false;
    case TMonthState::CSeen:
        if (word == kWordMonth) month_ = TMonthState::BothSeen;
        return false;
    case TMonthState::BothSeen: return word == kWordMonth;
    }
    return false;
}

bool TStopRule::FeedCodeMark(int word) {
    if (markSeen_) return word == kWordDay;
    if (word == kWordCodeMark && previous_ == codeMark_) markSeen_ = true;
    return false;
}

namespace {
// Value of an ASCII hexadecimal digit; -1 for anything else (a sign, a blank, a non-ASCII digit).
int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}
} // namespace

// A marker word is exactly three hexadecimal digits; a group holding anything else is no word.
QList<int> MarkerWords(const QString &answer) {
    QList<int> words;
    for (qsizetype at = 0; at + 3 <= answer.size() && at < 12; at += 3) {
        int value = 0;
        for (qsizetype i = at; i < at + 3 && value >= 0; ++i) {
            const int digit = HexDigit(answer.at(i));
            value = digit < 0 ? -1 : value * 16 + digit;
        }
        if (value >= 0) words << value;
    }
    return words;
}

bool FeedRecord(TStopRule &rule, const QString &answer) {
    for (int word : MarkerWords(answer))
        if (rule.Feed(word)) return true;
    return false;
}

namespace {

std::optional<int> HexValue(const QString &text) {
    const QString t = text.trimmed();
    bool ok = !t.isEmpty() && t.size() <= 8;
    const qlonglong v = ok ? t.toLongLong(&ok, 16) : 0;
    if (!ok || t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) return std::nullopt;
    return static_cast<int>(std::min<qlonglong>(v, 0x7FFFFFFF));
}

int SizeFromRegisters(const TArchiveSizeDevice &device) {
    if (!device.Write(61, QStringLiteral("1401"))) return kArchiveSizeFallback;
    const std::optional<QString> address = device.Read(64);
    if (!address || *address != QLatin1String("1401")) return kArchiveSizeFallback;
    const std::optional<QString> share = device.Read(60);
    const std::optional<int> value = share ? HexValue(*share) : std::nullopt;
    if (!value) return kArchiveSizeFallback;
    return std::max(0, static_cast<int>(std::min<qlonglong>(qlonglong(*value) * 102 - 256, 0x7FFFFFFF)));
}

} // namespace

int ArchiveSize(int typeCode, const TArchiveSizeDevice &device) {
    const std::optional<QString> answer = device.Read(98);
    if (!answer) return 0;
    if (*answer == QLatin1String("FFFF")) return SizeFromRegisters(device);
    const std::optional<int> value = HexValue(*answer);
    if (!value) return 0;
    return std::max(0, typeCode == 94 ? *value : *value - 256);
}

} // namespace korvul
