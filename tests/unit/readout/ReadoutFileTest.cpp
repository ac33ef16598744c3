// Archive file naming and writing: free numbers, the home directory for an empty path, whole files
// only, and never replacing a file.
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/Oem.h"
#include "readout/ArchiveFile.h"
#include "readout/ArchiveReadout.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvul;

namespace {

void Touch(const QString &path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList Entries(const QString &dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct TNumberCase {
    const char *name;
    int tempFileNo;
    QStringList present;
    int expected;   // -1: none free
};
void PrintTo(const TNumberCase &c, std::ostream *os) { *os << c.name; }

class ReadoutFileNumber : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(ReadoutFileNumber, TakesTheHighestNumberNoTempFileUses) {
    QTemporaryDir dir;
    for (const QString &name : GetParam().present) Touch(dir.filePath(name));
    const std::optional<int> n = FreeArchiveFileNumber(dir.path(), GetParam().tempFileNo);
    EXPECT_EQ(n.value_or(-1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ReadoutFileNumber, ::testing::Values(
    TNumberCase{"EmptyDirectory", 999, {}, 999},
    TNumberCase{"AnyTempNameBlocksItsNumber", 999, {"tempz.999", "tempa.998"}, 997},
    TNumberCase{"LetterCaseIgnored", 999, {"TEMPZ.999", "Temp.998"}, 997},
    TNumberCase{"OtherNamesDoNotCount", 999, {"other.999", "tempz.99", "tempz.9999", "xtempz.999"}, 999},
    TNumberCase{"StartsAtTempFileNo", 5, {"tempz.005"}, 4},
    TNumberCase{"NumbersAbove999NeverUsed", 5000, {}, 999},
    TNumberCase{"LastNumberZero", 1, {"tempz.001"}, 0},
    TNumberCase{"AllTaken", 1, {"tempz.001", "tempq.000"}, -1},
    TNumberCase{"NegativeStart", -1, {}, -1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReadoutFileName, ThreeDigitsJoinedWithSlash) {
    EXPECT_EQ(ArchiveFileName("/data/arc", 7), "/data/arc/tempz.007");
    EXPECT_EQ(ArchiveFileName("/", 42), "/tempz.042");
    EXPECT_EQ(ArchiveFileNumberText("/data/a.b/tempz.007"), "007");
}

TEST(ReadoutFileName, EmptyPathMeansTheHomeDirectoryNotTheRoot) {
    EXPECT_EQ(ArchiveDirectory(""), QDir::homePath());
    EXPECT_EQ(ArchiveDirectory("/data/arc/"), "/data/arc");
    EXPECT_EQ(ArchiveDirectory("/"), "/");
}

TEST(ReadoutFileWrite, WritesLinesWithCrLfInTheProgramCodePageAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tempz.999");
    const TArchiveWriteResult r = WriteArchiveFile(path, {"[COMMONDATA]", "e=Müller", "[IVDATA]", "x1=000FF9123FFC"});
    ASSERT_EQ(r.Status, TArchiveWrite::Written) << r.Reason.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[COMMONDATA]\r\ne=M\xfcller\r\n[IVDATA]\r\nx1=000FF9123FFC\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"tempz.999"});
}

// Device texts arrive as bytes: each must reach the file as sent (the bytes CP1252 leaves undefined
// too), except CR and LF, which would forge lines of their own.
TEST(ReadoutFileWrite, DeviceBytesAreKeptAndLineBreaksInsideATextCannotForgeLines) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tempz.998");
    QByteArray all;
    for (int b = 0x20; b < 0x100; ++b) all += char(b);
    const QString allText = FromDeviceText(all);
    const QStringList lines{"[COMMONDATA]", "e=" + allText, "f=A\r\nx6=FAKE", "[IVDATA]",
                            "x1=000FF9\n[COMMONDATA]\r", "x2=\x1b[2J"};
    ASSERT_EQ(WriteArchiveFile(path, lines).Status, TArchiveWrite::Written);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> written = f.readAll().split('\n');
    ASSERT_EQ(written.size(), lines.size() + 1) << "one line per entry";
    EXPECT_EQ(written[1], "e=" + all + "\r");
    EXPECT_EQ(written[2], "f=A  x6=FAKE\r");
    EXPECT_EQ(written[4], "x1=000FF9 [COMMONDATA] \r");
    EXPECT_EQ(written[5], "x2=\x1b[2J\r") << "other control bytes are kept";
}

TEST(ReadoutFileWrite, NeverReplacesAnExistingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tempz.999");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier readout");
    }
    EXPECT_EQ(WriteArchiveFile(path, {"[COMMONDATA]"}).Status, TArchiveWrite::Exists);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier readout"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"tempz.999"});
}

TEST(ReadoutFileWrite, UnwritableDirectoryFailsWithAReasonAndLeavesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only directory";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
    const TArchiveWriteResult r = WriteArchiveFile(dir.filePath("tempz.999"), {"[COMMONDATA]"});
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(r.Status, TArchiveWrite::Failed);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

// A tiny tmpfs for the tests of a full or read-only file system; only root in a system that allows
// mounts gets one (the tests skip otherwise).
class SmallFileSystem {
public:
    explicit SmallFileSystem(const char *options) {
        if (::geteuid() != 0 || !dir_.isValid()) return;
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount(QFile::encodeName(dir_.path()).constData());
    }
    bool Mounted() const { return mounted_; }
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

TEST(ReadoutFileWrite, FullDiskFailsWithAReasonAndKeepsTheFilesThatWereThere) {
    SmallFileSystem fs("size=64k");
    if (!fs.Mounted()) GTEST_SKIP() << "needs root and a tmpfs mount";
    ASSERT_EQ(WriteArchiveFile(fs.Path() + "/tempz.999", {"[COMMONDATA]", "a=1"}).Status, TArchiveWrite::Written);
    const QStringList many(20000, QStringLiteral("000001230000456"));
    const TArchiveWriteResult r = WriteArchiveFile(fs.Path() + "/tempz.998", many);
    EXPECT_EQ(r.Status, TArchiveWrite::Failed);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_EQ(Entries(fs.Path()), QStringList{"tempz.999"}) << "no partial or temporary file is left";
    QFile kept(fs.Path() + "/tempz.999");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("[COMMONDATA]\r\na=1\r\n"));
}

TEST(ReadoutFileWrite, ReadOnlyFileSystemFailsWithAReason) {
    SmallFileSystem fs("size=64k");
    if (!fs.Mounted()) GTEST_SKIP() << "needs root and a tmpfs mount";
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(fs.Path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const TArchiveWriteResult r = WriteArchiveFile(fs.Path() + "/tempz.999", {"[COMMONDATA]"});
    EXPECT_EQ(r.Status, TArchiveWrite::Failed);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_TRUE(Entries(fs.Path()).isEmpty());
}

TEST(ReadoutFileWrite, MissingDirectoryFails) {
    QTemporaryDir dir;
    const TArchiveWriteResult r = WriteArchiveFile(dir.filePath("gone/tempz.999"), {"[COMMONDATA]"});
    EXPECT_EQ(r.Status, TArchiveWrite::Failed);
    EXPECT_FALSE(r.Reason.isEmpty());
}

// A view that answers the save dialog with a fixed choice and counts how often it was asked.
struct TSaveDialogView : TReadArchView {
    std::optional<QString> answer;
    int asked = 0;
    std::optional<QString> AskFileName(const QString &, const QString &) override {
        ++asked;
        return answer;
    }
};

TEST(ReadoutFileName, EveryNumberTakenAsksForANameAndNeverTakesAnExistingOne) {
    QTemporaryDir dir;
    Touch(dir.filePath("tempz.001"));
    Touch(dir.filePath("tempa.000"));
    const TSettings saved = Settings();
    Settings().TempFilePath = dir.path();
    Settings().TempFileNo = 1;
    auto failure = [](TSaveDialogView &view) {
        try {
            TArchiveReadout(view, 0, "complete").Run();
        } catch (const TArchiveFileError &e) {
            return e.Text();
        }
        return QString("no error");
    };
    TSaveDialogView cancelled;
    EXPECT_EQ(failure(cancelled), LanguageText(kTextNoFileNumber));
    TSaveDialogView existing;
    existing.answer = dir.filePath("tempz.001");
    EXPECT_EQ(failure(existing), LanguageFormat(kTextFileExists, {dir.filePath("tempz.001")}));
    EXPECT_EQ(cancelled.asked + existing.asked, 2);
    Settings() = saved;
}

} // namespace
