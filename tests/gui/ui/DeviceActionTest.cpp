// The failure rule the configuration dialogs share: which exception shows which text, and that a broken
// line is never shown as a refusal.
#include "gui/MessageCaptureTest.h"

#include "ui/DeviceAction.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

class DeviceActionRule : public korvultest::MessageCaptureTest {
protected:
    bool Run(const char *thrown) {
        return RunDeviceAction(&dialog, 1441, [thrown] {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            if (thrown) throw TCommClassException(QString::fromUtf8(thrown));
        });
    }
    QWidget dialog;
};

TEST_F(DeviceActionRule, CompletedActionShowsNothingAndRestoresTheCursor) {
    EXPECT_TRUE(Run(nullptr));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DeviceActionRule, RefusalShowsTheDialogsOwnText) {
    EXPECT_FALSE(Run("4"));
    EXPECT_EQ(shown, QStringList{LanguageText(1441)});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DeviceActionRule, BrokenLineIsNeverShownAsARefusal) {
    EXPECT_FALSE(Run("ERROR"));
    EXPECT_FALSE(Run("-13"));
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(DeviceActionRule, OtherTextsAreShownAsTheyStand) {
    EXPECT_FALSE(Run("Error onloading the DLL"));
    EXPECT_EQ(shown, QStringList{"Error onloading the DLL"});
}

TEST(RaiseOnResult, OnlyZeroPasses) {
    EXPECT_NO_THROW(RaiseOnResult(0));
    EXPECT_THROW(RaiseOnResult(3), TCommClassException);
    EXPECT_THROW(RaiseOnResult(-1), TCommClassException);
}

} // namespace
