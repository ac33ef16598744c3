// The module window's decisions without widgets: page reads, the order and content of Set's records,
// the re-read list, the clock record from local texts, the channel choice and the phone field rules.
#include "comm/Conversions.h"
#include "module/ModuleWindowLogic.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

// One record of item "h": designation, type code, version digits, protocol, baud, parity, bits, timeout.
QString ChannelRecordText(const QString &name, const QString &code, const QString &version) {
    return QStringLiteral(" ") + PadField(name, 30) + code + version + QStringLiteral("00D09600E813");
}

QString Letters(const std::vector<TModuleWrite> &writes) {
    QString s;
    for (const TModuleWrite &w : writes) s += QChar::fromLatin1(w.Letter);
    return s;
}

class ModuleWindowLogicGerman : public ::testing::Test {
protected:
    void SetUp() override { SetLocaleFormats({QStringLiteral("dd.mm.yyyy"), QStringLiteral("hh:mm:ss"), u','}); }
    void TearDown() override { ResetLocaleFormats(); }
};

} // namespace

TEST(ModuleWindowLogic, EachPageReadsTheItemsItShows) {
    struct Row { int page, sub; const char *letters; };
    for (const Row &r : {Row{0, 0, "abcdefg"}, Row{1, 1, "h"}, Row{2, 0, "h"}, Row{2, 1, "i"}, Row{3, 0, "j"},
                         Row{4, 0, "m"}, Row{5, 0, "n"}, Row{6, 0, "o"}, Row{7, 0, "l"}, Row{8, 0, ""}, Row{-1, 0, ""}})
        EXPECT_EQ(PageReadLetters(r.page, r.sub), QString::fromLatin1(r.letters)) << r.page << "/" << r.sub;
}

TEST(ModuleWindowLogic, SetSendsUnitRecordsPerUnitThenModemNameNumberClock) {
    TModuleSetForm form;
    for (TModuleSetUnit &u : form.Units) u.OutputSwitch = u.ReceiverMarked = u.InputMarked = u.HqMarked = u.ChannelMarked = true;
    form.ModemMarked = form.DevNameModified = form.DevNoModified = true;
    form.Clock = QStringLiteral("261207090500");
    form.ItemL = QStringLiteral("0101");
    EXPECT_EQ(Letters(PlanModuleSet(form)), QStringLiteral("OQPJHOQPJHOQPJHOQPJHIDCG"));
}

TEST(ModuleWindowLogic, SetSendsOnlyMarkedParts) {
    TModuleSetForm form;
    EXPECT_TRUE(PlanModuleSet(form).empty());
    form.Units[2].HqMarked = true;
    form.Units[0].ChannelMarked = true;
    form.DevNoModified = true;
    form.DevNo = QStringLiteral("123");
    const std::vector<TModuleWrite> writes = PlanModuleSet(form);
    ASSERT_EQ(Letters(writes), QStringLiteral("HJC"));
    EXPECT_TRUE(writes[0].Record.startsWith(u'1'));
    EXPECT_TRUE(writes[1].Record.startsWith(u'3'));
    EXPECT_EQ(writes[2].Record, QStringLiteral("000000000123"));
}

TEST(ModuleWindowLogic, OutputRecordTogglesTheStateLastRead) {
    TModuleSetForm form;
    form.ItemL = QStringLiteral("0010");
    form.Units[2].OutputSwitch = true;
    form.Units[3].OutputSwitch = true;
    const std::vector<TModuleWrite> writes = PlanModuleSet(form);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].Record, QStringLiteral("30"));
    EXPECT_EQ(writes[1].Record, QStringLiteral("41"));
}

// An odd parity must not push the protocol letter out of the 41-character record.
TEST(ModuleWindowLogic, ChannelRecordWithOddParityEndsWithItsProtocolLetter) {
    TModuleSetForm form;
    form.Units[1].ChannelMarked = true;
    form.Units[1].Channel = ParseChannel(QString(47, u' ') + ChannelRecordText(QStringLiteral("Pump"), "24", "61"), 2);
    form.Units[1].Channel.Parity = u'O';
    form.Units[1].Channel.Protocol = u'A';
    const QString record = PlanModuleSet(form).at(0).Record;
    EXPECT_EQ(record.size(), 41);
    EXPECT_EQ(record.right(5), QStringLiteral("O813A"));
}

TEST(ModuleWindowLogic, RereadListHoldsTheItemOfEachWriteOnce) {
    QString letters;
    for (char c : {'O', 'Q', 'O', 'G', 'g', 'P', 'H', 'I', 'J', 'D', 'C'}) AddToRereadList(letters, c);
    EXPECT_EQ(letters, QStringLiteral("lognhijdc"));  // outputs, receivers and inputs read back as l, o, n
}

TEST_F(ModuleWindowLogicGerman, ClockRecordFromTheShownLocalDateAndTime) {
    struct Row { const char *date, *time; const char *record; };
    for (const Row &r : {Row{"07.12.2026", "09:05:59", "261207090559"}, Row{"7.12.26", "9:05", "261207090500"},
                         Row{"29.02.2028", "23:59:59", "280229235959"}, Row{"29.02.2027", "12:00:00", nullptr},
                         Row{"32.12.2026", "12:00:00", nullptr}, Row{"07.12.2026", "24:00:00", nullptr},
                         Row{"07.12.2026", "12:60:00", nullptr}, Row{"", "12:00:00", nullptr},
                         Row{"07.12.2026", "", nullptr}, Row{"07.12", "12:00:00", nullptr},
                         Row{"07.12.2026x", "12:00:00", nullptr}, Row{"07.12.2026", "12:00:00:00", nullptr}}) {
        const std::optional<QString> record = LocalClockRecord(QString::fromLatin1(r.date), QString::fromLatin1(r.time));
        if (r.record) EXPECT_EQ(record.value_or(QStringLiteral("none")), QString::fromLatin1(r.record)) << r.date << " " << r.time;
        else EXPECT_FALSE(record) << r.date << " " << r.time << " gave " << record->toStdString();
    }
}

TEST(ModuleWindowLogic, ClockRecordFollowsTheLocaleFieldOrder) {
    SetLocaleFormats({QStringLiteral("mm/dd/yy"), QStringLiteral("hh:mm:ss"), u'.'});
    EXPECT_EQ(LocalClockRecord(QStringLiteral("12/07/26"), QStringLiteral("09:05:00")).value_or(QString()),
              QStringLiteral("261207090500"));
    EXPECT_FALSE(LocalClockRecord(QStringLiteral("13/07/26"), QStringLiteral("09:05:00")));
    ResetLocaleFormats();
}

TEST_F(ModuleWindowLogicGerman, EventTimeIsLocalDateTwoBlanksLocalTime) {
    EXPECT_EQ(EventDateTimeText(QStringLiteral("261207"), QStringLiteral("090559")), QStringLiteral("07.12.2026  09:05:59"));
    EXPECT_EQ(EventDateTimeText(QStringLiteral("26"), QStringLiteral("090559")), QString());
    EXPECT_EQ(EventDateTimeText(QString(), QString()), QString());
}

TEST(ModuleWindowLogic, ChannelChoiceListsOnlyChannelsWithAnEndDevice) {
    const QString itemH = ChannelRecordText(QStringLiteral("Empty"), "00", "00") +
                          ChannelRecordText(QStringLiteral("Pump"), "24", "61") +
                          ChannelRecordText(QStringLiteral("Blank"), "91", "  ") +
                          ChannelRecordText(QStringLiteral("Gas"), "95", "12");
    const QStringList lines = ChannelChoiceLines(itemH, QStringLiteral("%d: %s, %s, %s"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("2: Pump, QT-700/V2, 6.1"));
    EXPECT_EQ(lines[1], QStringLiteral("4: Gas, NX-17, 1.2"));
    EXPECT_TRUE(ChannelChoiceLines(QString(), QStringLiteral("%d: %s, %s, %s")).isEmpty());
}

TEST(ModuleWindowLogic, ChannelNumberIsTheTextBeforeTheFirstColon) {
    struct Row { const char *line; int channel; };
    for (const Row &r : {Row{"2: Pump, QT-700/V2, 6.1", 2}, Row{" 3 :a:b", 3}, Row{"4:", 4}, Row{"x: Pump", -1},
                         Row{"", -1}, Row{"5: Pump", -1}, Row{"0: Pump", -1}, Row{"1 Pump", -1}})
        EXPECT_EQ(ChannelOfChoiceLine(QString::fromLatin1(r.line)), r.channel) << r.line;
}

TEST(ModuleWindowLogic, PhoneFieldsTakeDialCharactersOnly) {
    for (QChar c : QStringLiteral("0123456789:.,Ww")) EXPECT_TRUE(IsPhoneKeyChar(c)) << QString(c).toStdString();
    for (QChar c : QStringLiteral("+-() aVx#*/;")) EXPECT_FALSE(IsPhoneKeyChar(c)) << QString(c).toStdString();
    // Pasting also drops the point that typing allows.
    EXPECT_EQ(FilterPhonePaste(QStringLiteral("+49 (0)30.123-45 W,9:")), QStringLiteral("4903012345W,9:"));
    EXPECT_EQ(FilterPhonePaste(QStringLiteral("abc")), QString());
}

TEST(ModuleWindowLogic, UnitFieldNameDropsMnemonicAndColonKeepsLiteralAmpersand) {
    struct Row { const char *heading; int unit; const char *name; };
    for (const Row &r : {Row{"&Baud rate", 2, "Baud rate 2"}, Row{"Level &Low:", 4, "Level Low 4"},
                         Row{" &Message: ", 3, "Message 3"}, Row{"Timeout (s)", 1, "Timeout (s) 1"},
                         Row{"R&&D:", 2, "R&D 2"}, Row{"Switch&", 3, "Switch 3"}})
        EXPECT_EQ(UnitFieldName(QString::fromUtf8(r.heading), r.unit), QString::fromUtf8(r.name)) << r.heading;
    EXPECT_EQ(CaptionAsName(QStringLiteral("&Telefonnummer:")), QStringLiteral("Telefonnummer"));
}
