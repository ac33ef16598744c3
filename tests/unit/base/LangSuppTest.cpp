#include "base/LangSupp.h"
#include "base/Paths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

void WriteFile(const QString &path, const QByteArray &content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// Runs each test with a program file in a temporary directory and no module loaded.
class LangSuppTest : public ::testing::Test {
protected:
    void SetUp() override {
        UnloadLanguageModule();
        SetProgramFilePathForTests(progDir.path() + "/korvul");
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override {
        UnloadLanguageModule();
        SetProgramFilePathForTests({});
    }
    korvultest::TempConfigHome home;
    QTemporaryDir progDir;
};

} // namespace

struct BaseNameRow { const char *file; const char *base; };
class ProgramBaseNameRule : public ::testing::TestWithParam<BaseNameRow> {};
TEST_P(ProgramBaseNameRule, CutsAtFirstDotAndSixCharacters) {
    EXPECT_EQ(ProgramBaseName(GetParam().file), GetParam().base);
}
INSTANTIATE_TEST_SUITE_P(Rows, ProgramBaseNameRule, ::testing::Values(
    BaseNameRow{"/opt/k/korvul", "korvul"}, BaseNameRow{"/x/korvul.exe", "korvul"},
    BaseNameRow{"/x/abcdefgh.exe", "abcdef"}, BaseNameRow{"/x/a.b.exe", "a"},
    BaseNameRow{"/x.y/abc", "abc"}));

TEST_F(LangSuppTest, ModuleChosenBySettingsLanguageCode) {
    WriteFile(progDir.path() + "/korvulEN.lng", "13=Version \n");
    home.writeIni("[Language]\nlanguage=EN\n");
    EXPECT_EQ(LoadLanguageModule(), QString());
    EXPECT_EQ(LanguageText(13), "Version ");
}

// LANGUAGE=en once stopped the program at start: the code is taken in any letter case.
TEST_F(LangSuppTest, LanguageCodeInAnyLetterCaseLoadsTheModuleOfThatLanguage) {
    WriteFile(progDir.path() + "/korvulEN.lng", "13=Version \n");
    for (const QByteArray code : {"en", "En", "eN", "EN"}) {
        home.writeIni("[LANGUAGE]\nLANGUAGE=" + code + "\n");
        EXPECT_EQ(LoadLanguageModule(), QString()) << code.constData();
        EXPECT_EQ(LanguageText(13), "Version ") << code.constData();
        EXPECT_EQ(LanguageModulePath(QString::fromLatin1(code)), progDir.path() + "/korvulEN.lng");
    }
}

TEST_F(LangSuppTest, ModuleNamedInLowerCaseIsFoundForTheCodeInCapitals) {
    WriteFile(progDir.path() + "/korvulfr.lng", "1=un\n");
    home.writeIni("[LANGUAGE]\nLANGUAGE=FR\n");
    EXPECT_EQ(LoadLanguageModule(), QString());
    EXPECT_EQ(LanguageText(1), "un");
}

TEST_F(LangSuppTest, EmptyOrMissingLanguageCodeMeansGerman) {
    WriteFile(progDir.path() + "/korvulDE.lng", "1=eins\n");
    for (const QByteArray &ini : {QByteArray(), QByteArray("[LANGUAGE]\nLANGUAGE=\n")}) {
        home.writeIni(ini);
        EXPECT_EQ(LoadLanguageModule(), QString()) << ini.constData();
        EXPECT_EQ(LanguageText(1), "eins");
    }
}

TEST_F(LangSuppTest, MissingModuleGivesStartupErrorWithFullPath) {
    home.writeIni("[LANGUAGE]\nLANGUAGE=FR\n");
    const QString msg = LoadLanguageModule();
    EXPECT_TRUE(msg.startsWith("korvul.exe - Initialization: Language support file not found! / "
                               "Sprachdatei nicht gefunden!:  "));
    EXPECT_TRUE(msg.endsWith(progDir.path() + "/korvulFR.lng"));
    home.writeIni("[LANGUAGE]\nLANGUAGE=fr\n");
    EXPECT_TRUE(LoadLanguageModule().endsWith(progDir.path() + "/korvulFR.lng")) << "names the file as shipped";
    EXPECT_FALSE(LanguageModuleLoaded());
}

TEST_F(LangSuppTest, DirectoryOrTextlessFileIsNotAModule) {
    QDir(progDir.path()).mkdir("korvulDE.lng");
    EXPECT_FALSE(LoadLanguageModuleFile(progDir.path() + "/korvulDE.lng"));
    WriteFile(progDir.path() + "/bin.lng", QByteArray("\x7f" "ELF\x00\x01\x02 garbage", 16));
    EXPECT_FALSE(LoadLanguageModuleFile(progDir.path() + "/bin.lng"));
}

TEST_F(LangSuppTest, MalformedLinesAreSkippedAndGoodLinesLoad) {
    WriteFile(progDir.path() + "/m.lng",
              "# comment\r\n12=ok\r\nnonsense\r\n=novalue\r\n70000=too big\r\n-1=neg\r\n"
              "14=a\\nb\\tc\\\\d\\q\r\n12=second definition ignored\r\n15=\xff\xfe bad utf8\n16=no newline");
    ASSERT_TRUE(LoadLanguageModuleFile(progDir.path() + "/m.lng"));
    EXPECT_EQ(LanguageText(12), "ok");
    EXPECT_EQ(LanguageText(14), "a\nb\tc\\d\\q");
    EXPECT_EQ(LanguageText(16), "no newline");
    EXPECT_FALSE(LanguageText(15).isEmpty());
    EXPECT_EQ(LanguageText(4464), "str4464");   // 70000 must not wrap into 4464
    EXPECT_EQ(LanguageText(65535), "str65535");
}

TEST_F(LangSuppTest, NoModuleGivesPlaceholders) {
    EXPECT_EQ(LanguageText(4191), "str4191");
    EXPECT_EQ(LanguageText(0), "str0");
}

TEST(TextNumber, WrapsAt65536) {
    EXPECT_EQ(TextNumber(65535, 2), 1);
    EXPECT_EQ(TextNumber(300, 20), 320);
    EXPECT_EQ(TextNumber(100, 0x10005), 105);
}

struct FormatRow { const char *fmt; QVariantList args; const char *out; };
class FormatTextRows : public ::testing::TestWithParam<FormatRow> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
};
TEST_P(FormatTextRows, FormatsLikeTheLanguageFilesExpect) {
    EXPECT_EQ(FormatText(GetParam().fmt, GetParam().args), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Rows, FormatTextRows, ::testing::Values(
    FormatRow{"Help file %s not found", {"/a/b.html"}, "Help file /a/b.html not found"},
    FormatRow{"[%-12s]", {"ab"}, "[ab          ]"},
    FormatRow{"%4.2f", {3.14159}, "3.14"},
    FormatRow{"%10.2n|", {1234567.891}, "1,234,567.89|"},
    FormatRow{"%d of %d", {3, 7}, "3 of 7"},
    FormatRow{"%.3d %x", {7, 255}, "007 FF"},
    FormatRow{"100%% %g", {0.5}, "100% 0.5"},
    FormatRow{"%s and %s", {"one"}, "one and %s"},       // a missing argument leaves the specifier
    FormatRow{"%d", {"abc"}, "%d"},                      // an unsuitable one too
    FormatRow{"%", {}, "%"},
    FormatRow{"trailing %-", {1}, "trailing %-"}));

TEST(FormatSignature, ListsConversionLetters) {
    EXPECT_EQ(FormatSignature("%s: %4.2f%% %-12s %10.2n"), "sfsn");
    EXPECT_EQ(FormatSignature("no format 100%%"), "");
}
