#include "module/ModuleWindowLogic.h"

#include "base/LangSupp.h"
#include "comm/Conversions.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

namespace korvul {

QString PageReadLetters(int page, int interfacePage) {
    static const char *const kLetters[kModulePageCount] = {"abcdefg", "h", "h", "j", "m", "n", "o", "l"};
    if (page < 0 || page >= kModulePageCount) return {};
    if (page == mpInterface) return QString::fromLatin1(interfacePage == 1 ? "i" : "h");
    return QString::fromLatin1(kLetters[page]);
}

namespace {

void AppendUnit(std::vector<TModuleWrite> &writes, int r, const TModuleSetUnit &u, const QString &itemL) {
    if (u.OutputSwitch) writes.push_back({'O', OutputToggleRecord(r, itemL)});
    if (u.ReceiverMarked) writes.push_back({'Q', ReceiverRecord(r, u.Receiver)});
    if (u.InputMarked) writes.push_back({'P', InputRecord(r, u.Input)});
    if (u.HqMarked) writes.push_back({'J', HqRecord(r, u.Hq)});
    if (u.ChannelMarked) writes.push_back({'H', ChannelRecord(r, u.Channel)});
}

// The digit groups of a shown date or time, in the order of the format's fields. The letters of the
// format name the fields ("dd.mm.yyyy", "hh:mm:ss"); anything that is no digit separates two groups.
std::optional<std::vector<int>> DigitGroups(const QString &text, int wanted) {
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    std::vector<int> groups;
    for (auto it = digits.globalMatch(text); it.hasNext();) {
        const QString group = it.next().captured(0);
        if (group.size() > 4) return std::nullopt;
        groups.push_back(group.toInt());
    }
    static const QRegularExpression allowed(QStringLiteral("^\\s*\\d+(\\D\\d+)*\\s*$"));
    if (!allowed.match(text).hasMatch()) return std::nullopt;
    if (static_cast<int>(groups.size()) != wanted) return std::nullopt;
    return groups;
}

// The order of the fields in a format of conversion letters, e.g. "dmy" for "dd.mm.yyyy".
QString FieldOrder(const QString &format) {
    QString order;
    for (QChar c : format) {
        const QChar l = c.toLower();
        if (QStringLiteral("dmyhs").contains(l) && !order.endsWith(l)) order += l;
    }
    return order;
}

std::optional<QDate> LocalDate(const QString &text) {
    const QString order = FieldOrder(LocaleFormats().ShortDateFormat);
    if (order.size() != 3) return std::nullopt;
    const auto groups = DigitGroups(text, 3);
    if (!groups) return std::nullopt;
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const int v = (*groups)[static_cast<std::size_t>(i)];
        if (order[i] == u'd') day = v;
        else if (order[i] == u'm') month = v;
        else year = v < 100 ? 2000 + v : v;
    }
    const QDate date(year, month, day);
    if (!date.isValid()) return std::nullopt;
    return date;
}

std::optional<QTime> LocalTime(const QString &text) {
    const QString order = FieldOrder(LocaleFormats().LongTimeFormat);
    auto groups = DigitGroups(text, static_cast<int>(order.size()));
    if (!groups) groups = DigitGroups(text, 2);  // hours and minutes without seconds
    if (!groups || order.size() < 2) return std::nullopt;
    int fields[3] = {0, 0, 0};  // hours, minutes, seconds
    for (std::size_t i = 0; i < groups->size(); ++i) {
        const QChar f = order[static_cast<int>(i)];
        fields[f == u'h' ? 0 : f == u'm' ? 1 : 2] = (*groups)[i];
    }
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59) return std::nullopt;
    return QTime(fields[0], fields[1], fields[2]);
}

} // namespace

std::vector<TModuleWrite> PlanModuleSet(const TModuleSetForm &form) {
    std::vector<TModuleWrite> writes;
    for (int r = 1; r <= kModuleUnits; ++r) AppendUnit(writes, r, form.Units[static_cast<std::size_t>(r - 1)], form.ItemL);
    if (form.ModemMarked) writes.push_back({'I', ModemRecord(form.Modem)});
    if (form.DevNameModified) writes.push_back({'D', DevNameRecord(form.DevName)});
    if (form.DevNoModified) writes.push_back({'C', DevNoRecord(form.DevNo)});
    if (form.Clock) writes.push_back({'G', *form.Clock});
    return writes;
}

void AddToRereadList(QString &letters, char writeLetter) {
    const QChar item = RereadItem(QChar::fromLatin1(writeLetter));
    if (!item.isNull() && !letters.contains(item)) letters += item;
}

std::optional<QString> LocalClockRecord(const QString &dateText, const QString &timeText) {
    const std::optional<QDate> date = LocalDate(dateText);
    const std::optional<QTime> time = LocalTime(timeText);
    if (!date || !time) return std::nullopt;
    return ClockRecord(QDateTime(*date, *time));
}

QString EventDateTimeText(const QString &yymmdd, const QString &hhnnss) {
    try {
        return DeviceDateToText(yymmdd, 2) + QStringLiteral("  ") + DeviceTimeToText(hhnnss, 2);
    } catch (const TConversionError &) {
        return {};
    }
}

QStringList ChannelChoiceLines(const QString &itemH, const QString &lineFormat) {
    QStringList lines;
    for (int r = 1; r <= kModuleUnits; ++r) {
        const TModuleChannel channel = ParseChannel(itemH, r);
        if (!ChannelConnectable(channel)) continue;
        lines << FormatText(lineFormat, {r, TrimRight(channel.Designation), channel.TypeName, channel.Version});
    }
    return lines;
}

int ChannelOfChoiceLine(const QString &line) {
    const int colon = line.indexOf(u':');
    if (colon < 0) return -1;
    bool ok = false;
    const int channel = line.left(colon).trimmed().toInt(&ok);
    return ok && channel >= 1 && channel <= kModuleUnits ? channel : -1;
}

bool IsPhoneKeyChar(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u':' || c == u'.' || c == u',' || c == u'W' || c == u'w';
}

QString FilterPhonePaste(const QString &clipboard) {
    QString kept;
    for (QChar c : clipboard)
        if (c != u'.' && IsPhoneKeyChar(c)) kept += c;
    return kept;
}

QString CaptionAsName(const QString &caption) {
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        else if (caption[i] == u'&') continue;
        plain += caption[i];
    }
    plain = plain.trimmed();
    if (plain.endsWith(u':')) plain = plain.chopped(1).trimmed();
    return plain;
}

QString UnitFieldName(const QString &heading, int unit) {
    return CaptionAsName(heading) + u' ' + QString::number(unit);
}

} // namespace korvul
