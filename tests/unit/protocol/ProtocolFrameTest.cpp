// Framing of the QT-family wire protocol and the driver's exchange logic against a scripted line driver.
#include "protocol/QtFrame.h"
#include "protocol/QtSession.h"

#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace prqt;

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

TEST(ProtocolFrame, RequestsCarryTheXorOfTheBytesAfterSoh) {
    EXPECT_EQ(SignOnFrame(), Bytes({SOH, 'O', ETX, 'O' ^ ETX}));
    EXPECT_EQ(SignOffFrame(), Bytes({SOH, 'B', ETX, 'B' ^ ETX}));
    EXPECT_EQ(ReadFrame('a'), Bytes({SOH, 'R', 'a', ETX, 'R' ^ 'a' ^ ETX}));
    EXPECT_EQ(WriteFrame(61, "01"), Bytes({SOH, 'W', 61, STX, '0', '1', ETX, 'W' ^ 61 ^ STX ^ '0' ^ '1' ^ ETX}));
}

TEST(ProtocolFrame, ValuesThatWouldBreakTheFrameAreNotFramed) {
    EXPECT_TRUE(WriteFrame('f', std::string("A\x01", 2)).empty());
    EXPECT_TRUE(WriteFrame('f', std::string("A\x03", 2)).empty());
    EXPECT_TRUE(WriteFrame('f', std::string(256, 'x')).empty());
    EXPECT_FALSE(WriteFrame('c', std::string("1234\0\0\0\0", 8)).empty()) << "zero bytes travel";
    EXPECT_FALSE(WriteFrame('f', std::string(255, 'x')).empty());
}

AnswerKind FeedAll(AnswerParser &p, const std::string &bytes) {
    AnswerKind k = AnswerKind::Incomplete;
    for (char c : bytes) {
        k = p.Feed(static_cast<uint8_t>(c));
        if (k != AnswerKind::Incomplete) break;
    }
    return k;
}

std::string DataAnswer(const std::string &data) {
    std::string body = data + static_cast<char>(ETX);
    return static_cast<char>(STX) + body + static_cast<char>(Bcc(body));
}

struct AnswerRow {
    const char *name;
    std::string bytes;
    AnswerKind kind;
    int code;
    std::string data;
};

class Answers : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(Answers, ParserClassifiesTheAnswer) {
    AnswerParser p;
    EXPECT_EQ(FeedAll(p, GetParam().bytes), GetParam().kind);
    if (GetParam().kind == AnswerKind::Refusal) {
        EXPECT_EQ(p.Code(), GetParam().code);
    }
    if (GetParam().kind == AnswerKind::Data) {
        EXPECT_EQ(p.Data(), GetParam().data);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Answers,
    ::testing::Values(AnswerRow{"Ack", Bytes({ACK}), AnswerKind::Ack, 0, ""},
                      AnswerRow{"Refusal", Bytes({NAK, '0', '4'}), AnswerKind::Refusal, 4, ""},
                      AnswerRow{"RefusalTwoDigits", Bytes({NAK, '1', '2'}), AnswerKind::Refusal, 12, ""},
                      AnswerRow{"DamagedRequest", Bytes({NAK, '0', '0'}), AnswerKind::RequestDamaged, 0, ""},
                      AnswerRow{"NakWithoutDigits", Bytes({NAK, 'x'}), AnswerKind::Damaged, 0, ""},
                      AnswerRow{"Data", DataAnswer("2461"), AnswerKind::Data, 0, "2461"},
                      AnswerRow{"NoiseBeforeData", "xyz}" + DataAnswer("2461"), AnswerKind::Data, 0, "2461"},
                      AnswerRow{"WrongBcc", DataAnswer("2461").substr(0, 6) + "\x7F", AnswerKind::Damaged, 0, ""},
                      AnswerRow{"SohInsideData", Bytes({STX, '2', SOH}), AnswerKind::Damaged, 0, ""},
                      AnswerRow{"Truncated", DataAnswer("2461").substr(0, 4), AnswerKind::Incomplete, 0, ""},
                      AnswerRow{"EmptyData", DataAnswer(""), AnswerKind::Data, 0, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ProtocolFrame, OverlongDataIsDamaged) {
    AnswerParser p;
    EXPECT_EQ(FeedAll(p, Bytes({STX}) + std::string(300, 'A')), AnswerKind::Damaged);
}

TEST(ProtocolFrame, CopiedAnswerNeverExceeds255CharactersOrTheExpectedLength) {
    char buf[300];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(CopyAnswer(std::string(280, 'A'), 0, buf), 255);
    EXPECT_EQ(buf[255], '\0');
    EXPECT_EQ(buf[256], 'Z') << "nothing written past 256 bytes";
    EXPECT_EQ(CopyAnswer("000004711001", 4, buf), 4);
    EXPECT_STREQ(buf, "0000");
    EXPECT_EQ(CopyAnswer("00", 20, buf), 2);
    EXPECT_STREQ(buf, "00");
    EXPECT_EQ(CopyAnswer("abc", -5, buf), 3);
}

// A scripted line driver: every dpWrite takes the next scripted answer into the receive queue.
struct FakeLine {
    static inline std::deque<std::string> answers;
    static inline std::string rx;
    static inline std::vector<std::string> sent;
    static void Reset(std::deque<std::string> a) { answers = std::move(a); rx.clear(); sent.clear(); }
    static int32_t Proc(uint8_t cmd, void *data, int32_t *a3, int32_t *a4) {
        switch (cmd) {
        case dpWrite:
            sent.emplace_back(static_cast<const char *>(data), std::size_t(*a3));
            *a4 = *a3;
            if (!answers.empty()) { rx += answers.front(); answers.pop_front(); }
            return 0;
        case dpRead:
            *a4 = 0;
            if (rx.empty()) return deTimeout;
            *static_cast<char *>(data) = rx[0];
            rx.erase(0, 1);
            *a4 = 1;
            return 0;
        case dpPurge: rx.clear(); return 0;
        case dpInQueue: return int32_t(rx.size());
        default: return deUnknownCommand;
        }
    }
};

class Session : public ::testing::Test {
protected:
    void SetUp() override { s.Bind(&FakeLine::Proc); }
    QtSession s;
};

TEST_F(Session, DamagedAnswersAreRetriedUpToThreeTimes) {
    const std::string good = DataAnswer("2461");
    std::string bad = good;
    bad[2] = '9';
    FakeLine::Reset({bad, Bytes({NAK, '0', '0'}), good});
    std::string answer;
    EXPECT_EQ(s.ReadItem('a', answer), 0);
    EXPECT_EQ(answer, "2461");
    EXPECT_EQ(FakeLine::sent.size(), 3u);
    FakeLine::Reset({bad, bad, bad, good});
    EXPECT_EQ(s.ReadItem('a', answer), peDamaged);
    EXPECT_EQ(FakeLine::sent.size(), 3u);
}

TEST_F(Session, SilenceIsATimeoutWithoutRetry) {
    FakeLine::Reset({});
    std::string answer;
    EXPECT_EQ(s.ReadItem('a', answer), peTimeout);
    EXPECT_EQ(FakeLine::sent.size(), 1u);
}

TEST_F(Session, AnswerThatBreaksOffIsRetriedAndEndsAsTimeout) {
    const std::string part = DataAnswer("2461").substr(0, 3);
    FakeLine::Reset({part, part, part});
    std::string answer;
    EXPECT_EQ(s.ReadItem('a', answer), peTimeout);
    EXPECT_EQ(FakeLine::sent.size(), 3u);
}

TEST_F(Session, RefusalIsReturnedAtOnceAsAPositiveCode) {
    FakeLine::Reset({Bytes({NAK, '0', '2'})});
    EXPECT_EQ(s.WriteItem('m', "000000000001"), 2);
    EXPECT_EQ(FakeLine::sent.size(), 1u);
}

TEST_F(Session, AnswerOfTheWrongKindIsRetried) {
    FakeLine::Reset({DataAnswer("x"), Bytes({ACK})});
    EXPECT_EQ(s.WriteItem('f', "READER      "), 0);
    EXPECT_EQ(FakeLine::sent.size(), 2u);
    FakeLine::Reset({Bytes({ACK}), Bytes({ACK}), Bytes({ACK})});
    std::string answer;
    EXPECT_EQ(s.ReadItem('a', answer), peUnexpected);
}

// What the session sent, one letter a send: R the request, N a repeat request (NAK).
std::string Sends() {
    std::string letters;
    for (const std::string &s : FakeLine::sent) letters += s == Bytes({NAK}) ? 'N' : 'R';
    return letters;
}

// A reply that fails its BCC check.
std::string Damaged(const std::string &data) {
    std::string bad = DataAnswer(data);
    bad[1] = static_cast<char>(bad[1] ^ 0x5A);
    return bad;
}

// An archive record read moves the device's record pointer: after a damaged or missing answer the
// session must never send it again unless the device has plainly not carried it out.
struct RepeatRow {
    const char *name;
    uint8_t item;
    std::string previous;              // data of a good exchange before ("": none, the device was silent)
    std::deque<std::string> replies;   // one per send; "" is no reply at all
    int32_t result;
    const char *sends;
    const char *answer;
};

class SessionRepeat : public ::testing::TestWithParam<RepeatRow> {};

TEST_P(SessionRepeat, DamagedOrMissingAnswersAreRepeatedNotResent) {
    const RepeatRow &row = GetParam();
    QtSession s;
    s.Bind(&FakeLine::Proc);
    std::string answer;
    if (!row.previous.empty()) {
        FakeLine::Reset({DataAnswer(row.previous)});
        ASSERT_EQ(s.ReadItem(row.item, answer), 0);
    }
    FakeLine::Reset(row.replies);
    answer.clear();
    EXPECT_EQ(s.ReadItem(row.item, answer), row.result);
    EXPECT_EQ(Sends(), row.sends);
    if (row.result == 0) {
        EXPECT_EQ(answer, row.answer);
    }
}

const std::string Nak00 = Bytes({NAK, '0', '0'});

INSTANTIATE_TEST_SUITE_P(
    Rows, SessionRepeat,
    ::testing::Values(
        RepeatRow{"RecordDamagedIsRepeated", 'x', "", {Damaged("0A0B0C0D0E0F"), DataAnswer("0A0B0C0D0E0F")}, 0, "RN",
                  "0A0B0C0D0E0F"},
        RepeatRow{"RecordCutOffIsRepeated", 'x', "", {DataAnswer("0A0B0C").substr(0, 4), DataAnswer("0A0B0C")}, 0,
                  "RN", "0A0B0C"},
        RepeatRow{"RecordDamagedThreeTimesFails", 'x', "", {Damaged("01"), Damaged("01"), Damaged("01")}, peDamaged,
                  "RNN", ""},
        RepeatRow{"RecordRequestDamagedTwiceIsResent", 'x', "", {Nak00, Nak00, DataAnswer("0102")}, 0, "RNR", "0102"},
        RepeatRow{"RecordRequestDamagedOnceIsConfirmedFirst", 'x', "", {Nak00, DataAnswer("0102")}, 0, "RN", "0102"},
        RepeatRow{"RecordNak00AfterADamagedAnswerFails", 'x', "", {Damaged("01"), Nak00}, peDamaged, "RN", ""},
        RepeatRow{"ItemNak00AfterADamagedAnswerIsResent", 'a', "", {Damaged("2461"), Nak00, DataAnswer("2461")}, 0,
                  "RNR", "2461"},
        RepeatRow{"MissingAnswerOfALiveDeviceIsRepeated", 'x', "000000000001", {"", DataAnswer("000000000002")}, 0,
                  "RN", "000000000002"},
        RepeatRow{"RepeatThatMayBeThePreviousAnswerFails", 'x', "000000000001", {"", DataAnswer("000000000001")},
                  peDamaged, "RN", ""},
        RepeatRow{"ItemRepeatEqualToThePreviousAnswerIsTaken", 'a', "2461", {"", DataAnswer("2461")}, 0, "RN",
                  "2461"},
        RepeatRow{"TwoMissingAnswersAreATimeout", 'x', "000000000001", {"", ""}, peTimeout, "RN", ""},
        RepeatRow{"FirstContactSilenceIsATimeoutAtOnce", 'x', "", {""}, peTimeout, "R", "" }),
    [](const ::testing::TestParamInfo<RepeatRow> &i) { return std::string(i.param.name); });

TEST_F(Session, DamagedAcknowledgementOfACodeMarkIsRepeatedNotWrittenTwice) {
    FakeLine::Reset({Bytes({ACK ^ 0x5A}), Bytes({ACK})});
    EXPECT_EQ(s.WriteItem('~', "0001"), 0);
    EXPECT_EQ(Sends(), "RN");
}

int32_t FailingLine(uint8_t cmd, void *, int32_t *, int32_t *a4) {
    if (a4) *a4 = 0;
    return cmd == dpPurge ? 0 : 5;  // a platform error number (EIO)
}

TEST(SessionLine, PlatformErrorsOfTheLineNeverLookLikeRefusals) {
    QtSession s;
    s.Bind(&FailingLine);
    std::string answer;
    EXPECT_EQ(s.ReadItem('a', answer), peLineFailed);
    QtSession unbound;
    EXPECT_EQ(unbound.SignOn(), peNotBound);
}

} // namespace
