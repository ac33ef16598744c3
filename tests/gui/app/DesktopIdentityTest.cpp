// The window icon comes from the embedded SVG at every size a window manager asks for, and the desktop
// entry name the program announces is the one packaging/ installs (else Wayland shells show no icon).
#include "app/DesktopIdentity.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// Share of the pixels that are not fully transparent.
double CoveredShare(const QPixmap &pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) ++covered;
    return double(covered) / (image.width() * image.height());
}

class ProgramIconSizes : public ::testing::TestWithParam<int> {};

TEST_P(ProgramIconSizes, IsDrawnAtExactlyThatSize) {
    const int size = GetParam();
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
    const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
    ASSERT_EQ(pixmap.size(), QSize(size, size));
    // The housing fills most of the square; an empty or clipped drawing does not.
    EXPECT_GT(CoveredShare(pixmap), 0.6);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgramIconSizes, ::testing::Values(16, 22, 32, 48, 64, 256));

TEST(DesktopIdentity, AnnouncesTheInstalledEntryAndSetsTheWindowIcon) {
    ApplyDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), DesktopId());
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
}

struct PackagedFileRow {
    const char *suffix;  // file in packaging/ named after the desktop id
    const char *line;    // a line it must hold, %1 being the desktop id
};
void PrintTo(const PackagedFileRow &r, std::ostream *os) { *os << r.suffix; }

class PackagedFiles : public ::testing::TestWithParam<PackagedFileRow> {};

TEST_P(PackagedFiles, NameTheDesktopId) {
    QFile file(korvultest::SourceDir() + "/packaging/" + DesktopId() + GetParam().suffix);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString text = QString::fromUtf8(file.readAll());
    QString line = QString::fromLatin1(GetParam().line);
    line.replace(QLatin1String("%1"), DesktopId());
    EXPECT_TRUE(text.contains(line)) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, PackagedFiles, ::testing::Values(
    PackagedFileRow{".desktop", "\nIcon=%1\n"},
    PackagedFileRow{".desktop", "\nExec=korvul\n"},
    PackagedFileRow{".svg", "<svg "},
    PackagedFileRow{".metainfo.xml.in", "<id>%1</id>"}));

} // namespace
