// libFuzzer target for the readout's answer parsers: the two process data answer layouts, the device
// number format, the status check, and the archive's marker words, stop rules and size. The first
// input byte picks the routine and its parameters, the rest is the device's answer (one byte, one
// character). A value that is no number may raise TConversionError; anything else is a finding.
#include "FuzzCheck.h"
#include "comm/Conversions.h"
#include "readout/ArchiveRules.h"
#include "readout/ProcessData.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

#include "LanguageStub.h"  // the conversions only need text numbers here, not the language module

using namespace korvul;

namespace {

using fuzzcheck::Check;

void ProcessAnswer(uint8_t pick, const QString &answer) {
    static const int types[] = {91, 92, 93, 94, 89, 90};
    const int type = types[pick % 6], version = (pick & 0x40) ? 40 : 25;
    try {
        const std::optional<TProcessRow> row = type == 91 ? ParseType91Answer(answer)
                                                          : ParseOtherAnswer(answer, type, version);
        if (!row) return;
        const QString order = pick & 0x80 ? QString::fromLatin1(kFlowRateOrder) : QString::fromLatin1(kCounterOrder);
        ShownRow(*row, order);
        const QString status = StatusCheck((*row)[kStatusColumn]);
        Check(status == QLatin1String("Ok") || status == QLatin1String("Er"));
    } catch (const TConversionError &) {
    }
    try {
        const QString shown = FormatDeviceNumber(answer, pick & 1 ? -273.15 : 0.0, QLatin1Char(','));
        Check(!shown.isEmpty());
    } catch (const TConversionError &) {
    }
}

// The words of each 12-character record go through a stop rule of every mode; once stopped, a rule
// stays stopped (a record without marker words feeds nothing).
void Archive(uint8_t pick, const QString &answer) {
    const TReadoutMode modes[] = {TReadoutMode::Dump, TReadoutMode::Month, TReadoutMode::CodeMark,
                                  TReadoutMode::Complete, TReadoutMode::Unknown};
    for (TReadoutMode mode : modes) {
        TStopRule rule(mode, pick);
        for (qsizetype at = 0; at < answer.size(); at += 12) {
            const QString record = answer.mid(at, 12);
            const QList<int> words = MarkerWords(record);
            Check(words.size() <= 4);
            for (int w : words) Check(w >= 0 && w <= 0xFFF);
            const bool wasStopped = rule.Stopped();
            const bool stop = FeedRecord(rule, record);
            if (!words.isEmpty()) Check(stop == rule.Stopped());
            Check(!stop || !words.isEmpty());
            Check(!wasStopped || rule.Stopped());
        }
    }
    ReadoutModeFromSetting(answer);
    // The device answers every read with the text; the register writes succeed on odd picks.
    TArchiveSizeDevice device{[&](int) { return std::optional<QString>(answer); },
                              [&](int, const QString &) { return (pick & 1) != 0; }};
    Check(ArchiveSize(pick, device) >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 2), static_cast<qsizetype>(size - 2));
    if (data[0] & 1) Archive(data[1], text);
    else ProcessAnswer(data[1], text);
    return 0;
}
