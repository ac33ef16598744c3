#include "comm/Items.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/Oem.h"
#include "comm/CommClass.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace korvul {

namespace {

using TItemBuffer = std::array<char, 256>;

// A zero-filled value buffer holding at most 255 bytes of value and always a terminating zero.
TItemBuffer ValueBuffer(const QByteArray &value) {
    TItemBuffer buffer{};
    std::memcpy(buffer.data(), value.constData(), std::min<size_t>(value.size(), buffer.size() - 1));
    return buffer;
}

// The answer up to its first zero byte, never past the buffer, cut to maxLength bytes.
QByteArray AnswerOf(TItemBuffer &buffer, int maxLength) {
    buffer.back() = 0;
    const size_t n = std::min<size_t>(std::strlen(buffer.data()), static_cast<size_t>(maxLength));
    return QByteArray(buffer.data(), static_cast<int>(n));
}

int32_t ProtocolRead(uint8_t code, TItemBuffer &buffer, int32_t expectedLength) {
    int32_t length = expectedLength, item = code;
    return CommObject().CallProtocol(dpRead, buffer.data(), &length, &item);
}

// Sends at most 255 bytes of value with the given length (which may be shorter than the value).
int32_t ProtocolWrite(uint8_t command, uint8_t code, const QByteArray &value, int32_t length) {
    TItemBuffer buffer = ValueBuffer(value);
    length = std::min<int32_t>(length, kItemTextMax);
    int32_t item = code;
    return CommObject().CallProtocol(command, buffer.data(), &length, &item);
}

[[noreturn]] void RaiseResult(int32_t r) { throw TCommClassException::Result(r); }

} // namespace

QByteArray ReadItemBytes(uint8_t code, int32_t expectedLength) {
    TItemBuffer buffer{};
    const int32_t r = ProtocolRead(code, buffer, expectedLength);
    if (r != 0) RaiseResult(r);
    return AnswerOf(buffer, kItemTextMax);
}

void ReadItem(uint8_t code, QString &value, int32_t expectedLength) {
    value = FromDeviceText(ReadItemBytes(code, expectedLength));
}

QString ReadChannelItem() {
    TItemBuffer buffer{};
    std::memset(buffer.data(), '0', kChannelItemMax);
    const int32_t r = ProtocolRead('Y', buffer, 0);
    if (r != 0) RaiseResult(r);
    return FromDeviceText(AnswerOf(buffer, kChannelItemMax));
}

void WriteItemOrRaise(uint8_t code, const QByteArray &value) {
    const int32_t r = ProtocolWrite(dpWrite, code, value, static_cast<int32_t>(value.size()));
    if (r != 0) RaiseResult(r);
}

int32_t WriteItem(uint8_t code, const QString &key, const QString &value, TStrList &commonData) {
    if (value.isEmpty()) return 0;
    const QByteArray bytes = ToDeviceText(value);
    const int32_t r = ProtocolWrite(dpWrite, code, bytes, static_cast<int32_t>(bytes.size()));
    if (r == 0 && key != QString(QChar(0x14))) commonData.SetValue(key, value);
    if (r < 0) RaiseResult(r);
    return r;
}

int32_t WriteProtectedItem(uint8_t code, const QString &value) {
    if (value.isEmpty()) return 0;
    const QByteArray oem = ToOemText(value);
    const int32_t r = ProtocolWrite(dpWriteOem, code, oem, static_cast<int32_t>(oem.size()));
    if (r < 0) RaiseResult(r);
    return r;
}

namespace {

// Reads the capability letters; false when the connection ended on the way.
void ReadCommonItems(TStrList &list) {
    TCommClass &comm = CommObject();
    const uint8_t saved = comm.Options();
    comm.SetOptions(coPollOff);
    for (QChar letter : DeviceInfo().ItemLetters) {
        if (!comm.Connected()) break;
        ProcessMessages();
        TItemBuffer buffer{};
        const int32_t r = ProtocolRead(static_cast<uint8_t>(letter.unicode()), buffer, 0);
        if (r < 0) RaiseResult(r);
        if (r == 0) list.append(letter + QLatin1Char('=') + FromDeviceText(AnswerOf(buffer, kCommonItemMax)));
    }
    comm.SetOptions(saved);
}

void SendAccessCode() {
    const QString code = Settings().ACCESSCODE;
    const int32_t r = ProtocolWrite(dpWrite, 99, ToDeviceText(code).left(8), 8);  // zero-padded to 8
    if (r < 0) RaiseResult(r);
    if (r == 0 && !code.isEmpty()) DeviceInfo().WriteAccess = true;
}

} // namespace

void ReadCapabilityItems(TStrList &list) {
    ReadCommonItems(list);
    if (!CommObject().Connected()) return;
    DeviceInfo().WriteAccess = false;
    SendAccessCode();
    if (WriteReaderName() != 0 && CommUiHooks().ShowMessage) CommUiHooks().ShowMessage(LanguageText(256));
}

int32_t WriteReaderName() {
    if (DeviceInfo().TypeName == QLatin1String("KP-40/T")) return 0;
    const QByteArray name = ToDeviceText(Settings().READER).left(12).leftJustified(12, ' ');
    const int32_t r = ProtocolWrite(dpWrite, 102, name, 12);
    if (r < 0) throw TCommClassException(LanguageText(256));
    return r;
}

int32_t WriteCodeMark() {
    int &mark = Settings().CODEMARK;
    if (mark == 0) return 0;
    if (mark == -1) mark = 0;
    const QByteArray text = QByteArray::number(static_cast<uint32_t>(mark), 16).toUpper().rightJustified(2, '0');
    const int32_t r = ProtocolWrite(dpWrite, 126, text, 2);
    if (r == deTimeout) throw TCommClassException(LanguageText(251));
    return r;
}

void ReadModuleItems(TStrList &moduleData, const QString &letters, bool withAccessCode) {
    TCommClass &comm = CommObject();
    comm.Period = 0;
    comm.SetOptions(coPollOff);
    int32_t param = spTimeout, timeout = Settings().CLMTIMEOUT;
    comm.CallLine(dpSetParam, nullptr, &param, &timeout);
    if (HQFlag && withAccessCode) {
        const QString code = Settings().CLM300ACCESSCODE.left(8).leftJustified(8, QLatin1Char(' '));
        if (WriteProtectedItem('K', code) == 0) ModuleAccess = true;
    }
    for (QChar letter : letters) {
        const QByteArray raw = ReadItemBytes(static_cast<uint8_t>(letter.unicode()));
        ProcessMessages();
        const QString value = FromOemText(raw);
        moduleData.sort(Qt::CaseInsensitive);
        const int i = moduleData.IndexOfKey(letter);
        // A line with this key is updated in place (also an empty one), so no key appears twice.
        if (i < 0) moduleData.append(letter + QLatin1Char('=') + value);
        else moduleData[i] = letter + QLatin1Char('=') + value;
    }
    comm.Period = static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535));
    comm.SetOptions(coPollOn);
}

} // namespace korvul
