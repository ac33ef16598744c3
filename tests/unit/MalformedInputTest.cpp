// Malformed device answers, device requests and files: each case once crashed, hung or overran a
// parser. The sound result is a refusal or an error the caller can show, with everything else intact.
#include "base/IniFile.h"
#include "base/Settings.h"
#include "config/NxScript.h"
#include "devsim/DeviceModel.h"
#include "devsim/DeviceTypes.h"
#include "module/CLMTermLogic.h"
#include "protocol/QtFrame.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <climits>
#include <gtest/gtest.h>

namespace {

const std::time_t kNow = 1765000000;

prqt::AnswerKind FeedUntilResult(prqt::AnswerParser &p, const std::string &bytes, std::size_t &fed) {
    for (fed = 0; fed < bytes.size();)
        if (const prqt::AnswerKind k = p.Feed(static_cast<uint8_t>(bytes[fed++])); k != prqt::AnswerKind::Incomplete)
            return k;
    return prqt::AnswerKind::Incomplete;
}

// A line sending bytes without a start byte never lets the receive time-out come: the request waited
// for ever. Noise up to the limit still lets the answer behind it through.
TEST(AnswerParser, EndlessNoiseEndsTheAnswerAsDamaged) {
    const std::string noise(prqt::MaxNoiseBytes, 'x');
    prqt::AnswerParser p;
    std::size_t fed = 0;
    EXPECT_EQ(FeedUntilResult(p, noise + std::string(100000, 'y'), fed), prqt::AnswerKind::Damaged);
    EXPECT_EQ(fed, prqt::MaxNoiseBytes + 1);

    const std::string answer = std::string(1, char(prqt::STX)) + "2461" + char(prqt::ETX) +
                               char(prqt::Bcc(std::string("2461") + char(prqt::ETX)));
    prqt::AnswerParser q;
    EXPECT_EQ(FeedUntilResult(q, noise + answer, fed), prqt::AnswerKind::Data);
    EXPECT_EQ(q.Data(), "2461");
}

class ChannelRegisterValue : public ::testing::TestWithParam<const char *> {};

// Register 0001 takes up to 16 hex digits; a channel number beyond the int range threw out of devsim.
TEST_P(ChannelRegisterValue, HugeChannelNumberIsRefusedInsteadOfEndingDevsim) {
    devsim::DeviceModel m(devsim::TypeFromIdent(2461), {}, kNow);
    m.SignOn(0);
    ASSERT_EQ(m.Write(61, "0001", kNow).kind, devsim::Reply::Ack);
    devsim::Reply r;
    ASSERT_NO_THROW(r = m.Write(62, GetParam(), kNow));
    EXPECT_EQ(r.kind, devsim::Reply::Refuse);
    EXPECT_EQ(r.code, devsim::RefBadValue);
    EXPECT_EQ(m.Write(62, "02", kNow).kind, devsim::Reply::Ack) << "the register still works";
}

INSTANTIATE_TEST_SUITE_P(BeyondInt, ChannelRegisterValue,
                         ::testing::Values("80000000", "FFFFFFFFFF", "FFFFFFFFFFFFFFFF", "0000000100000002"));

// A cursor position sequence naming a far row or column made the screen model append that many
// line breaks or blanks (minutes of work and gigabytes for a few garbled bytes).
class FarCursorPosition : public ::testing::TestWithParam<const char *> {};

TEST_P(FarCursorPosition, ScreenModelStaysSmall) {
    for (bool twoChars : {false, true}) {
        korvul::TClmTermScreen screen(twoChars);
        screen.ProcessInput(QStringLiteral("Menu\x1b[") + QLatin1String(GetParam()) + QStringLiteral("Hx"));
        EXPECT_LE(screen.Text().size(), 3000) << GetParam();
        EXPECT_EQ(screen.DisplayUnderline().size(), screen.DisplayText().size());
        EXPECT_TRUE(screen.Text().endsWith(u'x'));
    }
}

INSTANTIATE_TEST_SUITE_P(RowsAndColumns, FarCursorPosition,
                         ::testing::Values("100000;1", "1;100000", "2147483647;2147483647", "3;2147483647"));

// A settings value in quotes or with blanks around it lost them on the next start: the reader strips
// one pair of quotes and the blanks, and the writer wrote the value bare.
class SettingsValueText : public ::testing::TestWithParam<const char *> {};

TEST_P(SettingsValueText, ReadsBackAsSaved) {
    korvultest::TempConfigHome home;
    home.writeIni("[USER_OPTIONS]\nREADER=old\n");
    korvul::TSettings saved;
    korvul::LoadSettingsFrom(home.iniPath(), saved);
    saved.READER = QString::fromUtf8(GetParam());
    saved.Ph[0] = QString::fromUtf8(GetParam());
    korvul::SaveSettingsTo(home.iniPath(), saved);
    korvul::TSettings loaded;
    korvul::LoadSettingsFrom(home.iniPath(), loaded);
    EXPECT_EQ(loaded.READER, saved.READER);
    EXPECT_EQ(loaded.Ph[0], saved.Ph[0]);
}

INSTANTIATE_TEST_SUITE_P(QuotesAndBlanks, SettingsValueText,
                         ::testing::Values("'Hans'", "\"Hans\"", "\"\"", " 0123", "0123\t", "\"'x'\"",
                                           "'half\"", "plain"));

// The input check of a script's GET walked every position up to the GET count, so "GET v 2147483647"
// froze the input dialog for seconds; only the pattern's own positions can mismatch.
TEST(NxPattern, HugeGetCountIsCheckedOnlyOverThePattern) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(korvul::NxPatternMismatches(QStringLiteral("1x"), QStringLiteral("12*"), INT_MAX), QVector<int>{2});
    EXPECT_EQ(korvul::NxPatternMismatches(QStringLiteral("1"), QStringLiteral("12*"), INT_MAX), QVector<int>{2});
    EXPECT_TRUE(korvul::NxPatternMismatches(QStringLiteral("anything"), QString(), INT_MAX).isEmpty());
    EXPECT_LT(clock.elapsed(), 500);
}

} // namespace
