#include "comm/Oem.h"

#include <QHash>

#include <iconv.h>
#include <stdexcept>
#include <string>

namespace korvul {

namespace {

// A single-byte code page as two tables, built once with iconv when first used: a conversion per
// device text would open iconv for every archive record, which costs more than reading the record.
// A byte the code page leaves undefined (CP1252: 81, 8D, 8F, 90, 9D) reads as the control character of
// the same number and is written back as that byte, so every byte a device sends reaches a file as
// sent. Other characters the code page cannot hold are written as "?".
class TCodePage {
public:
    explicit TCodePage(const char *name) {
        iconv_t cd = iconv_open("UTF-16LE", name);
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + name + " to UTF-16");
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t out[2] = {u'?', u'?'};
            char *inPtr = &in, *outPtr = reinterpret_cast<char *>(out);
            size_t inLeft = 1, outLeft = sizeof out;
            const bool one = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                             outLeft == sizeof out - sizeof(char16_t) && !QChar::isSurrogate(out[0]);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            toText_[b] = one ? out[0] : static_cast<char16_t>(b);
            if (!toByte_.contains(toText_[b])) toByte_.insert(toText_[b], static_cast<char>(b));
        }
        iconv_close(cd);
    }

    QString ToText(const QByteArray &bytes) const {
        QString text(bytes.size(), Qt::Uninitialized);
        QChar *out = text.data();
        for (const char c : bytes) *out++ = QChar(toText_[static_cast<unsigned char>(c)]);
        return text;
    }

    // One "?" per character the code page cannot hold, a surrogate pair counting as one character.
    QByteArray ToBytes(const QString &text) const {
        QByteArray bytes;
        bytes.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
            bytes.append(toByte_.value(c, '?'));
        }
        return bytes;
    }

private:
    char16_t toText_[256];
    QHash<char16_t, char> toByte_;
};

const TCodePage &ProgramCodePage() {
    static const TCodePage page("CP1252");
    return page;
}

const TCodePage &OemCodePage() {
    static const TCodePage page("CP850");
    return page;
}

} // namespace

QByteArray ToDeviceText(const QString &text) { return ProgramCodePage().ToBytes(text); }
QString FromDeviceText(const QByteArray &bytes) { return ProgramCodePage().ToText(bytes); }
QByteArray ToOemText(const QString &text) { return OemCodePage().ToBytes(text); }
QString FromOemText(const QByteArray &bytes) { return OemCodePage().ToText(bytes); }
QByteArray AnsiToOem(const QByteArray &cp1252) { return ToOemText(FromDeviceText(cp1252)); }
QByteArray OemToAnsi(const QByteArray &cp850) { return ToDeviceText(FromOemText(cp850)); }

} // namespace korvul
