// libFuzzer target for the CLM-300 module's text work: the record layouts of its items with arbitrary
// item texts, and the module terminal's screen logic with arbitrary byte streams. The first input byte
// picks the routine, the rest is the text as the module sends it (one byte, one character).
#include "FuzzCheck.h"
#include "comm/StrList.h"
#include "module/CLMTermLogic.h"
#include "module/ModuleItems.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace korvul;

namespace {

using fuzzcheck::Check;

// Every item parsed from the text, each record built from what was parsed must keep its layout, and
// parsing the built record again must give the same record (nothing shifts between the fields).
void Records(const QString &item) {
    for (int r = 1; r <= kModuleUnits; ++r) {
        const TModuleChannel c = ParseChannel(item, r);
        Check(ChannelRecord(r, c).size() == 41);
        const TModuleHq hq = ParseHq(item, r);
        const QString hqRecord = HqRecord(r, hq);
        Check(hqRecord.size() == kHqRecordLength && HqRecord(r, ParseHq(hqRecord, 1)) == hqRecord);
        const TModuleInput in = ParseInput(item, r);
        const QString inRecord = InputRecord(r, in);
        Check(inRecord.size() == 1 + kInputRecordLength && InputRecord(r, ParseInput(inRecord.mid(1), 1)) == inRecord);
        const TModuleReceiver rc = ParseReceiver(item, r);
        const QString rcRecord = ReceiverRecord(r, rc);
        Check(rcRecord.size() == 1 + kReceiverRecordLength &&
              ReceiverRecord(r, ParseReceiver(rcRecord.mid(1), 1)) == rcRecord);
        ParseEvent(item, r);
        OutputToggleRecord(r, item);
        Check(ReceiverChoiceIndex(ReceiverChoices(item, QStringLiteral("none")), r) >= 0);
    }
    const TModuleModem m = ParseModem(item);
    const QString modemRecord = ModemRecord(m);
    Check(modemRecord.size() == kModemRecordLength && ModemRecord(ParseModem(modemRecord)) == modemRecord);
    CallWindowText(item);
    if (const auto field = CallWindowField(item)) Check(field->size() == 4);
    const TCorrectionResult correction = CorrectionRecord(item);
    Check(correction.RefusalText != 0 || correction.Record.size() == 7);
    Check(DevNoRecord(item).size() == 12 && DevNameRecord(item).size() == 30);
    Check(ModuleAccessCodeRecord(item).size() == 8 && HqPasswordRecord(1, item).size() == 9);
    StatusHintText(item);
    ModuleDeviceTypeName(item.left(2));
    TStrList data(item.split(QLatin1Char('\n')));
    ParseModuleCommon(data);
}

// The screen model must stay consistent: one underline mark per character, a cursor at or after 0.
void Terminal(bool twoChars, const QString &stream) {
    TClmTermScreen screen(twoChars);
    // Fed in a few pieces, as the window receives it batch by batch.
    const qsizetype step = 1 + stream.size() / 3;
    for (qsizetype at = 0; at < stream.size(); at += step) {
        screen.ProcessInput(stream.mid(at, step));
        Check(screen.CursorPos() >= 0);
        Check(screen.DisplayUnderline().size() == screen.DisplayText().size());
        Check(screen.DisplayCursor() >= 0);
        screen.Lines();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 0x80) Terminal(data[0] & 1, text);
    else Records(text);
    return 0;
}
