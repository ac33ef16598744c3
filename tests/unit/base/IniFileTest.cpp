#include "base/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using korvul::TIniFile;
using korvul::TIniFileError;

namespace {

// A byte string literal with its embedded NUL bytes.
template <size_t N>
QByteArray Bytes(const char (&s)[N]) { return QByteArray(s, N - 1); }

QByteArray ReadBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

unsigned ModeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Files in dir other than the settings file: a save must never leave its temporary file behind.
QStringList Leftovers(const QString &dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral("korvul.ini"));
    return names;
}

TIniFile IniWith(const korvultest::TempConfigHome &home, const QByteArray &content) {
    home.writeIni(content);
    return TIniFile(home.iniPath());
}

struct IntRow {
    const char *value;
    int expected;
};

class IniReadInteger : public testing::TestWithParam<IntRow> {};

TEST_P(IniReadInteger, ParsesDecimalAndHexAndFallsBackToDefault) {
    korvultest::TempConfigHome home;
    const TIniFile ini = IniWith(home, QByteArray("[S]\nK=") + GetParam().value + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", 999), GetParam().expected) << "value: " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Rows, IniReadInteger, testing::Values(
    IntRow{"16", 16}, IntRow{"0x10", 16}, IntRow{"0X1f", 31}, IntRow{"0x0", 0}, IntRow{"007", 7},
    IntRow{"  42  ", 42}, IntRow{"\"12\"", 12}, IntRow{"-5", -5}, IntRow{"+7", 7},
    IntRow{"-2147483648", INT_MIN}, IntRow{"2147483647", INT_MAX}, IntRow{"0x7FFFFFFF", INT_MAX},
    // unreadable: the default
    IntRow{"abc", 999}, IntRow{"", 999}, IntRow{"0x", 999}, IntRow{"0xg1", 999}, IntRow{"12abc", 999},
    IntRow{"1 2", 999}, IntRow{"-", 999}, IntRow{"-0x10", 999}, IntRow{"2147483648", 999},
    IntRow{"0x80000000", 999}, IntRow{"99999999999999999999", 999}, IntRow{"1.5", 999}));

TEST(IniFile, BoolIsAnyNonzeroIntegerAndUnreadableGivesDefault) {
    korvultest::TempConfigHome home;
    const TIniFile ini = IniWith(home, "[M]\nTwo=2\nMinus=-1\nZero=0\nHexZero=0x0\nWord=yes\n");
    EXPECT_TRUE(ini.ReadBool("M", "Two", false));
    EXPECT_TRUE(ini.ReadBool("M", "Minus", false));
    EXPECT_FALSE(ini.ReadBool("M", "Zero", true));
    EXPECT_FALSE(ini.ReadBool("M", "HexZero", true));
    EXPECT_FALSE(ini.ReadBool("M", "Word", false));
    EXPECT_TRUE(ini.ReadBool("M", "Word", true));
    EXPECT_TRUE(ini.ReadBool("M", "Missing", true));
}

TEST(IniFile, BoolIsWrittenAsOneOrZero) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[M]\nA=2\nB=7\n");
    ini.WriteBool("M", "A", true);
    ini.WriteBool("M", "B", false);
    EXPECT_EQ(ini.Contents(), "[M]\nA=1\nB=0\n");
}

struct StringRow {
    QByteArray line;
    QString expected;
};

class IniReadString : public testing::TestWithParam<StringRow> {};

TEST_P(IniReadString, ReadsValuesAsTheProfileFunctionsReturnThem) {
    korvultest::TempConfigHome home;
    const TIniFile ini = IniWith(home, "[S]\n" + GetParam().line + "\n");
    EXPECT_EQ(ini.ReadString("S", "K", "def"), GetParam().expected) << GetParam().line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, IniReadString, testing::Values(
    StringRow{"K=  a b \t", "a b"}, StringRow{"  K  =x", "x"}, StringRow{"K=", ""},
    StringRow{"K=\"  quoted  \"", "  quoted  "}, StringRow{"K='single'", "single"},
    StringRow{"K=\"open", "\"open"}, StringRow{"K=\"mixed'", "\"mixed'"}, StringRow{"K=\"", "\""},
    StringRow{"K=a=b", "a=b"}, StringRow{Bytes("K=before\0after"), "before"},
    StringRow{"K=Gr\xC3\xBC\xC3\x9F" "e", QString::fromUtf8("Grüße")},
    StringRow{"K=Gr\xFC\xDF" "e", QString::fromLatin1("Gr\xFC\xDF" "e")},   // not UTF-8: read as Latin-1
    StringRow{"K", "def"}, StringRow{"; K=comment", "def"}, StringRow{"other=1", "def"}));

TEST(IniFile, LongValueIsCutTo2047Characters) {
    korvultest::TempConfigHome home;
    const TIniFile ini = IniWith(home, "[S]\nK=" + QByteArray(3000, 'v') + "\nNext=ok\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), QString(2047, 'v'));
    EXPECT_EQ(ini.ReadString("S", "Next", ""), "ok");
}

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[user_options]\ntempfileno=5\n");
    EXPECT_EQ(ini.ReadInteger("USER_OPTIONS", "TempFileNo", 0), 5);
    ini.WriteInteger("User_Options", "TEMPFILENO", 6);
    EXPECT_EQ(ini.Contents(), "[user_options]\ntempfileno=6\n");
}

TEST(IniFile, FirstOfDuplicateKeysAndSectionsWinsForReadAndWrite) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[S]\nK=first\nK=second\n[T]\n[s]\nK=third\nL=later\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "first");
    EXPECT_EQ(ini.ReadString("S", "L", ""), "later");   // a repeated section is still read
    ini.WriteString("S", "K", "new");
    ini.WriteString("S", "L", "new");
    EXPECT_EQ(ini.Contents(), "[S]\nK=new\nK=second\n[T]\n[s]\nK=third\nL=new\n");
}

TEST(IniFile, WriteKeepsEveryOtherLineByteForByte) {
    korvultest::TempConfigHome home;
    const QByteArray before =
        "; korvul settings\n\n[OTHER]\nx = 1\n[COMM]\n  COM = 3 ; port\nUNKNOWN=\xFF\xFE\n\n"
        "# next section\n[MODEM]\nVIAMODEM=0\n\n";
    TIniFile ini = IniWith(home, before);
    ini.WriteInteger("COMM", "COM", 4);
    ini.WriteInteger("COMM", "CHECKTIME", 15000);
    ini.WriteString("MODEM", "PREFIX", "P");
    ini.WriteString("CLM-300", "CLM300ACCESSCODE", "abc");
    EXPECT_EQ(ini.Contents(),
              "; korvul settings\n\n[OTHER]\nx = 1\n[COMM]\n  COM =4\nUNKNOWN=\xFF\xFE\nCHECKTIME=15000\n\n"
              "# next section\n[MODEM]\nVIAMODEM=0\nPREFIX=P\n\n[CLM-300]\nCLM300ACCESSCODE=abc\n");
}

TEST(IniFile, KeepsCrLfStyleAndEachLinesOwnEnd) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[A]\r\nK=1\r\nlf line\n");
    ini.WriteInteger("A", "K", 2);
    ini.WriteInteger("A", "New", 3);
    ini.WriteInteger("B", "X", 4);
    EXPECT_EQ(ini.Contents(), "[A]\r\nK=2\r\nlf line\nNew=3\r\n\r\n[B]\r\nX=4\r\n");
}

TEST(IniFile, MissingFinalNewlineGetsOneBeforeAnAppendedLine) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[A]\r\nK=1");
    EXPECT_EQ(ini.ReadInteger("A", "K", 0), 1);
    ini.WriteInteger("A", "L", 2);
    EXPECT_EQ(ini.Contents(), "[A]\r\nK=1\r\nL=2\r\n");
}

TEST(IniFile, ValueWithLineBreaksCannotInjectEntries) {
    korvultest::TempConfigHome home;
    TIniFile ini = IniWith(home, "[A]\nK=1\n");
    ini.WriteString("A", "K", QString::fromLatin1(Bytes("x\n[A]\nEVIL=1\r\0y")));
    EXPECT_EQ(ini.Contents(), QByteArray("[A]\nK=x [A] EVIL=1  y\n"));
    EXPECT_EQ(ini.ReadString("A", "EVIL", "none"), "none");
}

TEST(IniFile, GarbageAndBinaryLinesKeepReadableValues) {
    korvultest::TempConfigHome home;
    QByteArray junk = Bytes("\xEF\xBB\xBF[S]\n\x01\x02\0\0=\xFF\n[broken\n=\n\0\0\0\n");
    junk += QByteArray(1 << 20, 'z') + "\n";   // a 1 MB line
    junk += "K = kept\n]]]\n[T]\r\nL=\x80\x81\r\n" + QByteArray(1 << 20, '\0') + "\nM=last";
    TIniFile ini = IniWith(home, junk);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "kept");
    EXPECT_EQ(ini.ReadString("T", "L", ""), QString::fromLatin1("\x80\x81"));
    EXPECT_EQ(ini.ReadString("T", "M", ""), "last");
    ini.WriteString("S", "K", "changed");
    ini.Save();
    QByteArray expected = junk;
    expected.replace("K = kept", "K =changed");
    EXPECT_EQ(ReadBytes(home.iniPath()), expected);
}

TEST(IniFile, SaveCreatesDirectoryAndPrivateFile) {
    korvultest::TempConfigHome home;
    const QString path = home.path() + "/deep/er/korvul.ini";
    TIniFile ini(path);
    ini.WriteString("CLM-300", "CLM300ACCESSCODE", "secret");
    ini.Save();
    EXPECT_EQ(ReadBytes(path), "[CLM-300]\nCLM300ACCESSCODE=secret\n");
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(home.path() + "/deep"), 0700u);
    EXPECT_TRUE(Leftovers(home.path() + "/deep/er").isEmpty());
}

TEST(IniFile, SaveMakesAnExistingReadableFilePrivate) {
    korvultest::TempConfigHome home;
    home.writeIni("[A]\nK=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(home.iniPath()).constData(), 0644), 0);
    TIniFile(home.iniPath()).Save();
    EXPECT_EQ(ModeOf(home.iniPath()), 0600u);
}

TEST(IniFile, SaveThroughSymlinkReplacesTargetAndKeepsLink) {
    korvultest::TempConfigHome home;
    QFile(home.path() + "/real.ini").open(QIODevice::WriteOnly);
    const QString link = home.korvulDir() + "/korvul.ini";
    ASSERT_TRUE(QFile::link(home.path() + "/real.ini", link));
    TIniFile ini(link);
    ini.WriteInteger("A", "K", 1);
    ini.Save();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(home.path() + "/real.ini"), "[A]\nK=1\n");
}

// Writes beyond a small file size limit fail with EFBIG even for root, so this failure is testable
// everywhere: the save must fail half-way through its temporary file and leave the old file whole.
TEST(IniFileFailedSave, WriteErrorLeavesOldFileWholeAndNoTemporaryFile) {
    korvultest::TempConfigHome home;
    const QByteArray before = "[A]\nK=old\n; keep me\n";
    TIniFile ini = IniWith(home, before);
    ini.WriteString("A", "K", QString(4096, 'n'));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        ini.Save();
    } catch (const TIniFileError &e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(message.find(home.iniPath().toStdString()), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << "the reason reaches the text: " << message;
    EXPECT_EQ(ReadBytes(home.iniPath()), before);
    EXPECT_TRUE(Leftovers(home.korvulDir()).isEmpty());
}

TEST(IniFileFailedSave, DirectoryPathThatIsAFileRaisesErrorNamingTheFile) {
    korvultest::TempConfigHome home;
    QFile blocker(home.path() + "/korvul");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a directory");
    blocker.close();
    const QString path = home.path() + "/korvul/korvul.ini";
    TIniFile ini(path);
    ini.WriteInteger("A", "K", 1);
    EXPECT_THROW(
        {
            try {
                ini.Save();
            } catch (const TIniFileError &e) {
                EXPECT_NE(std::string(e.what()).find(path.toStdString()), std::string::npos) << e.what();
                throw;
            }
        },
        TIniFileError);
    EXPECT_EQ(ReadBytes(home.path() + "/korvul"), "not a directory");
}

TEST(IniFileFailedSave, ReadOnlyDirectoryLeavesOldFileWhole) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories; the size-limit case covers root";
    korvultest::TempConfigHome home;
    const QByteArray before = "[A]\nK=old\n";
    TIniFile ini = IniWith(home, before);
    ini.WriteString("A", "K", "new");
    ASSERT_EQ(::chmod(QFile::encodeName(home.korvulDir()).constData(), 0500), 0);
    EXPECT_THROW(ini.Save(), TIniFileError);
    ::chmod(QFile::encodeName(home.korvulDir()).constData(), 0700);
    EXPECT_EQ(ReadBytes(home.iniPath()), before);
    EXPECT_TRUE(Leftovers(home.korvulDir()).isEmpty());
}

// An existing file that cannot be read must not be replaced by a file holding only the program's keys.
TEST(IniFileFailedSave, UnreadableExistingFileIsNotReplaced) {
    korvultest::TempConfigHome home;
    ASSERT_TRUE(QDir(home.korvulDir()).mkdir("korvul.ini"));   // exists, but is no readable file
    TIniFile ini(home.iniPath());
    EXPECT_EQ(ini.ReadInteger("A", "K", 7), 7);
    ini.WriteInteger("A", "K", 1);
    EXPECT_THROW(ini.Save(), TIniFileError);
    EXPECT_TRUE(QFileInfo(home.iniPath()).isDir());
}

} // namespace

namespace {

// Runs TIniFile(path) in a child process; true when it ended within the deadline with a read error.
// A FIFO at the path must never be waited on; a child keeps a hanging open from hanging the test.
bool ConstructsPromptlyWithReadError(const QString &path) {
    const pid_t child = ::fork();
    if (child == 0) _exit(TIniFile(path).ReadError().isEmpty() ? 1 : 0);
    int status = 0;
    const bool ended = korvultest::WaitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; },
                                             std::chrono::seconds(20));
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct UnreadableRow {
    const char *what;
    bool needsNonRoot;   // root reads a file whatever its mode
    std::function<void(const QString &path)> make;
};
void PrintTo(const UnreadableRow &r, std::ostream *os) { *os << r.what; }

class IniUnreadable : public testing::TestWithParam<UnreadableRow> {};

// An existing settings file that cannot be read gives the defaults, says why, and is never replaced by
// a file holding only the program's keys.
TEST_P(IniUnreadable, GivesDefaultsSaysWhyAndIsNotReplaced) {
    if (GetParam().needsNonRoot && ::geteuid() == 0) GTEST_SKIP() << "root reads a file of mode 0000";
    korvultest::TempConfigHome home;
    GetParam().make(home.iniPath());
    ASSERT_TRUE(ConstructsPromptlyWithReadError(home.iniPath())) << "hung, or no read error";
    TIniFile ini(home.iniPath());
    EXPECT_FALSE(ini.ReadError().isEmpty());
    EXPECT_EQ(ini.ReadInteger("A", "K", 7), 7);
    ini.WriteInteger("A", "K", 1);
    std::string message;
    try {
        ini.Save();
    } catch (const TIniFileError &e) {
        message = e.what();
    }
    EXPECT_NE(message.find(ini.ReadError().toStdString()), std::string::npos) << message;
    EXPECT_TRUE(QFileInfo(home.iniPath()).exists());
    EXPECT_FALSE(QFileInfo(home.iniPath()).isFile() && ReadBytes(home.iniPath()).contains("K=1"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IniUnreadable, testing::Values(
    UnreadableRow{"Directory", false, [](const QString &p) { ASSERT_TRUE(QDir().mkpath(p)); }},
    UnreadableRow{"Fifo", false, [](const QString &p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); }},
    UnreadableRow{"NoPermission", true, [](const QString &p) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[A]\nK=5\n");
        f.close();
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0), 0);
    }}),
    [](const auto &info) { return std::string(info.param.what); });

TEST(IniFile, MissingFileOrMissingFolderIsNoReadError) {
    korvultest::TempConfigHome home;
    EXPECT_TRUE(TIniFile(home.iniPath()).ReadError().isEmpty());
    EXPECT_TRUE(TIniFile(home.path() + "/none/korvul.ini").ReadError().isEmpty());
}

// Changes edit the file's bytes in place: lines around them, however many, stay as they were.
TEST(IniFile, ManyLinesAroundAChangeStayByteForByte) {
    korvultest::TempConfigHome home;
    QByteArray filler;
    for (int i = 0; i < 20000; ++i) filler += "; note " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
    const QByteArray before = "[A]\r\nK=old\r\n" + filler + "[B]\r\nL=1";
    TIniFile ini = IniWith(home, before);
    ini.WriteString("A", "K", "new");
    ini.WriteString("B", "M", "2");
    ini.WriteString("C", "N", "3");
    EXPECT_EQ(ini.Contents(), "[A]\r\nK=new\r\n" + filler + "[B]\r\nL=1\r\nM=2\r\n\r\n[C]\r\nN=3\r\n");
    EXPECT_EQ(ini.ReadString("B", "L", ""), "1");
}

} // namespace
