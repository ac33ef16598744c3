// libFuzzer target for the communication layer's text handling: the value conversions and TStrList.
// The first input byte picks the routine, the rest is the device text (bytes in the program code
// page, as a device would send them). Every conversion either returns a value or raises
// TConversionError; anything else (a crash, another exception, a broken promise) is a finding.
#include "FuzzCheck.h"
#include "comm/Conversions.h"
#include "comm/Oem.h"
#include "comm/StrList.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "LanguageStub.h"  // the conversions only need text numbers here, not the language module

using namespace korvul;

namespace {

using fuzzcheck::Check;

template <typename F> void Converting(F f) {
    try {
        f();
    } catch (const TConversionError &) {
    }
}

void Conversions(uint8_t which, const QString &text) {
    switch (which % 8) {
    case 0: Converting([&] { StatusBitsToText(text, text.size() % 3 ? 24 : 91, 40000); }); break;
    case 1: Converting([&] { InputBitsToText(text); }); break;
    case 2: Converting([&] { DeviceTimeToText(text, 1 + text.size() % 3); }); break;
    case 3: Converting([&] { DeviceDateToText(text, 1 + text.size() % 3); }); break;
    case 4: Converting([&] { Check(std::isfinite(DecimalFloatFromText(text))); }); break;
    case 5: Converting([&] { Check(std::isfinite(HexFloatFromText(text, text.size() % 12))); }); break;
    case 6: Converting([&] { Check(std::isfinite(ResolutionFromText(text))); }); break;
    default:
        for (QChar c : text) {
            const int v = HexDigitValue(c);
            Check(v >= -1 && v <= 15);
        }
    }
}

// Lines of the input as a list; then every key of it set, read back and deleted.
void StrList(const QString &text) {
    TStrList list(text.split(QLatin1Char('\n')));
    const TStrList keys = list;
    for (const QString &line : keys) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        if (key.contains(QLatin1Char('='))) continue;
        const QString value = line.section(QLatin1Char('='), 1) + QStringLiteral("v");
        list.SetValue(key, value);
        Check(list.GetValue(key) == value);
        const int before = static_cast<int>(list.size());
        list.SetValue(key, QString());
        Check(static_cast<int>(list.size()) == before - 1);
    }
    Check(FromDeviceText(ToDeviceText(FromDeviceText(text.toLatin1()))) == FromDeviceText(text.toLatin1()));
    FromOemText(ToOemText(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    const QString text = FromDeviceText(bytes);
    if (data[0] & 0x80) StrList(text);
    else Conversions(data[0], text);
    return 0;
}
