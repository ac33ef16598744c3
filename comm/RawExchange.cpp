// ExchangeRawCommand: the process data request straight through the line driver.
#include "comm/Items.h"

#include "base/Wait.h"

#include <algorithm>
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/Oem.h"
#include "comm/CommClass.h"

namespace korvul {

namespace {

// A P67 answer longer than this is not an answer but a line fault; the attempt fails.
constexpr int kRawAnswerLimit = 4096;

bool LineWriteBytes(const QByteArray &bytes) {
    int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
    return CommObject().CallLine(dpWrite, const_cast<char *>(bytes.constData()), &count, &written) == 0;
}

bool LineReadByte(char &byte) {
    int32_t wanted = 1, received = 0;
    const int32_t r = CommObject().CallLine(dpRead, &byte, &wanted, &received);
    return r == 0 && received == 1;
}

// Reads the P67 answer with its checksum; false on a line error. A checksum mismatch empties text.
bool ReadChecksummedAnswer(QByteArray &text) {
    uint16_t sum = 0;
    char byte = 0;
    do {
        if (text.size() >= kRawAnswerLimit || !LineReadByte(byte)) return false;
        text.append(byte);
        sum = static_cast<uint16_t>(sum + static_cast<uint8_t>(byte));
    } while (byte != '%' && byte != '\n');
    const TDeviceInfo &info = DeviceInfo();
    if (info.TypeCode == 92) sum = static_cast<uint16_t>(sum - 2);
    int checksum = 0;
    bool digitsValid = true;
    for (int i = 0; i < 4; ++i) {
        if (!LineReadByte(byte)) return false;
        const int digit = HexDigitValue(QChar::fromLatin1(byte));
        digitsValid = digitsValid && digit >= 0;
        checksum = checksum * 16 + std::max(digit, 0);
    }
    const bool unchecked = info.TypeCode == 92 && (info.Version == 40 || info.Version == 41);
    if (!unchecked && (!digitsValid || checksum != sum)) text.clear();
    for (int i = 0; i < 4; ++i)
        if (!LineReadByte(byte)) return false;
    return true;
}

// Reads up to CR (not kept), at most 79 characters; false on a line error.
bool ReadLineAnswer(QByteArray &text) {
    char byte = 0;
    while (text.size() < 79) {
        if (!LineReadByte(byte)) return false;
        if (byte == '\r') break;
        text.append(byte);
    }
    return true;
}

bool Attempt(const QByteArray &command, QByteArray &text) {
    text.clear();
    if (!LineWriteBytes(QByteArray("\x01") + command + QByteArray("\r"))) return false;
    if (command == "P67") {
        SleepMs(500);
        return ReadChecksummedAnswer(text);
    }
    SleepMs(8000);
    return ReadLineAnswer(text);
}

} // namespace

void ExchangeRawCommand(const QString &command, QString &answer) {
    answer.clear();
    TCommClass &comm = CommObject();
    int32_t both = 3, none = 0;
    comm.CallLine(dpPurge, nullptr, &both, &none);
    const QByteArray cmd = ToDeviceText(command).left(3);
    QByteArray text;
    bool ok = false;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        if (attempt > 0) SleepMs(500);
        ok = Attempt(cmd, text);
    }
    if (!ok) throw TCommClassException(QString::fromLatin1(kErrorText));
    answer = FromDeviceText(text);
    if (!LineWriteBytes(QByteArray(1, '\x17'))) throw TCommClassException(QString::fromLatin1(kErrorText));
}

} // namespace korvul
