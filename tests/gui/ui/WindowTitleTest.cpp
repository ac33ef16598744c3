// Every window is wide enough for the title bar to show its title in full, in every language: the
// title in a bold title bar font plus room for the window icon and the frame buttons.
#include "gui/WindowCatalog.h"

#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "base/LangSupp.h"
#include "ui/WindowTitle.h"
#include "comm/Conversions.h"
#include "ui/FoStatusReg.h"
#include "ui/MainMessages.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// The frame buttons of common window managers (close, maximise, minimise) and the window icon.
constexpr int kFrameButtons = 100;

int NeededWidth(const QString &title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kFrameButtons;
}

class WindowTitles : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ASSERT_TRUE(korvultest::PrepareWindowWalk(GetParam()));
        InstallWindowTitleFit(*qApp);
    }
    void TearDown() override {
        korvultest::RestoreAfterWindows();
        ResetLocaleFormats();
        SetShowMessageHook({});
        SetAskYesNoHook({});
        SetHelpErrorBoxHook({});
        UnloadLanguageModule();
    }
    korvultest::TempConfigHome home;
};

TEST_P(WindowTitles, EveryWindowShowsItsWholeTitle) {
    for (const korvultest::TWindowEntry &entry : korvultest::AllWindows()) {
        std::unique_ptr<QWidget> window = korvultest::MakeWindow(entry);
        if (!window) continue;
        window->show();
        const QString title = window->windowTitle();
        EXPECT_FALSE(title.trimmed().isEmpty()) << entry.Name;
        EXPECT_GE(window->width(), NeededWidth(title))
            << entry.Name << ": \"" << title.toStdString() << "\" needs " << NeededWidth(title) << " px";
        window->hide();
    }
}

// The status register window fits its width to its text; a short text must not cut the title, nor
// must a longer title given while the window is open.
TEST_P(WindowTitles, StatusRegisterKeepsItsTitleReadableWithShortTextAndANewTitle) {
    TFoStatusReg window;
    window.ShowText(QStringLiteral("E.1"));
    EXPECT_GE(window.width(), NeededWidth(window.windowTitle()));
    const QString longer = window.windowTitle() + QStringLiteral(" - ") + LanguageText(111);
    window.setWindowTitle(longer);
    EXPECT_GE(window.width(), NeededWidth(longer));
    EXPECT_LE(window.width(), window.screen()->availableGeometry().width());
    window.close();
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowTitles, ::testing::Values("DE", "EN"));

} // namespace
