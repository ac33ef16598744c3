#include "module/ModuleItems.h"

#include "comm/StrList.h"

#include <QTime>
#include <algorithm>

namespace korvul {

// ---- Field helpers ----------------------------------------------------------------------------------

QString PadField(const QString &text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString FieldAt(const QString &item, int pos, int len) {
    if (pos < 1 || len < 1 || pos > item.size()) return {};
    return item.mid(pos - 1, len);
}

QString RecordOf(const QString &item, int r, int length) {
    if (r < 1 || r > kModuleUnits) return {};
    return FieldAt(item, (r - 1) * length + 1, length);
}

int FieldNumber(const QString &field) {
    const QString t = field.trimmed();
    if (t.isEmpty() || t.size() > 9) return -1;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    return t.toInt();
}

QString TrimRight(const QString &text) {
    int n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' ')) --n;
    return text.left(n);
}

namespace {

// A number field that the record holds completely; -1 for a cut-off or non-numeric one.
int NumberAt(const QString &record, int pos, int len) {
    const QString field = FieldAt(record, pos, len);
    return field.size() == len ? FieldNumber(field) : -1;
}

QChar CharAt(const QString &record, int pos) {
    return pos >= 1 && pos <= record.size() ? record.at(pos - 1) : QChar();
}

// A number as `width` decimal digits, clamped into what the field can hold.
QString Digits(int value, int width) {
    int max = 1;
    for (int i = 0; i < width; ++i) max *= 10;
    return QString::number(std::clamp(value, 0, max - 1)).rightJustified(width, QLatin1Char('0'));
}

QString UnitDigit(int r) { return QString::number(std::clamp(r, 1, kModuleUnits)); }

QChar LetterOr(QChar letter, const char *letters) {
    return LetterIndex(letters, letter) >= 0 ? letter : QChar(QLatin1Char(letters[0]));
}

} // namespace

QChar RereadItem(QChar writeLetter) {
    switch (writeLetter.unicode()) {
    case 'C': case 'D': case 'E': case 'F': case 'G': case 'H': case 'I': case 'J':
        return QChar(writeLetter.unicode() - 'A' + 'a');
    case 'O': return QLatin1Char('l');
    case 'P': return QLatin1Char('n');
    case 'Q': return QLatin1Char('o');
    default: return {};
    }
}

// ---- Code tables ------------------------------------------------------------------------------------

QString ModuleDeviceTypeName(const QString &code) {
    const bool twoDigits = code.size() == 2 && code.at(0).isDigit() && code.at(1).isDigit();
    const int c = twoDigits ? code.toInt() : -1;
    switch (c) {
    case 1: case 2: case 3: case 4: return QStringLiteral("QT-700/N");
    case 11: case 12: case 13: return QStringLiteral("QT-700/B");
    case 21: case 22: case 23: return QStringLiteral("QT-700/V");
    case 24: return QStringLiteral("QT-700/V2");
    case 25: return QStringLiteral("QT-700/V3");
    case 31: return QStringLiteral("QT-700/E");
    case 41: return QStringLiteral("QT-700/A");
    case 42: return QStringLiteral("QT-700/M");
    case 84: return QStringLiteral("KP-40/T");
    case 89: return QStringLiteral("NX-18SPEC");
    case 90: return QStringLiteral("NX-16");
    case 91: case 95: return QStringLiteral("NX-17");
    case 92: case 93: return QStringLiteral("NX-18");
    case 94: return QStringLiteral("NX-20");
    default: return QStringLiteral("Unknown");
    }
}

const QStringList &LevelWords() {
    static const QStringList words{"low", "high", "on", "off", "open", "close", "yes", "no", "undef", "break"};
    return words;
}

int LevelWordIndex(const QString &designation) {
    const QString t = designation.trimmed();
    for (int i = 0; i < LevelWords().size(); ++i)
        if (LevelWords().at(i).compare(t, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const std::vector<int> &ChannelBaudRates() {
    static const std::vector<int> rates{1200, 2400, 4800, 9600, 14400, 19200};
    return rates;
}

const std::vector<int> &ModemBaudRates() {
    static const std::vector<int> rates{1200, 2400, 4800, 9600, 14400, 19200, 38400};
    return rates;
}

int ListIndex(const std::vector<int> &list, int value) {
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? -1 : int(it - list.begin());
}

int LetterIndex(const char *letters, QChar letter) {
    if (letter.isNull() || letter == QLatin1Char(' ')) return -1;
    for (int i = 0; letters[i]; ++i)
        if (letter == QLatin1Char(letters[i])) return i;
    return -1;
}

// ---- Common data items ------------------------------------------------------------------------------

TModuleCommon ParseModuleCommon(const TStrList &moduleData) {
    TModuleCommon c;
    c.Sw = moduleData.GetValue(QStringLiteral("a"));
    c.DevType = FieldAt(moduleData.GetValue(QStringLiteral("b")), 5, 8);
    c.DevNo = moduleData.GetValue(QStringLiteral("c"));
    c.DevName = moduleData.GetValue(QStringLiteral("d"));
    c.Status = moduleData.GetValue(QStringLiteral("e"));
    c.WorkingHours = moduleData.GetValue(QStringLiteral("f"));
    const QString g = moduleData.GetValue(QStringLiteral("g"));
    c.Date = FieldAt(g, 1, 6);
    c.Time = FieldAt(g, 7, 6);
    return c;
}

int StatusHintText(const QString &status) {
    const int v = FieldNumber(status);
    return v < 0 || v > 60000 ? 0 : 1660 + v;
}

QString DevNoRecord(const QString &devNo) { return devNo.left(12).rightJustified(12, QLatin1Char('0')); }

QString DevNameRecord(const QString &devName) { return PadField(devName, 30); }

QString ClockRecord(const QDateTime &dateTime) { return dateTime.toString(QStringLiteral("yyMMddHHmmss")); }

QString PcTimeRecord(const QDateTime &now) {
    // Taken from the clock itself, not from a locale text, so 12-hour formats cannot shift the hour.
    const QTime t(now.time().hour(), now.time().minute(), 0);
    return ClockRecord(QDateTime(now.date(), t));
}

// ---- Item "h" -----------------------------------------------------------------------------------------

TModuleChannel ParseChannel(const QString &itemH, int r) {
    const QString rec = RecordOf(itemH, r, kChannelRecordLength);
    TModuleChannel c;
    c.Designation = FieldAt(rec, 2, 30);
    c.TypeCode = FieldAt(rec, 32, 2);
    c.TypeName = ModuleDeviceTypeName(c.TypeCode);
    const QString major = FieldAt(rec, 34, 1), minor = FieldAt(rec, 35, 1);
    c.VersionMajor = FieldNumber(major);
    if (!major.trimmed().isEmpty() || !minor.trimmed().isEmpty()) c.Version = major + QLatin1Char('.') + minor;
    c.ConfSwitch = CharAt(rec, 36) == QLatin1Char('1');
    c.Cts = CharAt(rec, 37) == QLatin1Char('1');
    c.Protocol = CharAt(rec, 38);
    c.Baud = NumberAt(rec, 39, 5);
    c.Parity = CharAt(rec, 44);
    c.DataBits = NumberAt(rec, 45, 1);
    c.StopBits = NumberAt(rec, 46, 1);
    c.Timeout = NumberAt(rec, 47, 1);
    return c;
}

QString ChannelRecord(int r, const TModuleChannel &c) {
    return UnitDigit(r) + PadField(c.Designation, 30) + Digits(c.Baud, 5) + LetterOr(c.Parity, kParityLetters) +
           Digits(c.DataBits, 1) + Digits(c.StopBits, 1) + Digits(c.Timeout, 1) +
           LetterOr(c.Protocol, kProtocolLetters);
}

bool ChannelConnectable(const TModuleChannel &channel) { return channel.VersionMajor > 0; }

// ---- Item "i" -----------------------------------------------------------------------------------------

TModuleModem ParseModem(const QString &itemI) {
    TModuleModem m;
    m.Baud = NumberAt(itemI, 1, 5);
    m.Parity = CharAt(itemI, 6);
    m.DataBits = NumberAt(itemI, 7, 1);
    m.StopBits = NumberAt(itemI, 8, 1);
    m.CharTimeout = NumberAt(itemI, 9, 1);
    m.ResponseTimeout = NumberAt(itemI, 10, 1);
    m.CarrierTimeout = NumberAt(itemI, 11, 1);
    m.Attempts = NumberAt(itemI, 12, 1);
    m.CycleMinutes = NumberAt(itemI, 13, 2);
    m.Rings = NumberAt(itemI, 15, 1);
    m.Caw1Begin = FieldAt(itemI, 16, 4);
    m.Caw1End = FieldAt(itemI, 20, 4);
    m.Caw2Begin = FieldAt(itemI, 24, 4);
    m.Caw2End = FieldAt(itemI, 28, 4);
    m.DialMethod = CharAt(itemI, 32);
    return m;
}

QString ModemRecord(const TModuleModem &m) {
    const auto hhmm = [](const QString &t) { return t.left(4).rightJustified(4, QLatin1Char('0')); };
    return Digits(m.Baud, 5) + LetterOr(m.Parity, kParityLetters) + Digits(m.DataBits, 1) +
           Digits(m.StopBits, 1) + Digits(m.CharTimeout, 1) + Digits(m.ResponseTimeout, 1) +
           Digits(m.CarrierTimeout, 1) + Digits(m.Attempts, 1) + Digits(m.CycleMinutes, 2) + Digits(m.Rings, 1) +
           hhmm(m.Caw1Begin) + hhmm(m.Caw1End) + hhmm(m.Caw2Begin) + hhmm(m.Caw2End) +
           LetterOr(m.DialMethod, kDialLetters);
}

QString CallWindowText(const QString &hhmm) {
    if (hhmm.size() < 4) return {};
    return hhmm.left(2) + QLatin1Char(':') + hhmm.mid(2, 2);
}

std::optional<QString> CallWindowField(const QString &text) {
    const QString t = text.trimmed();
    const int colon = t.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 2 || t.size() - colon - 1 != 2) return std::nullopt;
    const int h = FieldNumber(t.left(colon)), m = FieldNumber(t.mid(colon + 1));
    if (h < 0 || h > 23 || m < 0 || m > 59) return std::nullopt;
    return Digits(h, 2) + Digits(m, 2);
}

// ---- Item "j" -----------------------------------------------------------------------------------------

TModuleHq ParseHq(const QString &itemJ, int r) {
    const QString rec = RecordOf(itemJ, r, kHqRecordLength);
    return {TrimRight(FieldAt(rec, 2, 30)), TrimRight(FieldAt(rec, 32, 25))};
}

QString HqRecord(int r, const TModuleHq &hq) {
    return UnitDigit(r) + PadField(hq.Designation, 30) + PadField(hq.Phone, 25);
}

// ---- Item "l" -----------------------------------------------------------------------------------------

QChar OutputState(const QString &itemL, int r) { return r >= 1 && r <= kModuleUnits ? CharAt(itemL, r) : QChar(); }

QString OutputToggleRecord(int r, const QString &itemL) {
    return UnitDigit(r) + (OutputState(itemL, r) == QLatin1Char('1') ? QLatin1Char('0') : QLatin1Char('1'));
}

// ---- Item "m" -----------------------------------------------------------------------------------------

TModuleEvent ParseEvent(const QString &itemM, int r) {
    const QString rec = RecordOf(itemM, r, kEventRecordLength);
    TModuleEvent e;
    e.CurrentLevel = TrimRight(FieldAt(rec, 1, 5));
    e.LevelBefore = TrimRight(FieldAt(rec, 7, 5));
    e.LevelAfter = TrimRight(FieldAt(rec, 12, 5));
    e.FirstDate = FieldAt(rec, 17, 6);
    e.FirstTime = FieldAt(rec, 23, 6);
    e.LastDate = FieldAt(rec, 29, 6);
    e.LastTime = FieldAt(rec, 35, 6);
    e.Counter = FieldAt(rec, 41, 3);
    return e;
}

// ---- Item "n" -----------------------------------------------------------------------------------------

TModuleInput ParseInput(const QString &itemN, int r) {
    const QString rec = RecordOf(itemN, r, kInputRecordLength);
    TModuleInput in;
    const int levels = NumberAt(rec, 1, 1);
    in.LevelsIndex = levels == 1 || levels == 2 ? levels - 1 : -1;
    for (int k = 0; k < 4; ++k) in.Levels[std::size_t(k)] = LevelWordIndex(FieldAt(rec, 2 + 5 * k, 5));
    in.FirstReceiver = NumberAt(rec, 22, 1);
    in.SubstituteReceiver = NumberAt(rec, 23, 1);
    in.Message = TrimRight(FieldAt(rec, 24, 30));
    return in;
}

void ApplyTwoLevels(TModuleInput &input) {
    const int low = LevelWordIndex(QStringLiteral("low")), high = LevelWordIndex(QStringLiteral("high"));
    const int undef = LevelWordIndex(QStringLiteral("undef")), brk = LevelWordIndex(QStringLiteral("break"));
    for (int &level : input.Levels) {
        if (level == undef) level = low;
        else if (level == brk) level = high;
    }
}

QString InputRecord(int r, const TModuleInput &in) {
    QString s = UnitDigit(r) + Digits(std::clamp(in.LevelsIndex, 0, 1) + 1, 1);
    for (int level : in.Levels)
        s += PadField(level >= 0 && level < LevelWords().size() ? LevelWords().at(level) : QString(), 5);
    const auto receiver = [](int k) { return Digits(k >= 0 && k <= kModuleUnits ? k : 0, 1); };
    return s + receiver(in.FirstReceiver) + receiver(in.SubstituteReceiver) + PadField(in.Message, 30);
}

// ---- Item "o" -----------------------------------------------------------------------------------------

TModuleReceiver ParseReceiver(const QString &itemO, int r) {
    const QString rec = RecordOf(itemO, r, kReceiverRecordLength);
    const int service = NumberAt(rec, 1, 1);
    return {service == 0 || service == 1 ? service : -1, TrimRight(FieldAt(rec, 2, 20)),
            TrimRight(FieldAt(rec, 22, 30))};
}

QString ReceiverRecord(int r, const TModuleReceiver &rc) {
    return UnitDigit(r) + (rc.Service == 1 ? QLatin1Char('1') : QLatin1Char('0')) + PadField(rc.FaxNumber, 20) +
           PadField(rc.Designation, 30);
}

std::vector<TReceiverChoice> ReceiverChoices(const QString &itemO, const QString &noneText) {
    std::vector<TReceiverChoice> list{{0, noneText}};
    for (int k = 1; k <= kModuleUnits; ++k) {
        const QString designation = ParseReceiver(itemO, k).Designation.trimmed();
        if (!designation.isEmpty()) list.push_back({k, ParseReceiver(itemO, k).Designation});
    }
    return list;
}

int ReceiverChoiceIndex(const std::vector<TReceiverChoice> &choices, int receiver) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].Receiver == receiver) return int(i);
    return 0;
}

// ---- Maintenance dialog results ----------------------------------------------------------------------

QString ModuleAccessCodeRecord(const QString &code) { return PadField(code, 8); }

QString HqPasswordRecord(int hq, const QString &password) { return PadField(UnitDigit(hq) + password, 9); }

QString ResetSelectionRecord(int index) { return QString::number(std::clamp(index, 0, kModuleUnits)); }

TCorrectionResult CorrectionRecord(const QString &text) {
    const bool signedText = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'));
    if (!signedText && text.size() > 6) return {{}, 2021};
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok) return {{}, 2022};
    // A signed value of more than six digits cannot be sent in the record's six places.
    if (v > 999999 || v < -999999) return {{}, 2021};
    const QString digits = QString::number(v < 0 ? -v : v).rightJustified(6, QLatin1Char('0'));
    return {(v < 0 ? QStringLiteral("-") : QStringLiteral("+")) + digits, 0};
}

TTwoEntryEnabling TwoEntryEnabling(const QString &first, const QString &confirm) {
    return {!first.isEmpty(), !first.isEmpty() && !confirm.isEmpty()};
}

} // namespace korvul
