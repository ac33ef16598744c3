// The initialisation dialog without a device: Set waits for an edit, a device without channels gets no
// pass but the completion all the same, and every text of both device set-up dialogs comes from the
// language module.
#include "gui/MessageCaptureTest.h"

#include "comm/DeviceTypes.h"
#include "config/FoInitDevice.h"
#include "ui/MainMessages.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

class InitDeviceDialog : public korvultest::MessageCaptureTest {
protected:
    const char *Language() const override { return "EN"; }
    void SetUp() override {
        MessageCaptureTest::SetUp();
        DeviceInfo() = TDeviceInfo{};
        dialog = std::make_unique<TFoInitDevice>();
    }
    void TearDown() override {
        MessageCaptureTest::TearDown();
        DeviceInfo() = TDeviceInfo{};
    }
    QPushButton *SetButton() { return dialog->findChild<QPushButton *>("btSet"); }

    std::unique_ptr<TFoInitDevice> dialog;
};

TEST_F(InitDeviceDialog, SetStaysDisabledUntilAnyFieldIsEdited) {
    EXPECT_FALSE(SetButton()->isEnabled());
    EXPECT_EQ(dialog->findChild<QLineEdit *>("jeCntNumber")->text(), "2");
    EXPECT_EQ(dialog->findChild<QLineEdit *>("jeCustNumber")->text(), "1");
    EXPECT_EQ(dialog->findChild<QLineEdit *>("jePeriod")->text(), "60");
    for (const char *name : {"jeSerNumber", "jeCntNumber", "jeCustNumber", "jePeriod"}) {
        dialog = std::make_unique<TFoInitDevice>();
        dialog->findChild<QLineEdit *>(name)->setText("7");
        EXPECT_TRUE(SetButton()->isEnabled()) << name;
    }
}

TEST_F(InitDeviceDialog, DeviceWithoutChannelsGetsNoPassButTheCompletionAndSetIsDisabled) {
    DeviceInfo().ChannelCount = 0;  // no CommObject exists here: any pass would throw
    dialog->findChild<QLineEdit *>("jeSerNumber")->setText("1");
    SetButton()->click();
    EXPECT_EQ(shown, QStringList{LanguageText(TFoInitDevice::kDoneText)});
    EXPECT_FALSE(SetButton()->isEnabled());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(InitDeviceDialog, EveryLabelAndButtonIsTranslatedAndLabelsNameTheirFields) {
    EXPECT_EQ(dialog->windowTitle(), LanguageText(1431));
    for (QLabel *label : dialog->findChildren<QLabel *>()) {
        EXPECT_FALSE(label->text().startsWith('$') || label->text().startsWith("str")) << label->objectName().toStdString();
        EXPECT_NE(label->buddy(), nullptr) << label->objectName().toStdString();
    }
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
        EXPECT_FALSE(button->text().startsWith('$') || button->text().startsWith("str")) << button->objectName().toStdString();
}

} // namespace
