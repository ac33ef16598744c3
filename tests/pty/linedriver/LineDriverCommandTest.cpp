// linqor32.so as the program loads it: command numbers, state rules, argument checks, unloading.
#include "pty/PtyLineFixture.h"
#include "support/TestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace linqortest;
using namespace std::chrono_literals;

namespace {

class LineDriverCommand : public ::testing::Test {
protected:
    korvultest::TempConfigHome config;
    PtyPeer peer;
    LineLibrary lib;
    std::string openText() const { return peer.path() + ":9600,N,8,1"; }
    void SetUp() override { ASSERT_TRUE(lib.loaded() && lib.proc()) << dlerror(); }
};

TEST(LineDriverExports, OnlyDriverProcIsVisible) {
    const auto names = ExportedSymbols(LineLibrary::DefaultPath());
    ASSERT_FALSE(names.empty()) << "nm found no symbols in " << LineLibrary::DefaultPath();
    EXPECT_EQ(names, std::vector<std::string>{"DriverProc"});
}

TEST_F(LineDriverCommand, OpenBeforeResetIsNotInitialisedAndWriteAfterResetIsNotOpen) {
    std::string text = openText();
    EXPECT_EQ(lib.call(dpOpen, text.data()), deNotInitialised);
    EXPECT_EQ(lib.call(dpStop), deNotInitialised);
    EXPECT_EQ(lib.call(dpReset), 0);
    EXPECT_EQ(lib.write("x"), deNotOpen);
}

TEST_F(LineDriverCommand, OnlyTheLowSevenBitsOfTheCommandCount) {
    int32_t state = -1, errors = -1;
    EXPECT_EQ(lib.call(0x80), 0);  // dpReset
    EXPECT_EQ(lib.call(dpStatus | 0x80, nullptr, &state, &errors), 0);
    EXPECT_EQ(state, lsInitialised);
    EXPECT_EQ(lib.call(dpBind | 0x80), deUnknownCommand);
}

TEST_F(LineDriverCommand, UnservedCommandNumbersAreUnknown) {
    for (int command : {int(dpBind), int(dpRelease), 13, int(dpWriteOem), 100, 127})
        EXPECT_EQ(lib.call(uint8_t(command)), deUnknownCommand) << "command " << command;
}

TEST_F(LineDriverCommand, VersionIs203WithOrWithoutAnOpenPort) {
    int32_t a3 = 7, a4 = 7;
    EXPECT_EQ(lib.call(dpVersion, nullptr, &a3, &a4), 0);
    EXPECT_EQ(a3, 0);
    EXPECT_EQ(a4, 203);
    ASSERT_EQ(lib.open(openText()), 0);
    a4 = 0;
    EXPECT_EQ(lib.call(dpVersion, nullptr, &a3, &a4), 0);
    EXPECT_EQ(a4, 203);
}

TEST_F(LineDriverCommand, CommandsThatNeedAnOpenPortRefuseWithoutOne) {
    uint8_t buf[4] = {};
    struct Row { uint8_t command; int32_t arg3; };
    const Row rows[] = {{dpWrite, 1}, {dpRead, 1}, {dpPurge, 3}, {dpClose, 0},
                        {dpSetParam, spTimeout}, {dpSetParam, 99}, {dpInQueue, 0}};
    for (const bool initialised : {false, true}) {
        if (initialised) {
            ASSERT_EQ(lib.call(dpReset), 0);
        }
        for (const Row &r : rows) {
            EXPECT_EQ(lib.call(r.command, buf, r.arg3, 1), deNotOpen)
                << "command " << int(r.command) << (initialised ? " after reset" : " before reset");
        }
    }
}

TEST_F(LineDriverCommand, StatusFollowsResetOpenCloseAndStop) {
    int32_t state = -1, errors = -1;
    auto status = [&] {
        lib.call(dpStatus, nullptr, &state, &errors);
        return state;
    };
    EXPECT_EQ(status(), 0);
    ASSERT_EQ(lib.open(openText()), 0);
    EXPECT_EQ(status(), lsInitialised | lsPortOpen);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(lib.call(dpClose), 0);
    EXPECT_EQ(status(), lsInitialised);
    EXPECT_EQ(lib.call(dpClose), deNotOpen);
    ASSERT_EQ(lib.call(dpOpen, openText().data()), 0);
    EXPECT_EQ(lib.call(dpStop), 0);
    EXPECT_EQ(status(), 0);
    EXPECT_TRUE(peer.slaveClosed(2s));
}

TEST_F(LineDriverCommand, ResetClosesAnOpenPort) {
    ASSERT_EQ(lib.open(openText()), 0);
    EXPECT_FALSE(peer.slaveClosed(0ms));
    EXPECT_EQ(lib.call(dpReset), 0);
    EXPECT_TRUE(peer.slaveClosed(2s));
    EXPECT_EQ(lib.write("x"), deNotOpen);
}

TEST_F(LineDriverCommand, UnloadingStopsThePortAndAFreshLoadStartsFromScratch) {
    ASSERT_EQ(lib.open(openText()), 0);
    ASSERT_FALSE(peer.slaveClosed(0ms));
    lib.unload();
    EXPECT_TRUE(peer.slaveClosed(2s)) << "dlclose left the port open";
    EXPECT_EQ(dlopen(LineLibrary::DefaultPath().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stays in memory after dlclose";
    LineLibrary again;
    int32_t state = -1, errors = -1;
    again.call(dpStatus, nullptr, &state, &errors);
    EXPECT_EQ(state, 0);
    std::string text = openText();
    EXPECT_EQ(again.call(dpOpen, text.data()), deNotInitialised);
}

TEST_F(LineDriverCommand, NullPointersGiveResultCodesNotCrashes) {
    ASSERT_EQ(lib.open(openText()), 0);
    uint8_t buf[8] = {};
    int32_t one = 1, count = -1;
    EXPECT_EQ(lib.call(dpStatus, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lib.call(dpVersion, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lib.call(dpWrite, nullptr, &one, &count), deBadArgument);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(lib.call(dpWrite, buf, nullptr, &count), deBadArgument);
    EXPECT_EQ(lib.call(dpRead, nullptr, &one, &count), deBadArgument);
    EXPECT_EQ(lib.call(dpRead, buf, nullptr, &count), deBadArgument);
    EXPECT_EQ(lib.call(dpPurge, nullptr, nullptr, nullptr), deBadArgument);
    EXPECT_EQ(lib.call(dpSetParam, nullptr, nullptr, nullptr), deBadArgument);
    int32_t param = spTimeout;
    EXPECT_EQ(lib.call(dpSetParam, nullptr, &param, nullptr), deBadArgument);
    EXPECT_EQ(lib.call(dpOpen, nullptr, nullptr, nullptr), deBadArgument);
    // Output-only pointers may be null: the command still runs.
    peer.send("z");
    EXPECT_EQ(lib.call(dpRead, buf, &one, nullptr), 0);
    EXPECT_EQ(buf[0], 'z');
    EXPECT_EQ(lib.call(dpWrite, buf, &one, nullptr), 0);
    EXPECT_EQ(ToString(peer.receive(1)), "z");
}

TEST_F(LineDriverCommand, NegativeCountsAreRefusedAndZeroCountsDoNothing) {
    ASSERT_EQ(lib.open(openText()), 0);
    uint8_t buf[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    for (int32_t count : {-1, INT32_MIN}) {
        int32_t got = 5;
        EXPECT_EQ(lib.call(dpWrite, buf, &count, &got), deBadArgument);
        EXPECT_EQ(got, 0);
        got = 5;
        EXPECT_EQ(lib.call(dpRead, buf, &count, &got), deBadArgument);
        EXPECT_EQ(got, 0);
    }
    int32_t zero = 0, got = 5;
    EXPECT_EQ(lib.call(dpWrite, nullptr, &zero, &got), 0);
    EXPECT_EQ(got, 0);
    peer.send("q");
    ASSERT_TRUE(korvultest::WaitUntil([&] { return lib.call(dpInQueue) == 1; }, 2s));
    EXPECT_EQ(lib.call(dpRead, buf, &zero, &got), 0);
    EXPECT_EQ(buf[0], 0xAA) << "a read of 0 bytes stored one";
    EXPECT_EQ(lib.call(dpInQueue), 1);
}

TEST_F(LineDriverCommand, SetParamAboveSevenChangesNothing) {
    ASSERT_EQ(lib.open(openText()), 0);
    for (int32_t param : {8, 9, 255, 100000, -1})
        EXPECT_EQ(lib.setParam(param, 12345), 0) << "parameter " << param;
    ASSERT_EQ(lib.setParam(spTimeout, 50), 0);
    Bytes in;
    int32_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lib.read(1, in, got), deTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

} // namespace
