#include "base/Paths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(Paths, ConfigDirFollowsXdgConfigHome) {
    korvultest::TempConfigHome home;
    EXPECT_EQ(korvul::ConfigDir(), home.path() + "/korvul");
    EXPECT_EQ(korvul::SettingsFilePath(), home.path() + "/korvul/korvul.ini");
}

TEST(Paths, EmptyXdgConfigHomeFallsBackToHome) {
    korvultest::TempConfigHome home;
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_TRUE(korvul::ConfigDir().endsWith("/.config/korvul"));
}
