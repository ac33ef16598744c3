#include "comm/Oem.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace korvul {

namespace {

// Converts with one iconv descriptor. Input that cannot be converted (an invalid or unmappable
// sequence) is skipped one source unit at a time and replaced by "?".
QByteArray Convert(const char *to, const char *from, const QByteArray &input, int unitSize) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    QByteArray out;
    out.reserve(input.size() * 2 + 8);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    char buffer[256];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<int>(outPtr - buffer));
        if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL: replace one source unit (a whole UTF-8 sequence where it can be found).
        size_t skip = std::min<size_t>(static_cast<size_t>(unitSize), inLeft);
        if (unitSize == 0) {  // UTF-8: skip the lead byte and its continuation bytes
            skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        out.append('?');
    }
    iconv_close(cd);
    return out;
}

} // namespace

QByteArray ToDeviceText(const QString &text) { return Convert("CP1252", "UTF-8", text.toUtf8(), 0); }
QString FromDeviceText(const QByteArray &bytes) { return QString::fromUtf8(Convert("UTF-8", "CP1252", bytes, 1)); }
QByteArray ToOemText(const QString &text) { return Convert("CP850", "UTF-8", text.toUtf8(), 0); }
QString FromOemText(const QByteArray &bytes) { return QString::fromUtf8(Convert("UTF-8", "CP850", bytes, 1)); }
QByteArray AnsiToOem(const QByteArray &cp1252) { return ToOemText(FromDeviceText(cp1252)); }
QByteArray OemToAnsi(const QByteArray &cp850) { return ToDeviceText(FromOemText(cp850)); }

} // namespace korvul
