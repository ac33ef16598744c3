// Archive files get the mode any new file of the process gets (0666 less the umask), so a service of
// another user in the group can read them; they are never left at the temporary file's 0600.
#include "readout/ArchiveFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace korvul;

namespace {

struct TModeCase {
    mode_t umaskValue;
    mode_t expected;
};

class ArchiveFileMode : public ::testing::TestWithParam<TModeCase> {
protected:
    void TearDown() override { ::umask(saved_); }
    mode_t saved_ = ::umask(022);
};

TEST_P(ArchiveFileMode, FollowsTheUmask) {
    ::umask(GetParam().umaskValue);
    QTemporaryDir dir;
    const QString path = dir.filePath("tempz.999");
    ASSERT_EQ(WriteArchiveFile(path, {"[IVDATA]", "x1=000000000000"}).Status, TArchiveWrite::Written);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, GetParam().expected) << std::oct << GetParam().umaskValue;
}

INSTANTIATE_TEST_SUITE_P(Masks, ArchiveFileMode, ::testing::Values(
    TModeCase{022, 0644}, TModeCase{027, 0640}, TModeCase{077, 0600}, TModeCase{002, 0664}));

} // namespace
