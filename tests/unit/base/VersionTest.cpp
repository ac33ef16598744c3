#include "base/Version.h"

#include <QStringList>
#include <gtest/gtest.h>

using korvul::VersionToAboutText;

namespace {

struct VersionRow {
    const char *fileVersion;
    const char *aboutText;
};

class VersionToAboutTextRows : public ::testing::TestWithParam<VersionRow> {};

TEST_P(VersionToAboutTextRows, JoinsMinorAndReleaseBehindTheDot) {
    EXPECT_EQ(VersionToAboutText(QString::fromLatin1(GetParam().fileVersion)),
              QString::fromLatin1(GetParam().aboutText));
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionToAboutTextRows,
                         ::testing::Values(VersionRow{"2.1.3.7", "2.13"},      // build number dropped
                                           VersionRow{"10.0.12.99", "10.012"}, // parts are text, not digits
                                           VersionRow{"1.2.3", "1.23"},
                                           VersionRow{"2.1", "2.1"},           // missing parts stay empty
                                           VersionRow{"7", "7."},
                                           VersionRow{"", "<none>."},          // no version entry at all
                                           VersionRow{"..", "."}));

TEST(ProgramFileVersion, IsTheFourPartBuildVersion) {
    const QStringList parts = korvul::ProgramFileVersion().split(QLatin1Char('.'));
    ASSERT_EQ(parts.size(), 4);
    for (const QString &part : parts) {
        bool ok = false;
        part.toInt(&ok);
        EXPECT_TRUE(ok) << part.toStdString();
    }
}

} // namespace
