// The rule by which the main window's device actions sort the communication layer's exception.
#include "comm/DeviceFailure.h"

#include <gtest/gtest.h>

using namespace korvul;

struct FailureRow {
    const char *text;
    TDeviceFailure kind;
};

class DeviceFailureRule : public ::testing::TestWithParam<FailureRow> {};

TEST_P(DeviceFailureRule, SortsByTheExceptionText) {
    EXPECT_EQ(ClassifyDeviceFailure(TCommClassException(QString::fromUtf8(GetParam().text))), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceFailureRule, ::testing::Values(
    FailureRow{"ERROR", TDeviceFailure::ConnectionBroken}, FailureRow{"-13", TDeviceFailure::ConnectionBroken},
    FailureRow{"-1", TDeviceFailure::ConnectionBroken}, FailureRow{"4", TDeviceFailure::DeviceRefusal},
    FailureRow{"6", TDeviceFailure::DeviceRefusal}, FailureRow{"0", TDeviceFailure::Other},
    FailureRow{"error", TDeviceFailure::Other}, FailureRow{"Error onloading the DLL", TDeviceFailure::Other},
    FailureRow{"Die Codemarke konnte nicht geschrieben werden.", TDeviceFailure::Other}));
