// The modem dialogue against a scripted Hayes modem on the fake line driver: line reading, init, dial
// results, Cancel, hang-up, and the headquarter password text.
#include "unit/CommFixture.h"
#include "base/LangSupp.h"
#include "comm/Connection.h"
#include "comm/Modem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

using namespace korvul;
using korvultest::DriverCall;

namespace {

// A modem on the fake line: echoes commands (when echo is on), answers "OK" to AT commands and
// `dialAnswer` to ATD (nothing when empty). Writes are recorded in `sent`.
class ModemLine : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        fakes.line = [this](const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
            return Line(c, data, a3, a4);
        };
    }
    int32_t Line(const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
        switch (c.command & 0x7F) {
        case dpWrite: Written(c.data); break;
        case dpSetParam:
            if (c.arg3 == spAbortCheck) abortCheck = reinterpret_cast<LineAbortCheck>(data);
            if (c.arg3 == spTimeout) timeouts.push_back(c.arg4);
            break;
        case dpInQueue: return fakes.lineInput.size();
        case dpPurge: if (c.arg3 & 2) fakes.lineInput.clear(); break;
        case dpRead: return Read(c, data, a3, a4);
        }
        return fakes.DefaultLine(c, data, a3, a4);
    }
    // Waits like the real driver: up to the receive time-out for a byte, asking the abort callback.
    int32_t Read(const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
        QElapsedTimer clock;
        clock.start();
        const int timeout = timeouts.empty() ? 500 : timeouts.back();
        for (;;) {
            if (abortCheck && abortCheck()) return *a4 = 0, deAborted;
            if (!fakes.lineInput.isEmpty() || clock.elapsed() >= timeout) break;
            QThread::msleep(2);
        }
        return fakes.DefaultLine(c, data, a3, a4);
    }
    void Written(const QByteArray &bytes) {
        sent.push_back(bytes);
        if (echo) fakes.lineInput += bytes;
        if (bytes.startsWith("ATD")) fakes.lineInput += dialAnswer;
        else if (bytes.startsWith("AT") && answerOk) fakes.lineInput += "\r\nOK\r\n";
    }
    int Count(const QByteArray &bytes) const { return int(std::count(sent.begin(), sent.end(), bytes)); }

    bool echo = true, answerOk = true;
    QByteArray dialAnswer = "\r\nCONNECT 9600\r\n";
    std::vector<QByteArray> sent;
    std::vector<int> timeouts;
    LineAbortCheck abortCheck = nullptr;
};

// Runs f and returns the language text number of the TModemError it raises (0 if none).
template <class F> int ModemErrorOf(F f) {
    try {
        f();
    } catch (const TModemError &e) {
        return e.TextNumber;
    }
    return 0;
}

} // namespace

struct ReadLineRow {
    const char *name;
    QByteArray input;
    int32_t result;
    QString line;
};
class ModemReadLineRows : public ModemLine, public ::testing::WithParamInterface<ReadLineRow> {};

TEST_P(ModemReadLineRows, KeepsPrintableBytesUpToTheFirstCarriageReturnAfterText) {
    fakes.lineInput = GetParam().input;
    QString line = "unchanged";
    EXPECT_EQ(ModemReadLine(line, 700), GetParam().result);
    EXPECT_EQ(line, GetParam().line);
    EXPECT_EQ(timeouts, std::vector<int>{700});
    EXPECT_EQ(abortCheck, &ModemAbortCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemReadLineRows,
    ::testing::Values(ReadLineRow{"LeadingLineEndsSkipped", "\r\n\r\nOK\r\n", 0, "OK"},
                      ReadLineRow{"ControlBytesDropped", "CON\x01NE\nCT\t 2400\rrest", 0, "CONNECT 2400"},
                      ReadLineRow{"HighBytesKept", "\xC4rger\r", 0, QString::fromLatin1("\xC4rger")},
                      ReadLineRow{"LongLineStopsAt254", QByteArray(300, 'x'), 0, QString(254, 'x')},
                      ReadLineRow{"NothingIsATimeout", "", deTimeout, "unchanged"},
                      ReadLineRow{"UnterminatedLineIsATimeout", "OK", deTimeout, "unchanged"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ModemLine, ReadLineReturnsAbortedWhenCancelIsRequestedWhileWaiting) {
    CancelRequested = true;
    QString line;
    EXPECT_EQ(ModemReadLine(line, 3000), deAborted);
}

TEST_F(ModemLine, InitSendsResetAndModeCommandsSkippingTheEcho) {
    dialAnswer.clear();
    ModemInit("AT&F", "AT&K3");
    EXPECT_EQ(sent, (std::vector<QByteArray>{"AT&F\r", "AT&K3\r"}));
    EXPECT_EQ(ModemState, 1);
    sent.clear();
    ModemInit("", "");
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(ModemState, 1);
}

TEST_F(ModemLine, InitAcceptsOkInAnyLetterCase) {
    answerOk = false;
    fakes.line = [this](const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
        if ((c.command & 0x7F) == dpWrite) fakes.lineInput += c.data + "\r\nok\r\n";
        return Line(c, data, a3, a4);
    };
    EXPECT_EQ(ModemErrorOf([] { ModemInit("ATZ", ""); }), 0);
}

TEST_F(ModemLine, InitWithoutOkRaises2202WithTheLineResult) {
    ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
    answerOk = false;
    try {
        ModemInit("AT&F", "AT&K3");
        FAIL();
    } catch (const TModemError &e) {
        EXPECT_EQ(e.TextNumber, 2202);
        EXPECT_EQ(QString::fromStdString(e.what()), LanguageFormat(2202, {-13}));
        EXPECT_TRUE(QString::fromStdString(e.what()).contains("-13"));
    }
    EXPECT_EQ(sent.size(), 1u);  // the mode command never goes out
    EXPECT_EQ(ModemState, 0);
    UnloadLanguageModule();
}

struct DialRow {
    const char *name;
    bool echo;
    QByteArray answer;
    int error;         // language text, 0 = connected
    bool hangsUp;      // "ATH" CR sent afterwards
};
class ModemDialRows : public ModemLine, public ::testing::WithParamInterface<DialRow> {};

TEST_P(ModemDialRows, AnswerDecidesTheOutcome) {
    echo = GetParam().echo;
    dialAnswer = GetParam().answer;
    ModemInit("", "");
    EXPECT_EQ(ModemErrorOf([] { ModemDial("P", "0815", 1); }), GetParam().error);
    EXPECT_EQ(sent.front(), QByteArray("ATDP0815\r\n"));
    EXPECT_EQ(Count("ATH\r"), GetParam().hangsUp ? 1 : 0);
    if (GetParam().error == 0) {
        EXPECT_EQ(ModemState, 3);
        EXPECT_EQ(abortCheck, nullptr);  // removed once connected
    } else {
        EXPECT_EQ(abortCheck, &ModemAbortCheck);  // stays after a failure
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemDialRows,
    ::testing::Values(DialRow{"ConnectWithSpeedAfterEcho", true, "\r\nCONNECT 9600/REL\r\n", 0, false},
                      DialRow{"ConnectWithoutEcho", false, "\r\nconnect\r\n", 0, false},
                      DialRow{"Busy", true, "\r\nBUSY\r\n", 2208, false},
                      DialRow{"BusyLowerCase", true, "\r\nbusy\r\n", 2208, false},
                      DialRow{"NoCarrier", true, "\r\nNO CARRIER\r\n", 2205, false},
                      DialRow{"NoDialtone", false, "\r\nNO DIALTONE\r\n", 2205, false},
                      DialRow{"SilenceWithoutEcho", false, "", 2204, true},
                      // The modem may still be dialling: the call is ended before reporting.
                      DialRow{"EchoThenSilence", true, "", 2206, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ModemLine, DialWaitsTheDialTimeBeforeReportingNoAnswer) {
    echo = false;
    dialAnswer.clear();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ModemErrorOf([] { ModemDial("T", "1", 1); }), 2204);
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(ModemState, 0);
}

TEST_F(ModemLine, CancelWhileWaitingForTheAnswerHangsUpAndClearsTheRequest) {
    dialAnswer.clear();
    echo = false;
    QTimer::singleShot(50, [] { CancelRequested = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ModemErrorOf([] { ModemDial("P", "0815", 60); }), 2209);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(sent, (std::vector<QByteArray>{"ATDP0815\r\n", "ATH\r"}));
    EXPECT_FALSE(CancelRequested);
    EXPECT_EQ(ModemState, 0);
}

TEST_F(ModemLine, CancelWhileReadingTheDialResultHangsUpAndClearsTheRequest) {
    dialAnswer.clear();  // the echo arrives, then nothing
    QTimer::singleShot(50, [] { CancelRequested = true; });
    EXPECT_EQ(ModemErrorOf([] { ModemDial("P", "0815", 60); }), 2209);
    EXPECT_EQ(Count("ATH\r"), 1);
    EXPECT_FALSE(CancelRequested);
}

TEST_F(ModemLine, HangUpWhileConnectedWaitsThenEscapesAndHangsUpEvenWithoutOk) {
    qputenv("KORVUL_TIME_SCALE", "0.05");
    answerOk = false;
    echo = false;
    ModemState = 3;
    std::vector<qint64> at;
    QElapsedTimer clock;
    clock.start();
    fakes.line = [&](const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
        if ((c.command & 0x7F) == dpWrite) at.push_back(clock.elapsed());
        return Line(c, data, a3, a4);
    };
    ModemHangUp();
    EXPECT_EQ(sent, (std::vector<QByteArray>{"+++", "ATH\r"}));
    ASSERT_EQ(at.size(), 2u);
    EXPECT_GE(at[0], 1500 * 0.05 - 2);
    EXPECT_GE(at[1] - at[0], 2500);  // the whole escape wait without an answer
    EXPECT_EQ(ModemState, 0);
}

TEST_F(ModemLine, HangUpWhileConnectedStopsWaitingAtOkOrZero) {
    for (const QByteArray answer : {"\r\nOK\r\n", "0\r"}) {
        sent.clear();
        ModemState = 3;
        echo = false;
        fakes.line = [&, answer](const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
            if ((c.command & 0x7F) == dpWrite && c.data == "+++") fakes.lineInput += "\r\nNO\r\n" + answer;
            return Line(c, data, a3, a4);
        };
        QElapsedTimer clock;
        clock.start();
        ModemHangUp();
        EXPECT_LT(clock.elapsed(), 1000) << answer.constData();
        EXPECT_EQ(sent.back(), QByteArray("ATH\r"));
        EXPECT_EQ(ModemState, 0);
    }
}

TEST_F(ModemLine, HangUpSendsOnlyAthWhileDiallingAndNothingWhenIdle) {
    ModemState = 2;
    ModemHangUp();
    EXPECT_EQ(sent, std::vector<QByteArray>{"ATH\r"});
    EXPECT_EQ(ModemState, 0);
    sent.clear();
    for (uint8_t state : {0, 1}) {
        ModemState = state;
        ModemHangUp();
        EXPECT_TRUE(sent.empty());
        EXPECT_EQ(ModemState, state);
    }
}

TEST_F(ModemLine, InstalledRoutinesRunTheWholeDialogueFromConnectDevice) {
    InstallModemRoutines();
    Settings().VIAMODEM = true;
    Settings().Ph[0] = "0815";
    Settings().RLBMODE = true;
    Settings().RELIABLE = "&K3";
    fakes.items['a'] = "2461";
    fakes.items['z'] = "240517101112";
    EXPECT_TRUE(ConnectDevice());
    EXPECT_EQ(ModemState, 3);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], QByteArray("AT&F\r"));
    EXPECT_EQ(sent[1], QByteArray("AT&K3\r"));
    EXPECT_EQ(sent[2], QByteArray("ATDP0815\r\n"));
    EXPECT_EQ(DeviceInfo().IdentText, "2461");
    sent.clear();
    echo = false;
    DisconnectDeviceAndModem();
    EXPECT_EQ(sent, (std::vector<QByteArray>{"+++", "ATH\r"}));
    EXPECT_EQ(ModemState, 0);
}

// "ATD" with no number would take the line off-hook and call no one: the connection ends with 2203
// before anything is dialled.
TEST_F(ModemLine, ConnectWithoutATelephoneNumberDialsNothing) {
    InstallModemRoutines();
    Settings().VIAMODEM = true;
    fakes.items['a'] = "2461";
    for (const QString &number : {QString(), QStringLiteral("   ")}) {
        Settings().Ph[0] = number;
        sent.clear();
        EXPECT_EQ(ModemErrorOf([] { ConnectDevice(); }), 2203) << '"' << number.toStdString() << '"';
        for (const QByteArray &bytes : sent) EXPECT_FALSE(bytes.startsWith("ATD")) << bytes.constData();
        EXPECT_NE(ModemState, 2);
        EXPECT_NE(ModemState, 3);
    }
}

struct PasswordRow {
    QString hq, typed, text;
};
class HeadquarterPasswordRows : public ::testing::TestWithParam<PasswordRow> {};

TEST_P(HeadquarterPasswordRows, IsTheDigitAndThePasswordInExactlyNineCharacters) {
    EXPECT_EQ(HeadquarterPassword(GetParam().hq, GetParam().typed), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, HeadquarterPasswordRows,
                         ::testing::Values(PasswordRow{"2", "abcdefghijkl", "2abcdefgh"},
                                           PasswordRow{"1", "secret", "1secret  "},
                                           PasswordRow{"4", "", "4        "},
                                           PasswordRow{"3", "12345678", "312345678"}));

// After a failed call the sign-off must not wait the dial time for each of its retries.
TEST_F(ModemLine, FailedDialGivesTheLineItsNormalTimeoutBack) {
    Settings().TIMEOUT = 300;
    dialAnswer = "\r\nBUSY\r\n";
    EXPECT_EQ(ModemErrorOf([] { ModemDial("P", "1", 90); }), 2208);
    ASSERT_FALSE(timeouts.empty());
    EXPECT_EQ(timeouts.back(), 300);
    timeouts.clear();
    answerOk = false;
    EXPECT_EQ(ModemErrorOf([] { ModemInit("ATZ", ""); }), 2202);
    EXPECT_EQ(timeouts.back(), 300);
}
