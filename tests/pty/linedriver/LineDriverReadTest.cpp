// dpRead, dpWrite, dpPurge and dpInQueue over a pseudo-terminal, the test playing the device.
#include "pty/PtyLineFixture.h"
#include "support/TestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace linqortest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class LineDriverIo : public ::testing::Test {
protected:
    korvultest::TempConfigHome config;
    PtyPeer peer;
    LineLibrary lib;
    void SetUp() override {
        ASSERT_TRUE(lib.loaded());
        ASSERT_EQ(lib.open(peer.path() + ":9600,N,8,1"), 0);
    }
};

TEST_F(LineDriverIo, WrittenBytesReachThePeerUnchanged) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    int32_t written = -1;
    EXPECT_EQ(lib.write(all, &written), 0);
    EXPECT_EQ(written, 256);
    EXPECT_EQ(ToString(peer.receive(256)), all);
}

TEST_F(LineDriverIo, ReadReturnsExactlyTheBytesWantedAndLeavesTheRest) {
    peer.send(std::string("\x00\r\n\x11\x13\xff" "ABCDEF", 12));
    Bytes in;
    int32_t got = 0;
    EXPECT_EQ(lib.read(6, in, got), 0);
    EXPECT_EQ(got, 6);
    EXPECT_EQ(ToString(in), std::string("\x00\r\n\x11\x13\xff", 6));
    EXPECT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 6; }, 2s));
    EXPECT_EQ(lib.read(6, in, got), 0);
    EXPECT_EQ(ToString(in), "ABCDEF");
}

TEST_F(LineDriverIo, ReadNeverStoresMoreThanAsked) {
    peer.send("0123456789");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 10; }, 2s));
    for (int32_t want : {1, 3, 4}) {
        uint8_t buf[16];
        std::fill(std::begin(buf), std::end(buf), 0xEE);
        int32_t arg3 = want, got = 0;
        ASSERT_EQ(lib.call(dpRead, buf, &arg3, &got), 0);
        EXPECT_EQ(got, want);
        for (int i = want; i < 16; ++i) ASSERT_EQ(buf[i], 0xEE) << "byte " << i << " of want " << want;
    }
}

TEST_F(LineDriverIo, HugeCountReadsWhatComesAndTimesOut) {
    ASSERT_EQ(lib.setParam(spTimeout, 100), 0);
    peer.send("abc");
    uint8_t buf[8];
    std::fill(std::begin(buf), std::end(buf), 0xEE);
    int32_t arg3 = INT32_MAX, got = 0;
    EXPECT_EQ(lib.call(dpRead, buf, &arg3, &got), deTimeout);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(buf[3], 0xEE);
}

TEST_F(LineDriverIo, PartialAnswerTimesOutAboutReceiveTimeoutAfterTheLastByte) {
    ASSERT_EQ(lib.setParam(spTimeout, 400), 0);
    std::atomic<int64_t> lastSentMs{0};
    const auto start = Clock::now();
    std::thread device([&] {
        std::this_thread::sleep_for(150ms);  // the device answers late, and only in part
        peer.send("abc");
        lastSentMs = MsSince(start);
    });
    Bytes in;
    int32_t got = 0;
    const int32_t result = lib.read(5, in, got);
    const int64_t endMs = MsSince(start);
    device.join();
    EXPECT_EQ(result, deTimeout);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(ToString(in), "abc");
    EXPECT_GE(endMs - lastSentMs, 390);
    EXPECT_LT(endMs - lastSentMs, 400 + 250);
}

TEST_F(LineDriverIo, SlowPeerKeepsTheReadAliveBecauseEveryByteRestartsTheDeadline) {
    ASSERT_EQ(lib.setParam(spTimeout, 300), 0);
    std::thread device([&] {
        for (char c : std::string("SLOW!")) {
            std::this_thread::sleep_for(180ms);  // each gap is shorter than the time-out
            peer.send(std::string(1, c));
        }
    });
    Bytes in;
    int32_t got = 0;
    const auto start = Clock::now();
    const int32_t result = lib.read(5, in, got);
    const int64_t ms = MsSince(start);
    device.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ToString(in), "SLOW!");
    EXPECT_GT(ms, 300) << "the whole read took longer than one time-out";
}

TEST_F(LineDriverIo, PeerHangingUpEndsTheReadWithAnErrorNotAHang) {
    ASSERT_EQ(lib.setParam(spTimeout, 10000), 0);
    peer.send("xy");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 2; }, 2s));
    std::thread device([&] {
        std::this_thread::sleep_for(100ms);
        peer.closeMaster();
    });
    Bytes in;
    int32_t got = 0;
    const auto start = Clock::now();
    const int32_t result = lib.read(5, in, got);
    const int64_t ms = MsSince(start);
    device.join();
    EXPECT_GT(result, 0) << "a hang-up is the platform's error code";
    EXPECT_EQ(got, 2);
    EXPECT_EQ(ToString(in), "xy");
    EXPECT_LT(ms, 2000);
}

std::atomic<bool> g_abortNow{false};
std::atomic<int> g_abortAsked{0};
int32_t AbortWhenTold() {
    ++g_abortAsked;
    return g_abortNow ? 1 : 0;
}

TEST_F(LineDriverIo, AbortCheckStopsAReadWithinOneCharTimeout) {
    g_abortNow = false;
    g_abortAsked = 0;
    ASSERT_EQ(lib.setParam(spTimeout, 20000), 0);
    ASSERT_EQ(lib.setParam(spCharTimeout, 200), 0);
    ASSERT_EQ(lib.setParam(spAbortCheck, 0, reinterpret_cast<void *>(&AbortWhenTold)), 0);
    std::atomic<int64_t> toldMs{0};
    const auto start = Clock::now();
    std::thread op([&] {
        std::this_thread::sleep_for(300ms);
        toldMs = MsSince(start);
        g_abortNow = true;
    });
    Bytes in;
    int32_t got = 0;
    const int32_t result = lib.read(4, in, got);
    const int64_t endMs = MsSince(start);
    op.join();
    EXPECT_EQ(result, deAborted);
    EXPECT_LE(endMs - toldMs, 200 + 100);
    EXPECT_GE(g_abortAsked.load(), 2);
    EXPECT_LE(g_abortAsked.load(), 6) << "AbortCheck is asked once per CharTimeout, not in a spin";
}

TEST_F(LineDriverIo, AbortCheckIsAskedBeforeEveryByte) {
    g_abortNow = false;
    g_abortAsked = 0;
    ASSERT_EQ(lib.setParam(spAbortCheck, 0, reinterpret_cast<void *>(&AbortWhenTold)), 0);
    peer.send("12345");
    Bytes in;
    int32_t got = 0;
    ASSERT_EQ(lib.read(5, in, got), 0);
    EXPECT_GE(g_abortAsked.load(), 5);
    // A reset forgets the callback.
    ASSERT_EQ(lib.open(peer.path() + ":9600,N,8,1"), 0);
    g_abortAsked = 0;
    peer.send("6");
    ASSERT_EQ(lib.read(1, in, got), 0);
    EXPECT_EQ(g_abortAsked.load(), 0);
}

DriverProcFn g_reentry = nullptr;
std::vector<int32_t> g_reentryResults;
int32_t CallBackIntoTheDriver() {
    uint8_t buf[4] = {};
    const int commands[] = {dpReset, dpOpen, dpWrite, dpRead, dpPurge, dpClose, dpStop, dpStatus,
                            dpVersion, dpSetParam, dpInQueue, 13};
    for (const int command : commands) {
        int32_t a3 = 1, a4 = 0;
        g_reentryResults.push_back(g_reentry(uint8_t(command), buf, &a3, &a4));
    }
    return 1;
}

TEST_F(LineDriverIo, CallsFromInsideAbortCheckAreAnsweredBusy) {
    g_reentry = lib.proc();
    g_reentryResults.clear();
    ASSERT_EQ(lib.setParam(spAbortCheck, 0, reinterpret_cast<void *>(&CallBackIntoTheDriver)), 0);
    Bytes in;
    int32_t got = 0;
    EXPECT_EQ(lib.read(1, in, got), deAborted);
    ASSERT_EQ(g_reentryResults.size(), 12u);
    for (int32_t r : g_reentryResults) EXPECT_EQ(r, deBusy);
    // The guard was released: the port is still open and usable.
    EXPECT_EQ(lib.setParam(spAbortCheck, 0, nullptr), 0);
    EXPECT_EQ(lib.write("ok"), 0);
    EXPECT_EQ(ToString(peer.receive(2)), "ok");
}

TEST_F(LineDriverIo, PurgeDiscardsWhatWasReceived) {
    peer.send("stale answer");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 12; }, 2s));
    for (int32_t flags : {1, 0}) {
        EXPECT_EQ(lib.call(dpPurge, nullptr, flags, 0), 0);
        EXPECT_EQ(lib.call(dpInQueue), 12) << "flags " << flags << " must keep received bytes";
    }
    EXPECT_EQ(lib.call(dpPurge, nullptr, 2, 0), 0);
    EXPECT_EQ(lib.call(dpInQueue), 0);
    peer.send("ab");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 2; }, 2s));
    EXPECT_EQ(lib.call(dpPurge, nullptr, 3, 0), 0);
    EXPECT_EQ(lib.call(dpInQueue), 0);
}

TEST_F(LineDriverIo, OpenThrowsAwayWhatWaitedBeforeIt) {
    peer.send("noise");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 5; }, 2s));
    ASSERT_EQ(lib.open(peer.path() + ":9600,N,8,1"), 0);
    EXPECT_EQ(lib.call(dpInQueue), 0);
}

TEST_F(LineDriverIo, ReadWaitsWithoutSpinning) {
    ASSERT_EQ(lib.setParam(spTimeout, 600), 0);
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    Bytes in;
    int32_t got = 0;
    EXPECT_EQ(lib.read(1, in, got), deTimeout);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    const double cpuMs = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 30.0) << "600 ms of waiting used " << cpuMs << " ms of CPU";
}

TEST_F(LineDriverIo, CharTimeoutZeroStillWaitsForTheDeadlineWithoutSpinning) {
    ASSERT_EQ(lib.setParam(spTimeout, 300), 0);
    ASSERT_EQ(lib.setParam(spCharTimeout, 0), 0);
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    const auto start = Clock::now();
    Bytes in;
    int32_t got = 0;
    EXPECT_EQ(lib.read(1, in, got), deTimeout);
    EXPECT_GE(MsSince(start), 290);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    EXPECT_LT((cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6, 30.0);
}

} // namespace

// The driver reads ahead what is waiting; those bytes must behave exactly as bytes still in the port.
TEST_F(LineDriverIo, BytesReadAheadCountInTheQueueAndGoWithAReceivePurge) {
    ASSERT_EQ(lib.setParam(spTimeout, 100), 0);
    peer.send("0123456789");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 10; }, 2s));
    Bytes in;
    int32_t got = 0;
    ASSERT_EQ(lib.read(2, in, got), 0);
    EXPECT_EQ(lib.call(dpInQueue), 8);
    int32_t flags = 2;
    ASSERT_EQ(lib.call(dpPurge, nullptr, &flags, nullptr), 0);
    EXPECT_EQ(lib.call(dpInQueue), 0);
    EXPECT_EQ(lib.read(1, in, got), deTimeout);
    EXPECT_EQ(got, 0);
    peer.send("AB");
    EXPECT_EQ(lib.read(2, in, got), 0);
    EXPECT_EQ(ToString(in), "AB") << "no byte from before the purge comes back";
}
