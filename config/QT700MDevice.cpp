#include "config/QT700MDevice.h"

#include "base/Settings.h"
#include "comm/Drivers.h"
#include "comm/Items.h"

namespace korvul {

namespace {

constexpr uint8_t kRegisterAddress = 61, kRegisterValue = 60, kRegisterWrite = 62;
constexpr int kRegisterTextMax = 16;

} // namespace

void WriteAccessCode() {
    QByteArray code = Settings().ACCESSCODE.toLatin1().left(8);
    code.append(QByteArray(8 - code.size(), '\0'));
    WriteItemOrRaise('c', code);
}

QString ReadRegister(const QString &address) {
    WriteItemOrRaise(kRegisterAddress, address.toLatin1());
    return ReadItemText(kRegisterValue, kRegisterTextMax);
}

int ReadHexRegister(const QString &address) {
    const QString text = ReadRegister(address);
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    if (!ok || value < 0)
        throw TCommClassException(QStringLiteral("Register %1: \"%2\" is no hexadecimal number").arg(address, text));
    return value;
}

void WriteRegister(const QString &address, const QString &value) {
    WriteItemOrRaise(kRegisterAddress, address.toLatin1());
    WriteItemOrRaise(kRegisterWrite, value.toLatin1());
}

QString ReadItemText(uint8_t code, int maxLength) {
    QString value;
    ReadItem(code, value);
    return value.left(maxLength);
}

void WriteItemText(uint8_t code, const QString &value) { WriteItemOrRaise(code, value.toLatin1()); }

} // namespace korvul
