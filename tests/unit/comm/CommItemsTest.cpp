// Data item routines and the raw process data exchange on the fake drivers.
#include "unit/CommFixture.h"
#include "base/LangSupp.h"
#include "comm/Items.h"

#include <cstring>

using namespace korvul;
using korvultest::DriverCall;

namespace {
// A protocol driver that fills the whole 256-byte buffer without a terminating zero.
int32_t FloodingRead(const DriverCall &c, void *data, int32_t *, int32_t *) {
    if (c.command == dpRead) std::memset(data, 'x', 256);
    return 0;
}
} // namespace

TEST_F(CommFixture, ReadItemRaisesEveryNonZeroResultInDecimal) {
    comm->OpenLine();
    QString value;
    for (int32_t r : {-13, 4, 1}) {
        fakes.readResults['c'] = r;
        try {
            ReadItem('c', value);
            FAIL();
        } catch (const TCommClassException &e) {
            EXPECT_EQ(e.Message(), QString::number(r));
        }
    }
    fakes.readResults.clear();
    fakes.items['f'] = "M\xFCller";
    ReadItem('f', value);
    EXPECT_EQ(value, QString::fromUtf8("Müller"));
}

TEST_F(CommFixture, NoAnswerLengthOverrunsABufferAndAnswersAreCutToTheirItem) {
    comm->OpenLine();
    fakes.proto = FloodingRead;
    QString value;
    ReadItem('a', value);
    EXPECT_EQ(value, QString(255, 'x'));
    EXPECT_EQ(ReadChannelItem(), QString(9, 'x'));
    ConnectQuietly();
    DeviceInfo().ItemLetters = "ab";
    TStrList list;
    ReadCapabilityItems(list);
    EXPECT_EQ(list, (TStrList{"a=" + QString(20, 'x'), "b=" + QString(20, 'x')}));
}

TEST_F(CommFixture, WriteItemSendsTheValueAndKeepsCommonDataInStep) {
    comm->OpenLine();
    fakes.calls.clear();
    TStrList common{"e=06"};
    EXPECT_EQ(WriteItem('f', "f", "", common), 0);
    EXPECT_TRUE(fakes.calls.empty());
    EXPECT_EQ(WriteItem('f', "e", "07", common), 0);
    EXPECT_EQ(fakes.Trace().back(), "proto write f \"07\" n=2");
    EXPECT_EQ(common, (TStrList{"e=07"}));
    EXPECT_EQ(WriteItem('z', QString(QChar(0x14)), "240517101112", common), 0);
    EXPECT_EQ(common, (TStrList{"e=07"}));
    fakes.writeResults['f'] = 4;
    EXPECT_EQ(WriteItem('f', "e", "08", common), 4);  // refused: returned, not stored
    EXPECT_EQ(common, (TStrList{"e=07"}));
    fakes.writeResults['f'] = -13;
    EXPECT_THROW(WriteItem('f', "e", "09", common), TCommClassException);
    EXPECT_EQ(common, (TStrList{"e=07"}));
}

TEST_F(CommFixture, ProtectedItemTravelsInTheOemCodePage) {
    comm->OpenLine();
    fakes.calls.clear();
    EXPECT_EQ(WriteProtectedItem('A', ""), 0);
    EXPECT_TRUE(fakes.calls.empty());
    EXPECT_EQ(WriteProtectedItem('K', QString::fromUtf8("Schlüssel")), 0);
    EXPECT_EQ(fakes.calls.back().data, QByteArray("Schl\x81ssel"));
    EXPECT_EQ(fakes.Trace().back().substr(0, 14), "proto writeoem");
    fakes.writeResults['K'] = 7;
    EXPECT_EQ(WriteProtectedItem('K', "x"), 7);
    fakes.writeResults['K'] = -20;
    EXPECT_THROW(WriteProtectedItem('K', "x"), TCommClassException);
}

TEST_F(CommFixture, CapabilityItemsFillTheListAndSendAccessCodeAndReader) {
    ConnectQuietly();
    comm->Period = 15000;
    comm->SetOptions(26);
    Settings().ACCESSCODE = "1234";
    Settings().READER = "Technician Smith";
    DeviceInfo().ItemLetters = "abc";
    DeviceInfo().TypeName = "QT-700/V2";
    fakes.items['a'] = "2461";
    fakes.items['c'] = "000";
    fakes.readResults['b'] = 2;  // refused item: skipped
    int optionsDuring = -1;
    fakes.proto = [&](const DriverCall &c, void *d, int32_t *a3, int32_t *a4) {
        if (c.command == dpRead) optionsDuring = comm->Options();
        return fakes.DefaultProto(c, d, a3, a4);
    };
    TStrList list;
    ReadCapabilityItems(list);
    EXPECT_EQ(list, (TStrList{"a=2461", "c=000"}));
    EXPECT_EQ(optionsDuring, 24);
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_TRUE(DeviceInfo().WriteAccess);
    EXPECT_EQ(fakes.Trace(), (Trace{"proto read a", "proto read b", "proto read c",
                                    "proto write c \"1234\\x00\\x00\\x00\\x00\" n=8",
                                    "proto write f \"Technician S\" n=12"}));
}

TEST_F(CommFixture, CapabilityItemsWithoutAccessCodeOrWithRefusalsGiveNoWriteAccess) {
    ConnectQuietly();
    DeviceInfo().ItemLetters = "a";
    fakes.items['a'] = "2461";
    QString shown;
    CommUiHooks().ShowMessage = [&](const QString &t) { shown = t; };
    TStrList list;
    ReadCapabilityItems(list);
    EXPECT_FALSE(DeviceInfo().WriteAccess);  // empty access code
    Settings().ACCESSCODE = "99999999";
    fakes.writeResults['c'] = 3;
    fakes.writeResults['f'] = 1;
    ReadCapabilityItems(list);
    EXPECT_FALSE(DeviceInfo().WriteAccess);
    EXPECT_EQ(shown, LanguageText(256));  // reader name refused
    fakes.readResults['a'] = -13;
    EXPECT_THROW(ReadCapabilityItems(list), TCommClassException);
}

TEST_F(CommFixture, ReaderNameAndCodeMark) {
    comm->OpenLine();
    fakes.calls.clear();
    DeviceInfo().TypeName = "KP-40/T";
    EXPECT_EQ(WriteReaderName(), 0);
    EXPECT_TRUE(fakes.calls.empty());
    DeviceInfo().TypeName = "NX-17";
    Settings().READER = "Ann";
    fakes.writeResults['f'] = -13;
    try {
        WriteReaderName();
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), LanguageText(256));
    }
    EXPECT_EQ(fakes.Trace().back(), "proto write f \"Ann         \" n=12");

    struct Row { int mark; const char *sent; int after; };
    for (const Row &row : {Row{0, nullptr, 0}, Row{-1, "00", 0}, Row{0x1F, "1F", 0x1F}, Row{5, "05", 5}}) {
        fakes.calls.clear();
        Settings().CODEMARK = row.mark;
        EXPECT_EQ(WriteCodeMark(), 0);
        if (row.sent) EXPECT_EQ(fakes.Trace(), (Trace{std::string("proto write ~ \"") + row.sent + "\" n=2"}));
        else EXPECT_TRUE(fakes.calls.empty());
        EXPECT_EQ(Settings().CODEMARK, row.after);
    }
    fakes.writeResults['~'] = 4;
    EXPECT_EQ(WriteCodeMark(), 4);
    fakes.writeResults['~'] = -13;
    try {
        WriteCodeMark();
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), LanguageText(251));
    }
}

TEST_F(CommFixture, ModuleItemsAreReadFromTheOemCodePageIntoModuleData) {
    ConnectQuietly();
    Settings().CLMTIMEOUT = 7000;
    Settings().CHECKTIME = 12000;
    Settings().CLM300ACCESSCODE = "ab";
    HQFlag = true;
    fakes.items['b'] = "Stra\xE1" "e";   // CP850 sharp s
    fakes.items['a'] = "6001";
    TStrList module{"b=", "a=old", "c=keep"};
    ReadModuleItems(module, "ba", true);
    EXPECT_TRUE(ModuleAccess);
    EXPECT_EQ(module, (TStrList{"a=6001", QString::fromUtf8("b=Straße"), "c=keep"}));
    EXPECT_EQ(fakes.Trace(), (Trace{"line setparam 1=7000", "proto writeoem K \"ab      \" n=8", "proto read b", "proto read a"}));
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_EQ(comm->Period, 12000);
    fakes.calls.clear();
    ModuleAccess = false;
    ReadModuleItems(module, "a", false);
    EXPECT_FALSE(ModuleAccess);
    EXPECT_EQ(fakes.Trace(), (Trace{"line setparam 1=7000", "proto read a"}));
}

namespace {
QByteArray P67Answer(const QByteArray &body, int adjust = 0) {
    uint16_t sum = 0;
    for (char c : body) sum = static_cast<uint16_t>(sum + static_cast<uint8_t>(c));
    return body + QByteArray::number(static_cast<uint16_t>(sum + adjust), 16).toUpper().rightJustified(4, '0') + "\r\n\r\n";
}
} // namespace

TEST_F(CommFixture, RawP67ExchangeChecksTheByteSum) {
    comm->OpenLine();
    fakes.calls.clear();
    const QByteArray body = "12:00;0000;293.15%";
    fakes.lineInput = P67Answer(body);
    QString answer;
    ExchangeRawCommand("P67", answer);
    EXPECT_EQ(answer, body);
    const Trace t = fakes.Trace();
    EXPECT_EQ(t.front(), "line purge 3");
    EXPECT_EQ(t[1], "line write 01 50 36 37 0D");
    EXPECT_EQ(t.back(), "line write 17");
    EXPECT_EQ(std::count(t.begin(), t.end(), "line read n=1"), body.size() + 8);

    fakes.lineInput = P67Answer(body, 1);  // wrong sum: empty answer, no error
    ExchangeRawCommand("P67", answer);
    EXPECT_EQ(answer, "");
    fakes.lineInput = body + "00G0\r\n\r\n";  // not a hexadecimal checksum
    ExchangeRawCommand("P67", answer);
    EXPECT_EQ(answer, "");
}

TEST_F(CommFixture, RawP67ExceptionsOfTheNx18) {
    comm->OpenLine();
    const QByteArray body = "1;2\n";
    QString answer;
    DeviceInfo().TypeCode = 92;
    DeviceInfo().Version = 39;
    fakes.lineInput = P67Answer(body, -2);  // the NX-18 sends its sum less 2
    ExchangeRawCommand("P67", answer);
    EXPECT_EQ(answer, body);
    DeviceInfo().Version = 41;
    fakes.lineInput = P67Answer(body, 77);  // versions 40 and 41 are not checked
    ExchangeRawCommand("P67", answer);
    EXPECT_EQ(answer, body);
}

TEST_F(CommFixture, RawExchangeRetriesThreeTimesThenRaises) {
    comm->OpenLine();
    fakes.calls.clear();
    QString answer = "stale";
    int writes = 0;
    fakes.line = [&](const DriverCall &c, void *d, int32_t *a3, int32_t *a4) {
        if (c.command == dpWrite && c.data.startsWith('\x01') && ++writes == 2) fakes.lineInput = "VALUES 1 2 3\rjunk";
        return fakes.DefaultLine(c, d, a3, a4);
    };
    ExchangeRawCommand("P55", answer);  // first attempt times out, the second gets its line
    EXPECT_EQ(answer, "VALUES 1 2 3");
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(fakes.Trace().back(), "line write 17");

    fakes.line = nullptr;
    fakes.lineInput.clear();
    fakes.calls.clear();
    try {
        ExchangeRawCommand("P56", answer);
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), "ERROR");
    }
    EXPECT_EQ(answer, "");
    const Trace t = fakes.Trace();
    EXPECT_EQ(std::count(t.begin(), t.end(), "line write 01 50 35 36 0D"), 3);
    EXPECT_EQ(std::count(t.begin(), t.end(), "line write 17"), 0);
}

TEST_F(CommFixture, RawExchangeStopsAt79CharactersAndNeedsTheFinal17) {
    comm->OpenLine();
    fakes.lineInput = QByteArray(100, 'v');
    QString answer;
    ExchangeRawCommand("P55", answer);
    EXPECT_EQ(answer, QString(79, 'v'));
    fakes.lineInput = "ok\r";
    fakes.line = [&](const DriverCall &c, void *d, int32_t *a3, int32_t *a4) {
        if (c.command == dpWrite && c.data == "\x17") return int32_t(deLineError);
        return fakes.DefaultLine(c, d, a3, a4);
    };
    EXPECT_THROW(ExchangeRawCommand("P55", answer), TCommClassException);
}
