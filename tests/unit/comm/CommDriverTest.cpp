// Driver loading, binding order, line close and the Busy re-entry rule of TCommClass.
#include "unit/CommFixture.h"
#include "base/Paths.h"
#include "comm/Drivers.h"

#include <QCoreApplication>
#include <dlfcn.h>

using namespace korvul;

struct FamilyRow { const char *code, *file; int family; };
class CommFamily : public ::testing::TestWithParam<FamilyRow> {};
TEST_P(CommFamily, CodeSelectsProtocolDriverExactly) {
    TCommClass comm(GetParam().code);
    EXPECT_EQ(comm.ProtocolDriverFile, GetParam().file);
    EXPECT_EQ(comm.Family, GetParam().family);
    EXPECT_EQ(comm.LineDriverFile, "linqor32.dll");
    EXPECT_EQ(comm.State(), 0);
}
INSTANTIATE_TEST_SUITE_P(Codes, CommFamily, ::testing::Values(
    FamilyRow{"QT", "prqt__32.dll", 4}, FamilyRow{"XW", "prxw__32.dll", 2}, FamilyRow{"qt", "prOPT132.dll", 1},
    FamilyRow{"Xw", "prOPT132.dll", 1}, FamilyRow{"", "prOPT132.dll", 1}, FamilyRow{"QT ", "prOPT132.dll", 1}));

TEST(CommDrivers, DllNamesMapToSharedObjects) {
    EXPECT_EQ(LibraryFileName("linqor32.dll"), "linqor32.so");
    EXPECT_EQ(LibraryFileName("prOPT132.DLL"), "prOPT132.so");
    EXPECT_EQ(LibraryFileName("/x/fake.so"), "/x/fake.so");
}

TEST(CommDrivers, LibraryWithoutDriverProcIsClosedAgain) {
    const QString path = korvultest::BinDir() + "/fakenoproc32.so";
    void *handle = reinterpret_cast<void *>(1);
    try {
        LoadDriver(path, handle);
        FAIL() << "no exception";
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), kNoDriverProcText);
    }
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(CommDrivers, MissingLibraryGivesLoadText) {
    void *handle = nullptr;
    try {
        LoadDriver("nosuchdriver.dll", handle);
        FAIL() << "no exception";
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), kLoadErrorText);
    }
    EXPECT_EQ(handle, nullptr);
}

TEST(CommDrivers, BareDllNameIsFoundInTheProgramDirectory) {
    ASSERT_EQ(ProgramDir(), QFileInfo(korvultest::BinDir()).canonicalFilePath());
    void *handle = nullptr;
    DriverProcFn proc = LoadDriver("fakeline32.dll", handle);
    EXPECT_NE(proc, nullptr);
    EXPECT_NE(handle, nullptr);
    FreeDriver(handle);
}

TEST_F(CommFixture, OpenLineBindsTheDriversInOrder) {
    comm->SetPortName("COM3");
    comm->SetPortSettings("9600,E,7,1,TO500");
    comm->OpenLine();
    EXPECT_EQ(fakes.Trace(), (Trace{"line reset", "line open COM3:9600,E,7,1,TO500", "proto reset",
                                    "proto version", "proto bind"}));
    EXPECT_FALSE(fakes.calls.back().dataNull);  // the line driver's entry point
    EXPECT_EQ(comm->State(), csDriversLoaded | csLineOpen);
}

TEST_F(CommFixture, FailedBindingStepsStopTheChainAndLeaveTheLineClosed) {
    struct Row { int failing; Trace proto; };
    for (const Row &row : {Row{dpReset, {"proto reset"}}, Row{dpVersion, {"proto reset", "proto version"}},
                           Row{dpBind, {"proto reset", "proto version", "proto bind"}}}) {
        fakes.calls.clear();
        fakes.proto = [&](const korvultest::DriverCall &c, void *, int32_t *, int32_t *) {
            return c.command == row.failing ? -1 : 0;
        };
        EXPECT_THROW(comm->OpenLine(), TCommClassException);
        EXPECT_EQ(fakes.Trace("proto"), row.proto);
        EXPECT_FALSE(comm->State() & csLineOpen);
    }
    // The next CallLine tries the whole binding again.
    fakes.proto = nullptr;
    fakes.calls.clear();
    int32_t a = 3, b = 0;
    EXPECT_EQ(comm->CallLine(dpPurge, nullptr, &a, &b), 0);
    EXPECT_EQ(fakes.Trace().size(), 6u);
    EXPECT_TRUE(comm->State() & csLineOpen);
}

TEST_F(CommFixture, FailedLineResetOrOpenRaisesBeforeTheProtocolDriver) {
    fakes.line = [](const korvultest::DriverCall &c, void *, int32_t *, int32_t *) { return c.command == dpOpen ? -3 : 0; };
    try {
        comm->OpenLine();
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), "ERROR");
    }
    EXPECT_TRUE(fakes.Trace("proto").empty());
}

TEST_F(CommFixture, EmptyPortNameOrSettingsRaiseBeforeAnyDriverCall) {
    comm->SetPortName("");
    EXPECT_THROW(comm->OpenLine(), TCommClassException);
    comm->SetPortName("COM1");
    comm->SetPortSettings("");
    EXPECT_THROW(comm->OpenLine(), TCommClassException);
    EXPECT_TRUE(fakes.calls.empty());
}

TEST_F(CommFixture, OverlongOpenTextIsCutTo255Characters) {
    comm->SetPortSettings(QString(300, 'x'));
    comm->OpenLine();
    EXPECT_EQ(fakes.calls[1].data.size(), 255);
}

TEST_F(CommFixture, CloseLineSignsOffReleasesAndStopsBothDrivers) {
    comm->OpenLine();
    fakes.calls.clear();
    comm->CloseLine();
    EXPECT_EQ(fakes.Trace(), (Trace{"proto close", "proto release", "proto stop", "line close", "line stop"}));
    EXPECT_EQ(comm->State(), csDriversLoaded);
}

TEST_F(CommFixture, PortChangeWhileConnectedRaisesAndWhileOpenClosesTheLine) {
    ConnectQuietly();
    EXPECT_THROW(comm->SetPortName("COM2"), TCommClassException);
    EXPECT_THROW(comm->SetPortSettings("1200,N,8,1"), TCommClassException);
    EXPECT_EQ(comm->PortName(), "COM1");
    comm->SetOptions(0);
    comm->SetConnected(false);
    fakes.calls.clear();
    comm->SetPortName("COM2");
    EXPECT_EQ(fakes.Trace().front(), "proto close");
    EXPECT_FALSE(comm->State() & csLineOpen);
}

TEST_F(CommFixture, ReentrantWrapperCallGetsBusyWithoutReachingTheDriver) {
    comm->OpenLine();
    fakes.calls.clear();
    int32_t inner1 = 0, inner2 = 0;
    bool busyInside = false;
    fakes.proto = [&](const korvultest::DriverCall &, void *, int32_t *, int32_t *) {
        busyInside = comm->Busy;
        int32_t a = 3, b = 0;
        inner1 = comm->CallLine(dpPurge, nullptr, &a, &b);      // what event processing could do
        inner2 = comm->CallProtocol(dpRead, nullptr, &a, &b);
        comm->TimerTick();
        return 0;
    };
    int32_t a = 0, b = 'a';
    char buffer[256] = {};
    EXPECT_EQ(comm->CallProtocol(dpRead, buffer, &a, &b), 0);
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(inner1, deBusy);
    EXPECT_EQ(inner2, deBusy);
    EXPECT_EQ(fakes.Trace(), (Trace{"proto read a"}));
    EXPECT_FALSE(comm->Busy);
}

TEST_F(CommFixture, WrappersWithoutLoadedDriversReportNotOpen) {
    comm->UnloadDrivers();
    int32_t a = 0, b = 0;
    EXPECT_EQ(comm->CallProtocol(dpRead, nullptr, &a, &b), deNotOpen);
    EXPECT_EQ(comm->State(), 0);
}

TEST_F(CommFixture, UnloadFreesBothLibrariesAndTheNextCallLineLoadsAgain) {
    comm->OpenLine();
    comm->UnloadDrivers();
    EXPECT_EQ(comm->LineHandle(), nullptr);
    EXPECT_EQ(comm->ProtocolProc(), nullptr);
    EXPECT_EQ(comm->State(), 0);
    int32_t a = 3, b = 0;
    EXPECT_EQ(comm->CallLine(dpPurge, nullptr, &a, &b), 0);
    EXPECT_EQ(comm->State(), csDriversLoaded | csLineOpen);
}

TEST_F(CommFixture, ProgramObjectSurvivesAMissingDriver) {
    SetCommObjectForTests(nullptr);
    FreeCommObject();
    EXPECT_FALSE(CommObjectExists());
    EXPECT_THROW(CommObject(), std::logic_error);
    const QString error = CreateCommObject();  // linqor32.so may or may not be built here
    EXPECT_TRUE(CommObjectExists());
    EXPECT_TRUE(error.isEmpty() || error == kLoadErrorText) << error.toStdString();
    EXPECT_EQ(CommObject().ProtocolDriverFile, "prqt__32.dll");
    FreeCommObject();
    EXPECT_FALSE(CommObjectExists());
}
