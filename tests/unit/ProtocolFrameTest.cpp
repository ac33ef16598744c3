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
                      AnswerRow{"DamagedRequest", Bytes({NAK, '0', '0'}), AnswerKind::Damaged, 0, ""},
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
