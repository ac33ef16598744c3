#include "config/QT700MConfig.h"

#include <algorithm>

namespace korvul {

namespace {

// 0-based position of input n's pair (inputs 1..4 at positions 11, 9, 7, 5).
int InputPairPos(int input) { return 12 - 2 * input; }

} // namespace

TInputAssignment ParseInputConfig(const QString &text) {
    TInputAssignment inputs;
    for (int input = 1; input <= 4; ++input) {
        const int second = InputPairPos(input) + 1;
        if (second >= text.size()) continue;
        if (text[second] == QLatin1Char('1')) inputs.Count = input;
        else if (text[second] == QLatin1Char('2')) inputs.Compare = input;
    }
    return inputs;
}

QString BuildInputConfig(const TInputAssignment &inputs) {
    QString text(12, QLatin1Char('0'));
    if (inputs.Count >= 1 && inputs.Count <= 4) text.replace(InputPairPos(inputs.Count), 2, QStringLiteral("41"));
    if (inputs.Compare >= 1 && inputs.Compare <= 4)
        text.replace(InputPairPos(inputs.Compare), 2, QStringLiteral("42"));
    return text;
}

QChar DuplicateInput(const TInputAssignment &channel1, const TInputAssignment &channel2) {
    const QString digits = QString::number(channel1.Count) + QString::number(channel1.Compare) +
                           QString::number(channel2.Count) + QString::number(channel2.Compare);
    for (int i = 0; i < digits.size(); ++i)
        if (digits[i] != QLatin1Char('0') && digits.indexOf(digits[i], i + 1) >= 0) return digits[i];
    return {};
}

QString NormalizeOutputString(const QString &answer) {
    return answer.left(kOutputStringLength).leftJustified(kOutputStringLength, QLatin1Char('0'));
}

TOutputChoice ParseOutputPair(const QString &pair) {
    bool ok = false;
    const int v = pair.size() == 2 ? pair.toInt(&ok, 16) : -1;
    if (!ok) return {1, 0};
    if (v >= 0x80 && v <= 0x87) return {0, v - 0x80};
    if (v == 0xC0) return {0, 8};
    if (v == 0x00 || v == 0x01) return {1, v};
    if (v >= 0xD0 && v <= 0xD7) return {2, v - 0xD0};
    if (v == 0xC1) return {2, 8};
    return {1, 0};
}

QString OutputPairText(const TOutputChoice &choice) {
    const int v = choice.Function * 10 + choice.Channel;
    const QString digit = QString::number(v % 10);
    if (v >= 0 && v <= 7) return QStringLiteral("8") + digit;
    if (v == 8) return QStringLiteral("C0");
    if (v == 10 || v == 11) return QStringLiteral("0") + digit;
    if (v >= 20 && v <= 27) return QStringLiteral("D") + digit;
    if (v == 28) return QStringLiteral("C1");
    return QStringLiteral("00");
}

std::array<TOutputChoice, 2> ParseOutputString(const QString &normalized) {
    return {ParseOutputPair(normalized.mid(kOutputPairPos[0], 2)), ParseOutputPair(normalized.mid(kOutputPairPos[1], 2))};
}

QString BuildOutputString(const QString &normalized, const std::array<TOutputChoice, 2> &outputs) {
    QString text = NormalizeOutputString(normalized);
    for (int i = 0; i < 2; ++i) text.replace(kOutputPairPos[i], 2, OutputPairText(outputs[i]));
    return text;
}

int OutputChannelCount(int function) { return function == 1 ? 2 : 9; }

TShares SameSizeShares(int total) {
    TShares shares{};
    int rest = total;
    for (int n = 1; n <= 7; ++n) {
        const int divisor = 9 - n;
        int q = rest / divisor;
        const int r = rest % divisor;
        // Nearest integer, ties to even (the remainders here are never negative for a total >= 0).
        if (2 * r > divisor || (2 * r == divisor && q % 2 != 0)) ++q;
        shares[n - 1] = std::clamp(q, kShareMin, kShareMax);
        rest -= shares[n - 1];
    }
    shares[7] = std::clamp(rest, kShareMin, kShareMax);
    return shares;
}

int SharesSum(const TShares &shares) {
    int sum = 0;
    for (int s : shares) sum += s;
    return sum;
}

QString PartitionText(int channelIndex, int share) {
    return QStringLiteral("0%1%2").arg(channelIndex).arg(share, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace korvul
