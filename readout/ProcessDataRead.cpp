#include "readout/ProcessData.h"
#include "readout/ProcessCsv.h"

#include "base/LangSupp.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"

namespace korvul {

namespace {
constexpr uint16_t kFirstTitleText = 320;
constexpr uint16_t kTextStampTitle = 3214, kTextRegisterTitle = 3215;
} // namespace

std::optional<TProcessRow> ReadProcessDataRow() {
    const TDeviceInfo &info = DeviceInfo();
    QString answer;
    ExchangeRawCommand(ProcessDataRequest(info.TypeCode, info.Version), answer);
    if (answer.isEmpty()) return std::nullopt;
    if (info.TypeCode == 91) return ParseType91Answer(answer);
    return ParseOtherAnswer(answer, info.TypeCode, info.Version);
}

std::array<QString, kShownColumns> ShownCells(const TProcessRow &raw, const QString &columnOrder) {
    std::array<QString, kShownColumns> cells = ShownRow(raw, columnOrder);
    cells[kStatusColumn] = StatusCheck(raw[kStatusColumn]);
    return cells;
}

QString ProcessDataUnit(int typeCode, int rawColumn) {
    static const char16_t *const kUnits[kRawColumns] = {u"", u"m³", u"m³", u"bar", u"", u"°C", u"", u"", u"m³/h", u"m³/h"};
    if (rawColumn < 0 || rawColumn >= kRawColumns) return QString();
    if (!LookUpDeviceType(typeCode, 0).HasProcessData) return QString();
    return QString::fromUtf16(kUnits[rawColumn]);
}

QStringList ProcessDataTitles() {
    QStringList titles;
    for (int c = 0; c < kRawColumns; ++c) titles << LanguageText(TextNumber(kFirstTitleText, c));
    return titles;
}

QString ProcessCsvHeader(int typeCode) {
    return ProcessCsvLine(ProcessCsvTitles(ProcessDataTitles(), LanguageText(kTextStampTitle),
                                           LanguageText(kTextRegisterTitle), typeCode));
}

} // namespace korvul
