#include "comm/DeviceTypes.h"

#include "base/LangSupp.h"

namespace korvul {

TDeviceInfo &DeviceInfo() {
    static TDeviceInfo info;
    return info;
}

namespace {

constexpr uint16_t kTextIdentNotANumber = 2211;

// The message in the program's language; the English sentence when no module holds the text.
std::string IdentificationErrorText(const QString &identText) {
    const QString text = LanguageText(kTextIdentNotANumber);
    if (text != QStringLiteral("str%1").arg(kTextIdentNotANumber))
        return FormatText(text, {identText}).toStdString();
    return QStringLiteral("The device answered the identification request with \"%1\", which is not a device "
                          "type number. The connection attempt ends.")
        .arg(identText)
        .toStdString();
}

} // namespace

TIdentificationError::TIdentificationError(const QString &identText)
    : std::runtime_error(IdentificationErrorText(identText)) {}

int IdentNumber(const QString &identText) {
    const QString t = identText.trimmed();
    if (t.isEmpty() || t.size() > 9) throw TIdentificationError(identText);
    int n = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) throw TIdentificationError(identText);
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

namespace {

// Suffix of the four-channel data loggers: V from version 32, R above it; W for /V and /V2 only.
QString LoggerSuffix(int version, bool withW) {
    QString s = QStringLiteral("Y");
    if (version >= 32) s += QLatin1Char('V');
    if (version > 32) s += QLatin1Char('R');
    if (withW) s += QLatin1Char('W');
    return s;
}

TDeviceType Row(const char *name, int channels, const QString &suffix) {
    TDeviceType t;
    t.TypeName = QString::fromLatin1(name);
    t.ChannelCount = channels;
    t.ItemLetters = QString::fromLatin1(kBaseItemLetters) + suffix;
    return t;
}

TDeviceType Corrector(const char *name, int channels, const char *suffix, bool processData) {
    TDeviceType t = Row(name, channels, QString::fromLatin1(suffix));
    t.IsCorrector = true;
    t.HasProcessData = processData;
    return t;
}

TDeviceType QtLogger(int typeCode, int version) {
    if (typeCode >= 1 && typeCode <= 4) return Row("QT-700/N", 1, QString());
    if (typeCode >= 11 && typeCode <= 13) {
        TDeviceType t = Row("QT-700/B", 1, version < 23 ? QString() : QStringLiteral("V"));
        t.ValueLock = version >= 30;
        return t;
    }
    if (typeCode >= 21 && typeCode <= 23) return Row("QT-700/V", 4, LoggerSuffix(version, true));
    if (typeCode == 24) {
        TDeviceType t = Row("QT-700/V2", 4, LoggerSuffix(version, true));
        t.ValueLock = version >= 60;
        return t;
    }
    if (typeCode == 25) return Row("QT-700/V3", 4, LoggerSuffix(version, false));
    if (typeCode == 31) return Row("QT-700/E", 4, version < 11 ? QStringLiteral("YV") : QStringLiteral("YVR"));
    if (typeCode == 41) return Row("QT-700/A", 4, QStringLiteral("YV"));
    if (typeCode == 42) return Row("QT-700/M", 8, QStringLiteral("YVRTW"));
    TDeviceType unknown;
    unknown.TypeName = QStringLiteral("unknown type");
    return unknown;
}

} // namespace

TDeviceType LookUpDeviceType(int typeCode, int version) {
    switch (typeCode) {
    case 84: {
        TDeviceType t = Row("KP-40/T", 2, QStringLiteral("YVT"));
        t.HasArchive = false;
        return t;
    }
    case 89: return Corrector("NX-18SPEC", 4, "YTVR", true);
    case 90: return Corrector("NX-16", 4, "YTVR", true);
    case 91: case 95: return Corrector("NX-17", 4, "YTVR", true);
    case 92: case 93: return Corrector("NX-18", 4, "YTVR", true);
    case 94: return Corrector("NX-20", 2, "YTV", false);
    default: return QtLogger(typeCode, version);
    }
}

QString IdentifyDeviceType(TDeviceInfo &info) {
    const int n = IdentNumber(info.IdentText);
    info.TypeCode = n / 100;
    info.Version = n % 100;
    const TDeviceType t = LookUpDeviceType(info.TypeCode, info.Version);
    info.TypeName = t.TypeName;
    info.ChannelCount = t.ChannelCount;
    info.ItemLetters = t.ItemLetters;
    info.HasProcessData = t.HasProcessData;
    info.HasArchive = t.HasArchive;
    info.IsCorrector = t.IsCorrector;
    info.ValueLock = t.ValueLock;
    return t.TypeName;
}

} // namespace korvul
