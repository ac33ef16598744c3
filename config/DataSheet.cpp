#include "config/DataSheet.h"

#include "base/LangSupp.h"
#include "comm/Conversions.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <cmath>

namespace korvul {

float PrintFactorFromAnswer(const QString &answer) {
    bool ok = false;
    const qulonglong v = answer.trimmed().toULongLong(&ok, 16);
    return ok && v != 0 ? static_cast<float>(1000.0 / double(v) + 1000.0) : 1000.0f;
}

QString DataSheetDeviceNumber(const QString &devNo) {
    if (devNo.size() < 5) return devNo;
    QString s = devNo;
    s[s.size() - 5] = QLatin1Char('0');
    return s;
}

QString DataSheetDateTime(const QDateTime &dt) {
    // The locale formats use m for the month in dates and for minutes in times.
    const QString date = LocaleFormats().ShortDateFormat.toLower().replace(QLatin1Char('m'), QLatin1Char('M'));
    const QString time = LocaleFormats().LongTimeFormat.toLower();
    return dt.toString(date + QLatin1Char(' ') + time);
}

namespace {

// Character heights of the sheet's fonts, in printer pixels.
constexpr int kTitleHeight = 120;
constexpr int kBodyHeight = 85;

// Paints the sheet top to bottom; y is the top of the current line. All positions are printer pixels
// of the painter's device; text is placed by the top of its line, as a line printer would.
class TSheetPainter {
public:
    TSheetPainter(QPainter &painter, const TDataSheet &sheet);
    void Paint();

private:
    QFont Font(int height, bool bold) const;
    void Use(const QFont &font) { p_.setFont(font); }
    int Width(const QString &text) const { return p_.fontMetrics().horizontalAdvance(text); }
    void Text(int x, const QString &text) { p_.drawText(x, y_ + p_.fontMetrics().ascent(), text); }
    void Line() { y_ += pitch_; }
    void Gap() { y_ += 2 * pitch_; }
    void Heading(uint16_t number);

    void Identification();
    void Memory();
    void Scaling();
    void Sensors();
    void Inputs();
    void Closing();

    QPainter &p_;
    const TDataSheet &s_;
    const TDataSheetValues &v_;
    QFont title_, bold_, normal_;
    int dpiX_, dpiY_, w_;
    int left_, pitch_, rightCol_, colGap_;
    int y_;
};

TSheetPainter::TSheetPainter(QPainter &painter, const TDataSheet &sheet)
    : p_(painter), s_(sheet), v_(sheet.Values) {
    const QPaintDevice *device = p_.device();
    dpiX_ = device->logicalDpiX();
    dpiY_ = device->logicalDpiY();
    w_ = device->width();
    title_ = Font(kTitleHeight, true);
    bold_ = Font(kBodyHeight, true);
    normal_ = Font(kBodyHeight, false);
    left_ = qRound(0.75 * dpiX_);
    y_ = qRound(7.5 * (dpiY_ / 10));
    pitch_ = QFontMetrics(normal_, device).height() + dpiY_ / 10;
    rightCol_ = w_ / 2 + left_;
    colGap_ = dpiX_ / 3;
}

QFont TSheetPainter::Font(int height, bool bold) const {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(height);
    f.setBold(bold);
    return f;
}

void TSheetPainter::Heading(uint16_t number) {
    Use(bold_);
    Text(left_, LanguageText(number));
    Line();
}

void TSheetPainter::Paint() {
    Use(title_);
    const QString title = LanguageText(1301);
    Text(left_ + (w_ - left_ - Width(title)) / 2, title);
    Gap();
    Identification();
    Memory();
    Scaling();
    Sensors();
    Inputs();
    Closing();
}

// Print date, device number, software version and the fixed right column, then the print factor.
void TSheetPainter::Identification() {
    Use(bold_);
    Text(left_, LanguageFormat(1302, {DataSheetDateTime(s_.Printed)}));
    Gap();
    Text(left_, LanguageFormat(1303, {DataSheetDeviceNumber(v_.Channels[0].DevNo)}));
    const QString maker = LanguageText(1305);
    Text(rightCol_, maker);
    const int valueCol = rightCol_ + Width(maker) + qRound(0.2 * dpiX_);
    Text(valueCol, LanguageText(1306));
    Line();
    Text(left_, LanguageFormat(1304, {v_.SoftwareVersion}));
    Text(valueCol, LanguageText(1307));
    Line();
    Text(valueCol, LanguageText(1308));
    Line();
    Text(left_, LanguageFormat(1334, {double(s_.PrintFactor)}));
    Gap();
}

void TSheetPainter::Memory() {
    Heading(1309);
    Use(normal_);
    Text(left_, LanguageFormat(1310, {v_.TotalMemory / 10}));
    Line();
    Use(bold_);
    const int c2 = left_ + Width(LanguageText(1311)) + colGap_;
    const int c3 = c2 + Width(QStringLiteral("000000000000")) + colGap_;
    const int c4 = c3 + Width(LanguageText(1313)) + colGap_;
    const std::array<int, 4> cols{left_, c2, c3, c4};
    for (int i = 0; i < 4; ++i) Text(cols[i], LanguageText(uint16_t(1311 + i)));
    Line();
    for (const TDataSheetChannel &ch : v_.Channels) {
        Use(bold_);
        Text(left_, ch.Channel);
        Use(normal_);
        Text(c2, ch.DevNo);
        Text(c3, ch.Period);
        Text(c4, QString::number(ch.Share));
        Line();
    }
    Line();
}

void TSheetPainter::Scaling() {
    Heading(1315);
    Use(bold_);
    std::array<int, 4> cols{left_, left_ + Width(LanguageText(1320)) + colGap_, 0, 0};
    for (int i = 1; i <= 3; ++i) {
        const QString header = LanguageText(uint16_t(1315 + i));
        Text(cols[i], header);
        if (i < 3) cols[i + 1] = cols[i] + Width(header) + colGap_;
    }
    Line();
    const std::array<std::array<QString, 3>, 2> rows{
        std::array<QString, 3>{v_.PressureMax, v_.PressureOffset, v_.PressureSlope},
        std::array<QString, 3>{v_.TemperatureMax, v_.TemperatureOffset, v_.TemperatureSlope}};
    for (int r = 0; r < 2; ++r) {
        Use(bold_);
        Text(left_, LanguageText(uint16_t(1319 + r)));
        Use(normal_);
        for (int i = 0; i < 3; ++i) Text(cols[i + 1], rows[r][i]);
        r == 0 ? Line() : Gap();
    }
}

// The delivered sensors; a pressure sensor not delivered is described by its values at 4 and 20 mA.
void TSheetPainter::Sensors() {
    Heading(1321);
    Use(bold_);
    const std::array<int, 5> cols{left_, left_ + Width(LanguageText(1328)) + colGap_,
                                  int(std::lround((w_ - left_) / 2.0 + left_)),
                                  int(std::lround((w_ / 10) * 7.4)), int(std::lround((w_ / 10) * 9.0))};
    const std::array<uint16_t, 4> headers{1329, 1331, 1330, 1332};
    for (int i = 0; i < 4; ++i) Text(cols[i + 1], LanguageText(headers[i]));
    Line();
    const TDataSheetSensors &d = s_.Sensors;
    Text(left_, LanguageText(1327));
    Use(normal_);
    if (d.PressureSupplied) {
        const std::array<QString, 4> texts{d.PManufacturer, d.PType, d.PSerial, d.PYear};
        for (int i = 0; i < 4; ++i) Text(cols[i + 1], texts[i]);
    } else {
        Text(cols[1], LanguageFormat(1333, {d.P4mA, d.P20mA}));
    }
    Line();
    Use(bold_);
    Text(left_, LanguageText(1328));
    Use(normal_);
    if (d.TemperatureSupplied) {
        const std::array<QString, 4> texts{d.TManufacturer, d.TType, d.TSerial, d.TYear};
        for (int i = 0; i < 4; ++i) Text(cols[i + 1], texts[i]);
    } else {
        Text(cols[1], QStringLiteral("NONE"));
    }
    Gap();
}

// Counter and compare input of channels 1 and 2; the compare column starts after the widest text of
// the counter column.
void TSheetPainter::Inputs() {
    Heading(1322);
    Use(bold_);
    const QString count = LanguageText(1323);
    const int c2 = left_ + Width(LanguageText(1311)) + colGap_;
    int widest = Width(count);
    Use(normal_);
    for (const QString &t : v_.CountInput) widest = std::max(widest, Width(t));
    const int c3 = c2 + widest + colGap_;
    Use(bold_);
    Text(left_, LanguageText(1311));
    Text(c2, count);
    Text(c3, LanguageText(1324));
    Line();
    for (int ch = 0; ch < 2; ++ch) {
        Use(bold_);
        Text(left_, QString::number(ch + 1));
        Use(normal_);
        Text(c2, v_.CountInput[ch]);
        Text(c3, v_.CompInput[ch]);
        ch == 0 ? Line() : Gap();
    }
}

// Place and date, signature, each followed by a line to write on.
void TSheetPainter::Closing() {
    Use(normal_);
    const QString place = LanguageText(1325);
    const QString signature = LanguageText(1326);
    const int second = w_ / 3 + left_;
    Text(left_, place);
    Text(second, signature);
    const int lineY = y_ + p_.fontMetrics().height();
    p_.setPen(QPen(Qt::black, std::max(1, dpiY_ / 200)));
    p_.drawLine(left_ + Width(place) + 20, lineY, second - 30, lineY);
    p_.drawLine(second + Width(signature) + 20, lineY, 2 * (w_ / 3) + left_, lineY);
}

} // namespace

void PaintDataSheet(QPainter &painter, const TDataSheet &sheet) {
    painter.save();  // the caller's font and pen come back afterwards
    TSheetPainter(painter, sheet).Paint();
    painter.restore();
}

bool PrintDataSheet(QPrinter &printer, const TDataSheet &sheet) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PaintDataSheet(painter, sheet);
    return painter.end();
}

} // namespace korvul
