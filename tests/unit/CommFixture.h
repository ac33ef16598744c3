#pragma once
// A TCommClass on the fake driver libraries, installed as CommObject, with fresh program-wide state.
#include "support/FakeDriverHarness.h"
#include "support/TestSupport.h"
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/CommClass.h"

#include <gtest/gtest.h>
#include <memory>

class CommFixture : public ::testing::Test {
public:
    using Trace = std::vector<std::string>;
protected:
    void SetUp() override {
        qputenv("KORVUL_TIME_SCALE", "0.001");
        korvul::Settings() = korvul::TSettings{};
        korvul::DeviceInfo() = korvul::TDeviceInfo{};
        korvul::PollItem = 'z';
        korvul::HQFlag = korvul::ModuleAccess = korvul::CancelRequested = false;
        korvul::ModemState = 0;
        korvul::CommUiHooks() = korvul::TCommUiHooks{};
        korvul::ModemRoutines() = korvul::TModemRoutines{};
        MakeComm("QT");
    }
    void TearDown() override {
        korvul::SetCommObjectForTests(nullptr);
        fakes.line = fakes.proto = nullptr;  // scripts may refer to comm
        comm.reset();
        qunsetenv("KORVUL_TIME_SCALE");
    }
    void MakeComm(const QString &family) {
        korvul::SetCommObjectForTests(nullptr);
        fakes.line = fakes.proto = nullptr;
        comm = std::make_unique<korvul::TCommClass>(family);
        comm->LineDriverFile = fakes.LineFile();
        comm->ProtocolDriverFile = fakes.ProtoFile();
        comm->SetPortName("COM1");
        comm->SetPortSettings("4800,N,8,1");
        korvul::SetCommObjectForTests(comm.get());
    }
    // Opens the line and signs on (QT poll answered with item 'z'), then forgets the calls so far.
    void ConnectQuietly() {
        fakes.items['z'] = "240517101112";
        comm->SetConnected(true);
        fakes.calls.clear();
    }
    korvultest::TempConfigHome config;
    korvultest::FakeDrivers fakes;
    std::unique_ptr<korvul::TCommClass> comm;
};
