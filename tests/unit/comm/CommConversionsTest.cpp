#include "support/TestSupport.h"
#include "base/LangSupp.h"
#include "comm/Conversions.h"
#include "comm/Oem.h"

#include <gtest/gtest.h>
#include <cmath>
#include <iconv.h>

using namespace korvul;

namespace {
struct FormatsScope {
    FormatsScope(const QString &date, const QString &time) { SetLocaleFormats({date, time, QLatin1Char('.')}); }
    ~FormatsScope() { ResetLocaleFormats(); }
};
QString Crlf(int n) { return QStringLiteral("\r\n") + LanguageText(static_cast<uint16_t>(n)); }
} // namespace

TEST(CommConversions, StatusBitsGiveOneTextPerSetBitCountedFromTheRight) {
    EXPECT_EQ(StatusBitsToText("0A", 24, 40000), Crlf(42402) + Crlf(42404));
    EXPECT_EQ(StatusBitsToText("10", 24, 40000), Crlf(42405));          // second digit from the right
    EXPECT_EQ(StatusBitsToText("f", 1, 50000), Crlf(50101) + Crlf(50102) + Crlf(50103) + Crlf(50104));
    EXPECT_EQ(StatusBitsToText("", 24, 40000), "");
    EXPECT_EQ(StatusBitsToText("3", 91, 50000), LanguageText(59103));    // one text, no line break
    EXPECT_EQ(StatusBitsToText("1", 700, 50000), Crlf((700 * 100 + 50000 + 1) & 0xFFFF));  // wraps
}

TEST(CommConversions, StatusBitsRejectNonHexAndNonDecimalText) {
    EXPECT_THROW(StatusBitsToText("0G", 24, 40000), TConversionError);
    EXPECT_THROW(StatusBitsToText("x", 91, 50000), TConversionError);
    EXPECT_THROW(StatusBitsToText("", 91, 50000), TConversionError);
}

TEST(CommConversions, InputBits) {
    EXPECT_EQ(InputBitsToText("05"), " E.1 E.3");
    EXPECT_EQ(InputBitsToText("ff"), " E.1 E.2 E.3 E.4 E.5 E.6 E.7 E.8");
    EXPECT_EQ(InputBitsToText("100"), "");  // only bits 0..7 count
    EXPECT_THROW(InputBitsToText(""), TConversionError);
    EXPECT_THROW(InputBitsToText("0x5"), TConversionError);
}

struct DateRow { const char *format, *text, *expected; };
class CommDeviceDate : public ::testing::TestWithParam<DateRow> {};
TEST_P(CommDeviceDate, PlacesYearMonthDayIntoTheShortDateFormat) {
    FormatsScope formats(GetParam().format, "hh:mm:ss");
    EXPECT_EQ(DeviceDateToText(GetParam().text, 2), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Formats, CommDeviceDate, ::testing::Values(
    DateRow{"dd.mm.yyyy", "240517", "17.05.2024"},
    DateRow{"DD.MM.YY", "240517", "17.05.24"},
    DateRow{"mm/dd/yyyy", "240517101112", "05/17/2024"},
    DateRow{"yyyy-mm-dd", "991231", "2099-12-31"},
    DateRow{"dd.mm", "240517", "2417.05"}));  // no year letter: the year goes to the front

TEST(CommConversions, DeviceTimePlacesFieldsAndKeepsSingleLetterHours) {
    {
        FormatsScope formats("dd.mm.yyyy", "hh:mm:ss");
        EXPECT_EQ(DeviceTimeToText("101112", 2), "10:11:12");
    }
    {
        FormatsScope formats("dd.mm.yyyy", "H:MM:SS");
        EXPECT_EQ(DeviceTimeToText("091112", 2), "09:11:12");
    }
    FormatsScope formats("dd.mm.yyyy", "mm:ss");
    EXPECT_EQ(DeviceTimeToText("101112", 2), "1011:12");
}

TEST(CommConversions, DeviceDateAndTimeRejectShortTexts) {
    EXPECT_THROW(DeviceTimeToText("1011", 2), TConversionError);
    EXPECT_THROW(DeviceDateToText("", 2), TConversionError);
    EXPECT_THROW(DeviceDateToText("240517", 0), TConversionError);
}

TEST(CommConversions, QtFormatsBecomeConversionLetters) {
    EXPECT_EQ(DateFormatLetters("M/d/yy"), "mm/dd/yy");
    EXPECT_EQ(DateFormatLetters("dd.MM.yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(DateFormatLetters("dddd, d MMMM yyyy"), "dd, dd mm yyyy");
    EXPECT_EQ(ShortDateFormatFor("M/d/yy"), "mm/dd/yy");
    EXPECT_EQ(ShortDateFormatFor("d MMM yyyy"), "dd.mm.yyyy") << "month names leave only blanks between the fields";
    EXPECT_EQ(ShortDateFormatFor("yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(TimeFormatLetters("HH:mm:ss t"), "hh:mm:ss");
    EXPECT_EQ(TimeFormatLetters("h:mm:ss AP"), "hh:mm:ss");
    const TLocaleFormats &system = LocaleFormats();
    EXPECT_TRUE(system.ShortDateFormat.contains('d'));
    EXPECT_TRUE(system.LongTimeFormat.contains("hh"));
}

struct FloatRow { const char *text; int pos; double expected; };
class CommFloats : public ::testing::TestWithParam<FloatRow> {};
TEST_P(CommFloats, Value) {
    const FloatRow &r = GetParam();
    const double v = r.pos == 0 ? DecimalFloatFromText(r.text)
                   : r.pos < 0 ? ResolutionFromText(r.text)
                               : HexFloatFromText(r.text, r.pos);
    EXPECT_DOUBLE_EQ(v, r.expected) << r.text;
}
INSTANTIATE_TEST_SUITE_P(Examples, CommFloats, ::testing::Values(
    FloatRow{"123456780002", 0, 12.345678}, FloatRow{"123456780102", 0, 0.0012345678},
    FloatRow{"000000000000", 0, 0.0}, FloatRow{"50000000 x01", 0, 0.05},
    FloatRow{"0003E8FE", 7, 10.0}, FloatRow{"", 7, 0.0}, FloatRow{"00000a01", 7, 100.0},
    FloatRow{"0064FF", 5, 10.0}, FloatRow{"000003E8FB", 9, 0.01}, FloatRow{"FFFFFFFF00", 9, 4294967295.0},
    FloatRow{"-1", -1, 0.001}, FloatRow{" 99 ", -1, 99.0}, FloatRow{"2", -1, 1.0}, FloatRow{"+0", -1, 0.01}));

TEST(CommConversions, MalformedNumbersRaiseInsteadOfPartialValues) {
    for (const char *t : {"1234567800", "1234 678000002", "ABCDEFGH0002", "", "12345678002X"})
        EXPECT_THROW(DecimalFloatFromText(t), TConversionError) << t;
    for (const char *t : {"0003E8", "00G3E8FE", "1"})
        EXPECT_THROW(HexFloatFromText(t, 7), TConversionError) << t;
    EXPECT_THROW(HexFloatFromText("123456789A00", 11), TConversionError);  // mantissa beyond 32 bits
    EXPECT_THROW(HexFloatFromText("12", 1), TConversionError);
    for (const char *t : {"", " 2", "1.5", "-", "99x", "9999999"})
        EXPECT_THROW(ResolutionFromText(t), TConversionError) << t;
}

TEST(CommConversions, HexDigitValueKnowsOnlyUpperCaseDigits) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (char c : {'a', 'f', 'G', ' ', '\0', '%'}) EXPECT_EQ(HexDigitValue(QLatin1Char(c)), -1) << int(c);
}

TEST(CommOem, ProgramAndOemCodePagesRoundTrip) {
    const QString text = QString::fromUtf8("Ärger µ 12€");
    EXPECT_EQ(ToOemText(QString::fromUtf8("Ä")), QByteArray("\x8E"));
    EXPECT_EQ(ToDeviceText(QString::fromUtf8("Ä")), QByteArray("\xC4"));
    EXPECT_EQ(FromOemText(QByteArray("\x81")), QString::fromUtf8("ü"));
    EXPECT_EQ(AnsiToOem(QByteArray("\xFC")), QByteArray("\x81"));
    EXPECT_EQ(OemToAnsi(QByteArray("\x81")), QByteArray("\xFC"));
    EXPECT_EQ(FromDeviceText(ToDeviceText(text)), text);
    // Characters the target set lacks become "?" and the rest of the text survives.
    EXPECT_EQ(ToOemText(QString::fromUtf8("a€b")), QByteArray("a?b"));
    EXPECT_EQ(ToDeviceText(QString::fromUtf8("a\u4e00b")), QByteArray("a?b"));
    EXPECT_EQ(ToDeviceText(FromDeviceText(QByteArray("a\x81" "b"))), QByteArray("a\x81" "b"));
    // A character outside the basic plane is one character, so one "?".
    EXPECT_EQ(ToDeviceText(QString::fromUtf8("a\U0001F600b")), QByteArray("a?b"));
}

// iconv converting one character, "?" where it refuses: what the code page tables must agree with.
QByteArray IconvOne(const char *to, const char *from, const QByteArray &in) {
    iconv_t cd = iconv_open(to, from);
    char out[16];
    char *inPtr = const_cast<char *>(in.constData()), *outPtr = out;
    size_t inLeft = size_t(in.size()), outLeft = sizeof out;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1);
    iconv_close(cd);
    return ok ? QByteArray(out, int(outPtr - out)) : QByteArray("?");
}

TEST(CommOem, CodePageTablesAgreeWithIconvForEveryByteAndCharacter) {
    struct Page {
        const char *name;
        QByteArray (*toBytes)(const QString &);
        QString (*toText)(const QByteArray &);
    };
    for (const Page &page : {Page{"CP1252", ToDeviceText, FromDeviceText}, Page{"CP850", ToOemText, FromOemText}}) {
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, char(b));
            QByteArray expected = IconvOne("UTF-8", page.name, byte);
            if (expected == "?" && b != '?') expected = QString(QChar(char16_t(b))).toUtf8();  // undefined: kept
            EXPECT_EQ(page.toText(byte).toUtf8(), expected) << page.name << " byte " << b;
            EXPECT_EQ(page.toBytes(page.toText(byte)), byte) << page.name << " byte " << b << " comes back";
        }
        for (char32_t c = 1; c < 0xFFFE; ++c) {
            if (c >= 0xD800 && c < 0xE000) continue;  // surrogates are no characters of their own
            const QString text(QChar{char16_t(c)});
            QByteArray expected = IconvOne(page.name, "UTF-8", text.toUtf8());
            if (expected == "?" && c >= 0x80 && c < 0x100 && page.toText(QByteArray(1, char(c))) == text)
                expected = QByteArray(1, char(c));  // an undefined byte's own character
            if (page.toBytes(text) != expected) ADD_FAILURE() << page.name << " U+" << std::hex << int(c);
        }
    }
}
