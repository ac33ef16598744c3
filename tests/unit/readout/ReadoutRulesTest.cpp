// Where each readout mode stops, the marker words of a record and the archive size rules.
#include "readout/ArchiveRules.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace korvul;

namespace {

struct TStopCase {
    const char *name;
    TReadoutMode mode;
    int codeMark;
    std::vector<int> words;
    int stopAt;   // index of the word the rule stops at; -1: never
};

void PrintTo(const TStopCase &c, std::ostream *os) { *os << c.name; }

class ReadoutStopRule : public ::testing::TestWithParam<TStopCase> {};

TEST_P(ReadoutStopRule, StopsAtTheExpectedWord) {
    const TStopCase &c = GetParam();
    TStopRule rule(c.mode, c.codeMark);
    int stoppedAt = -1;
    for (size_t i = 0; i < c.words.size() && stoppedAt < 0; ++i)
        if (rule.Feed(c.words[i])) stoppedAt = static_cast<int>(i);
    EXPECT_EQ(stoppedAt, c.stopAt);
}

using M = TReadoutMode;
INSTANTIATE_TEST_SUITE_P(Modes, ReadoutStopRule, ::testing::Values(
    TStopCase{"CompleteAtEndMarker", M::Complete, 0, {0x123, 0x045, 0xFF1, 0x001}, 2},
    TStopCase{"CompleteAtCodeMarkZero", M::Complete, 0, {0x000, 0xFF9}, 1},
    TStopCase{"CompleteIgnoresOtherCodeMarks", M::Complete, 0, {0x005, 0xFF9, 0xFFC, 0xFFA, 0xFFA}, -1},
    TStopCase{"CompleteFirstWordCodeMarkHasNoPrevious", M::Complete, 0, {0xFF9, 0x000}, -1},
    TStopCase{"DumpNeverStops", M::Dump, 0, {0xFF1, 0x000, 0xFF9, 0xFFA, 0xFFC, 0xFFA}, -1},
    TStopCase{"CodeMarkStopsAtNextDay", M::CodeMark, 5, {0x005, 0xFF9, 0x123, 0xFFC}, 3},
    TStopCase{"CodeMarkOtherValueGoesOn", M::CodeMark, 5, {0x006, 0xFF9, 0x123, 0xFFC, 0x001}, -1},
    TStopCase{"CodeMarkDayBeforeTheMarkDoesNotStop", M::CodeMark, 5, {0xFFC, 0x005, 0xFF9, 0xFFC}, 3},
    TStopCase{"CodeMarkStillStopsAtEnd", M::CodeMark, 5, {0x010, 0xFF1}, 1},
    TStopCase{"CodeMarkZeroIsTheCompleteStop", M::CodeMark, 0, {0x000, 0xFF9, 0xFFC}, 1},
    TStopCase{"MonthDayThenMonthThenMonth", M::Month, 0, {0xFFC, 0xFFA, 0xFFA}, 2},
    TStopCase{"MonthMonthThenDayThenMonth", M::Month, 0, {0xFFA, 0xFFC, 0x001, 0xFFC, 0xFFA}, 4},
    TStopCase{"MonthTwoDaysAreNotAMonth", M::Month, 0, {0xFFC, 0xFFC, 0x001, 0xFFC}, -1},
    TStopCase{"MonthTwoMonthsWithoutDay", M::Month, 0, {0xFFA, 0xFFA, 0xFFA}, -1},
    TStopCase{"MonthStillStopsAtEnd", M::Month, 0, {0xFFA, 0xFF1}, 1},
    TStopCase{"UnknownModeStopsLikeComplete", M::Unknown, 0, {0x001, 0xFF1}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReadoutStopRuleState, WordsAfterTheStopKeepSayingStop) {
    TStopRule rule(TReadoutMode::Complete, 0);
    EXPECT_TRUE(rule.Feed(0xFF1));
    EXPECT_TRUE(rule.Feed(0x001));
    EXPECT_TRUE(rule.Stopped());
}

TEST(ReadoutModes, KeywordsInAnyLetterCase) {
    EXPECT_EQ(ReadoutModeFromSetting("dump"), TReadoutMode::Dump);
    EXPECT_EQ(ReadoutModeFromSetting("BOM"), TReadoutMode::Month);
    EXPECT_EQ(ReadoutModeFromSetting("CodeMark"), TReadoutMode::CodeMark);
    EXPECT_EQ(ReadoutModeFromSetting("complete"), TReadoutMode::Complete);
    EXPECT_EQ(ReadoutModeFromSetting("month"), TReadoutMode::Unknown);
    EXPECT_EQ(ReadoutModeFromSetting(""), TReadoutMode::Unknown);
}

TEST(ReadoutMarkerWords, FourGroupsOfThreeHexDigitsAndInvalidGroupsSkipped) {
    EXPECT_EQ(MarkerWords("000FF9123FFC"), (QList<int>{0x000, 0xFF9, 0x123, 0xFFC}));
    EXPECT_EQ(MarkerWords("ff1abcdef012"), (QList<int>{0xFF1, 0xABC, 0xDEF, 0x012}));
    EXPECT_EQ(MarkerWords("000XYZFF9"), (QList<int>{0x000, 0xFF9}));
    EXPECT_EQ(MarkerWords(" 12-12+1fFF1"), (QList<int>{0xFF1}));
    EXPECT_EQ(MarkerWords("FF1FF"), (QList<int>{0xFF1}));
    EXPECT_TRUE(MarkerWords("").isEmpty());
}

TEST(ReadoutMarkerWords, RecordStopsWhereTheWordIsAndFeedsNoFurther) {
    TStopRule rule(TReadoutMode::Complete, 0);
    EXPECT_FALSE(FeedRecord(rule, "123456789ABC"));
    EXPECT_TRUE(FeedRecord(rule, "000FF9FFFFFF"));
    TStopRule skip(TReadoutMode::Complete, 0);
    // The invalid group between 000 and FF9 is left out, so FF9 follows 000.
    EXPECT_TRUE(FeedRecord(skip, "000ZZZFF9111"));
}

// A scripted device for the size rules: item answers, refused items, and the writes it saw.
struct TScriptedDevice {
    std::map<int, QString> answers;
    bool refuseWrite = false;
    std::vector<std::pair<int, QString>> writes;
    TArchiveSizeDevice Device() {
        return {[this](int item) -> std::optional<QString> {
                    auto it = answers.find(item);
                    if (it == answers.end()) return std::nullopt;
                    return it->second;
                },
                [this](int item, const QString &v) {
                    writes.emplace_back(item, v);
                    return !refuseWrite;
                }};
    }
};

TEST(ReadoutArchiveSize, PlainAnswerLessTheOffsetExceptTypeNinetyFour) {
    TScriptedDevice d;
    d.answers[98] = "1900";
    EXPECT_EQ(ArchiveSize(24, d.Device()), 0x1900 - 256);
    EXPECT_EQ(ArchiveSize(94, d.Device()), 0x1900);
    d.answers[98] = "00FF";
    EXPECT_EQ(ArchiveSize(24, d.Device()), 0);
    EXPECT_TRUE(d.writes.empty());
}

TEST(ReadoutArchiveSize, UnreadableOrGarbledSizeIsZero) {
    TScriptedDevice d;
    EXPECT_EQ(ArchiveSize(24, d.Device()), 0);
    for (const char *bad : {"", "12G4", "-100", "+100"}) {
        d.answers[98] = bad;
        EXPECT_EQ(ArchiveSize(24, d.Device()), 0) << bad;
    }
}

TEST(ReadoutArchiveSize, FFFFAsksTheRegisterOfTheShare) {
    TScriptedDevice d;
    d.answers = {{98, "FFFF"}, {64, "1401"}, {60, "0280"}};
    EXPECT_EQ(ArchiveSize(24, d.Device()), 0x280 * 102 - 256);
    ASSERT_EQ(d.writes.size(), 1u);
    EXPECT_EQ(d.writes[0], (std::pair<int, QString>{61, "1401"}));
}

TEST(ReadoutArchiveSize, FFFFWithAnyRegisterStepFailingGivesTheFallback) {
    TScriptedDevice wrongAddress;
    wrongAddress.answers = {{98, "FFFF"}, {64, "1400"}, {60, "0280"}};
    EXPECT_EQ(ArchiveSize(24, wrongAddress.Device()), kArchiveSizeFallback);
    TScriptedDevice refused;
    refused.answers = {{98, "FFFF"}, {64, "1401"}, {60, "0280"}};
    refused.refuseWrite = true;
    EXPECT_EQ(ArchiveSize(24, refused.Device()), kArchiveSizeFallback);
    TScriptedDevice noValue;
    noValue.answers = {{98, "FFFF"}, {64, "1401"}};
    EXPECT_EQ(ArchiveSize(24, noValue.Device()), kArchiveSizeFallback);
    EXPECT_EQ(kArchiveSizeFallback, 0xFFFF - 256);
}

} // namespace
