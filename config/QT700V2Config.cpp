#include "config/QT700V2Config.h"

#include <stdexcept>

namespace korvul {

namespace {
// Position of an output's pair (0-based first character).
constexpr int kOutput1Pos = 10, kOutput2Pos = 8;

// Channel code of a digit "0".."5", empty otherwise.
QString ChannelOfDigit(QChar digit) {
    const int d = digit.unicode() - '0';
    return d >= 0 && d <= 5 ? QString::fromLatin1(kChannelCodes[static_cast<std::size_t>(d)]) : QString();
}

void ReplacePair(QString &config, int pos, const TV2Choice::Output &output) {
    if (!output.rebuild) return;
    if (const std::optional<QString> pair = OutputPair(output.function, output.channelIndex))
        config.replace(pos, 2, *pair);
}
} // namespace

int ChannelCodeIndex(const QString &code) {
    for (std::size_t i = 0; i < kChannelCodes.size(); ++i)
        if (code == QLatin1String(kChannelCodes[i])) return static_cast<int>(i);
    return -1;
}

TV2DeviceFunction ParseDeviceFunction(QChar position1) {
    switch (position1.unicode()) {
    case '8': return {kDevFuncSum, 0};
    case '9': return {kDevFuncSum, 1};
    case '4': return {kDevFuncSwitchInput, 0};
    case '2': return {kDevFuncSwitchInput, 1};
    case '5': return {kDevFuncSwitchTimes, 0};
    case '3': return {kDevFuncSwitchTimes, 1};
    default: return {kDevFuncNone, std::nullopt};
    }
}

QChar DeviceFunctionChar(int function, int subChoice) {
    const bool second = subChoice == 1;
    switch (function) {
    case kDevFuncSum: return QLatin1Char(second ? '9' : '8');
    case kDevFuncSwitchInput: return QLatin1Char(second ? '2' : '4');
    case kDevFuncSwitchTimes: return QLatin1Char(second ? '3' : '5');
    default: return QLatin1Char('0');
    }
}

TV2Output ParseOutputPair(QChar first, QChar second) {
    if (first.toUpper() == QLatin1Char('C')) {
        if (second == QLatin1Char('0')) return {kOutPulse, QStringLiteral("OR")};
        if (second == QLatin1Char('1')) return {kOutSync, QStringLiteral("60")};
        if (second == QLatin1Char('2')) return {kOutOff, QString()};
        return {};
    }
    if (first == QLatin1Char('8')) return {kOutPulse, ChannelOfDigit(second)};
    if (first == QLatin1Char('0')) return {kOutLimit, ChannelOfDigit(second)};
    if (first == QLatin1Char('D')) return {kOutSync, ChannelOfDigit(second)};
    return {};
}

std::optional<QString> OutputPair(int function, int channelIndex) {
    const bool digit = channelIndex >= 0 && channelIndex <= 5;
    const QString d = QString::number(channelIndex);
    switch (function) {
    case kOutPulse:
        if (digit) return QLatin1Char('8') + d;
        if (channelIndex == 6) return QStringLiteral("C0");
        break;
    case kOutLimit:
        if (digit) return QLatin1Char('0') + d;
        break;
    case kOutOff: return QStringLiteral("C2");
    case kOutSync:
        if (digit) return QLatin1Char('D') + d;
        if (channelIndex == 7) return QStringLiteral("C1");
        break;
    default: break;
    }
    return std::nullopt;
}

QStringList OfferedChannels(int outputFunction, int deviceFunction, int sumChoice) {
    QStringList all;
    for (const char *code : kChannelCodes) all << QString::fromLatin1(code);
    if (outputFunction < 0 || outputFunction > kOutSync) return all;
    if (outputFunction == kOutOff) return {};
    const bool s1 = (deviceFunction == kDevFuncSum && sumChoice == 1) || deviceFunction == kDevFuncSwitchInput ||
                    deviceFunction == kDevFuncSwitchTimes;
    const bool s2 = deviceFunction == kDevFuncSwitchInput;
    QStringList kept = {all[0], all[1], all[2], all[3]};
    if (s1) kept << all[4];
    if (s2) kept << all[5];
    if (outputFunction == kOutPulse) kept << all[6];
    if (outputFunction == kOutSync) kept << all[7];
    return kept;
}

QString CompleteV2Config(const QString &config) {
    if (config.size() >= kV2ConfigLength) return config;
    return config + QString::fromLatin1(kDefaultV2Config).mid(config.size());
}

TV2Config ParseV2Config(const QString &text) {
    const QString config = CompleteV2Config(text);
    TV2Config parsed;
    parsed.device = ParseDeviceFunction(config[0]);
    parsed.output1 = ParseOutputPair(config[kOutput1Pos], config[kOutput1Pos + 1]);
    parsed.output2 = ParseOutputPair(config[kOutput2Pos], config[kOutput2Pos + 1]);
    return parsed;
}

QString RebuildV2Config(const QString &text, const TV2Choice &choice) {
    QString config = CompleteV2Config(text);
    config[0] = DeviceFunctionChar(choice.deviceFunction, choice.subChoice);
    if (choice.deviceFunction != kDevFuncSum && choice.deviceFunction != kDevFuncSwitchInput &&
        choice.deviceFunction != kDevFuncSwitchTimes)
        config[1] = QLatin1Char('0');
    ReplacePair(config, kOutput1Pos, choice.output1);
    ReplacePair(config, kOutput2Pos, choice.output2);
    return config;
}

QString SwitchTimeForEdit(const QString &deviceText) {
    if (deviceText.size() < 2) return deviceText;
    return deviceText.left(2) + QLatin1Char(':') + deviceText.mid(2);
}

QString SwitchTimeForDevice(const QString &editText) {
    QString digits = editText;
    if (digits.size() >= 3) digits.remove(2, 1);
    digits.replace(QLatin1Char('_'), QLatin1Char('0'));
    digits.replace(QLatin1Char(' '), QLatin1Char('0'));
    return digits;
}

QString ReadingNumberText(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

int ParseReadingNumber(const QString &registerText) {
    bool ok = false;
    const int value = registerText.trimmed().toInt(&ok, 16);
    if (!ok || value < 0)
        throw std::invalid_argument(("'" + registerText + "' is not a valid hexadecimal value").toStdString());
    return value;
}

} // namespace korvul
