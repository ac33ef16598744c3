// Checks the language fragments in lang/DE and lang/EN and the joined modules in the program directory:
// both languages complete and in step, every line well-formed, formats that take the arguments the code
// passes, and every text number the code or the windows rely on present.
#include "base/LangSupp.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

namespace {

using korvul::FormatSignature;
using korvul::FormatText;
using korvul::ParseLanguageModule;

const std::array<QString, 2> kLanguages = {QStringLiteral("DE"), QStringLiteral("EN")};

// Texts the program fetches by a fixed number; a missing one shows as "str<N>" in a message box or window.
struct TRange {
    uint16_t first;
    uint16_t last;
};
constexpr TRange kRequired[] = {
    {13, 13},                                            // About box: version prefix
    {50, 52},                                            // captions of message boxes
    {116, 118}, {122, 122}, {129, 129}, {131, 132},      // main window: counter, alarm and hint labels
    {139, 139}, {180, 185}, {189, 190},                  // main window: tab text, labels, status bar
    {210, 210}, {215, 215}, {220, 220}, {222, 229},      // archive readout and its cancel question
    {250, 251}, {253, 254}, {256, 258},                  // readout and common data messages
    {231, 232}, {235, 236},                              // archive readout: end of the readout
    {311, 314}, {340, 342},                              // process data
    {3200, 3217},                                        // process data: plot, CSV and picture files
    {423, 426}, {450, 453},                              // user options
    {613, 613}, {618, 618},                              // serial interface settings
    {850, 850}, {910, 910}, {912, 912}, {921, 921},      // set time, new device access code
    {1111, 1113},                                        // QT-700/A configuration
    {1221, 1222}, {1230, 1234}, {1280, 1289}, {1299, 1299},  // QT-700/M configuration
    {1301, 1336},                                        // QT-700/M data sheet
    {1408, 1408}, {1410, 1414},                          // NX-17S command scripts
    {1424, 1425},                                        // input box captions: script input, RTC test
    {1439, 1449}, {1459, 1460},                          // initialisation, RTC test, delete, maxima
    {1502, 1502}, {1520, 1532}, {1534, 1541},            // QT-700/V2 configuration
    {1660, 1660}, {1697, 1698}, {1720, 1720},            // communication module and its dialogs
    {1820, 1820}, {1902, 1902}, {1905, 1905}, {1913, 1913},
    {1926, 1926}, {1936, 1936}, {2021, 2022},
    {2202, 2211},                                        // modem and connection failures
    {3000, 3001}, {3010, 3011}, {3014, 3014}, {3020, 3020},  // help file, configure, wait, RTC cancel, settings
    {3100, 3121}, {3170, 3170},                                        // serial ports: list marks, open failures, links
    {4014, 4014}, {4178, 4197},                          // communication module window
    {42000, 42001}, {42003, 42006}, {42009, 42017},      // common data write-back
    {42402, 42402}, {42404, 42404}, {59103, 59103},      // status texts of a QT-700/V2 and an NX-17
};

// Texts the code formats, with the conversion letters of the arguments it passes, in order.
struct TFormat {
    uint16_t number;
    const char *signature;
};
constexpr std::array<TFormat, 44> kFormats = {{
    {210, "d"},   {215, "d"},  {220, "s"},  {235, "d"},   {236, "s"},   {257, "d"},   {341, "dd"},  {424, "s"},
    {1221, "d"},  {1222, "dff"}, {1285, "s"}, {1287, "ff"}, {1302, "s"}, {1303, "s"},
    {1304, "s"},  {1310, "d"}, {1333, "ss"}, {1334, "f"}, {1336, "s"},  {1414, "s"},
    {1443, "f"},  {1820, "dsss"}, {2202, "d"}, {2206, "d"}, {2211, "s"}, {3000, "s"}, {3020, "ss"}, {4014, "ds"},
    {3100, "s"},  {3101, "s"}, {3103, "sss"}, {3104, "ssd"}, {3105, "s"}, {3106, "ss"}, {3108, "s"}, {3109, "s"},
    {3110, "ss"}, {3111, "sdss"}, {3112, "sss"}, {3118, "s"}, {3119, "ss"}, {3121, "ss"}, {3170, "ss"},
    {3213, "s"},
}};

// Device types of the identification table, for the status texts (base 40000 + type x 100 + bit).
constexpr std::array<int, 22> kStatusTypes = {1,  2,  3,  4,  11, 12, 13, 21, 22, 23, 24,
                                             25, 31, 41, 42, 84, 89, 90, 92, 93, 94, 95};
constexpr std::array<int, 5> kProcessDataTypes = {89, 90, 92, 93, 95};

struct TFragments {
    QStringList files;                              // file names, sorted
    std::map<uint16_t, QString> texts;              // first definition of each number
    std::map<uint16_t, QStringList> definedIn;      // every file:line that defines the number
    QStringList faults;                             // malformed lines and empty texts
};

QString LangDir(const QString &code) { return korvultest::SourceDir() + "/lang/" + code; }

// Reads every fragment of one language line by line; each line goes through the program's own parser.
TFragments ReadFragments(const QString &code) {
    TFragments result;
    const QDir dir(LangDir(code));
    result.files = dir.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    for (const QString &name : result.files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            result.faults << name + ": cannot be read";
            continue;
        }
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r')) line.chop(1);
            if (line.isEmpty() || line.startsWith('#')) continue;
            const QString where = QStringLiteral("%1:%2").arg(name).arg(i + 1);
            const QHash<uint16_t, QString> parsed = ParseLanguageModule(line);
            if (parsed.size() != 1) {
                result.faults << where + ": malformed line: " + QString::fromUtf8(line);
                continue;
            }
            const uint16_t number = parsed.constBegin().key();
            if (parsed.constBegin().value().isEmpty()) result.faults << where + ": empty text";
            result.definedIn[number] << where;
            result.texts.emplace(number, parsed.constBegin().value());
        }
    }
    return result;
}

const TFragments &Fragments(const QString &code) {
    static std::map<QString, TFragments> cache;
    auto it = cache.find(code);
    if (it == cache.end()) it = cache.emplace(code, ReadFragments(code)).first;
    return it->second;
}

std::string Join(const QStringList &items) { return items.join(QStringLiteral("\n  ")).toStdString(); }

class LanguageFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(korvultest::SourceDir().isEmpty()) << "KORVUL_SOURCE_DIR is not set";
        for (const QString &code : kLanguages)
            ASSERT_TRUE(QDir(LangDir(code)).exists()) << LangDir(code).toStdString();
    }
    const TFragments &de() const { return Fragments(kLanguages[0]); }
    const TFragments &en() const { return Fragments(kLanguages[1]); }
};

TEST_F(LanguageFilesTest, BothLanguagesHaveTheSameFragmentFiles) {
    EXPECT_FALSE(de().files.isEmpty());
    EXPECT_EQ(de().files, en().files);
}

TEST_F(LanguageFilesTest, EveryLineParsesAndNoTextIsEmpty) {
    for (const QString &code : kLanguages)
        EXPECT_TRUE(Fragments(code).faults.isEmpty()) << code.toStdString() << ":\n  " << Join(Fragments(code).faults);
}

TEST_F(LanguageFilesTest, NoNumberIsDefinedTwiceInOneLanguage) {
    for (const QString &code : kLanguages) {
        QStringList twice;
        for (const auto &[number, places] : Fragments(code).definedIn)
            if (places.size() > 1) twice << QString::number(number) + " in " + places.join(", ");
        EXPECT_TRUE(twice.isEmpty()) << code.toStdString() << " defines numbers more than once:\n  " << Join(twice);
    }
}

TEST_F(LanguageFilesTest, GermanAndEnglishDefineTheSameNumbers) {
    QStringList onlyDe, onlyEn;
    for (const auto &entry : de().texts)
        if (!en().texts.count(entry.first)) onlyDe << QString::number(entry.first);
    for (const auto &entry : en().texts)
        if (!de().texts.count(entry.first)) onlyEn << QString::number(entry.first);
    EXPECT_TRUE(onlyDe.isEmpty()) << "missing in EN: " << onlyDe.join(' ').toStdString();
    EXPECT_TRUE(onlyEn.isEmpty()) << "missing in DE: " << onlyEn.join(' ').toStdString();
}

TEST_F(LanguageFilesTest, FormatSignaturesAgreeBetweenLanguages) {
    QStringList differ;
    for (const auto &[number, text] : de().texts) {
        const auto other = en().texts.find(number);
        if (other != en().texts.end() && FormatSignature(text) != FormatSignature(other->second))
            differ << QStringLiteral("%1: DE \"%2\" EN \"%3\"").arg(number).arg(FormatSignature(text),
                                                                           FormatSignature(other->second));
    }
    EXPECT_TRUE(differ.isEmpty()) << Join(differ);
}

// A "%" that is neither "%%" nor a specifier the formatter knows would be shown raw or shift the arguments.
TEST_F(LanguageFilesTest, EveryPercentSignIsASpecifierOrEscaped) {
    for (const QString &code : kLanguages) {
        QStringList stray;
        for (const auto &[number, text] : Fragments(code).texts) {
            QString rest = text;
            rest.remove(QStringLiteral("%%"));
            if (rest.count(u'%') != FormatSignature(text).size()) stray << QString::number(number) + ": " + text;
        }
        EXPECT_TRUE(stray.isEmpty()) << code.toStdString() << ":\n  " << Join(stray);
    }
}

TEST_F(LanguageFilesTest, FormattedTextsTakeTheArgumentsTheCodePasses) {
    for (const QString &code : kLanguages) {
        const auto &texts = Fragments(code).texts;
        for (const TFormat &f : kFormats) {
            const auto it = texts.find(f.number);
            ASSERT_NE(it, texts.end()) << code.toStdString() << " lacks format " << f.number;
            EXPECT_EQ(FormatSignature(it->second), QString::fromLatin1(f.signature))
                << code.toStdString() << " " << f.number << ": " << it->second.toStdString();
        }
    }
}

// Plain messages must not carry specifiers: the code shows them unformatted.
TEST_F(LanguageFilesTest, RequiredPlainTextsCarryNoSpecifiers) {
    std::map<uint16_t, bool> isFormat;
    for (const TFormat &f : kFormats) isFormat[f.number] = true;
    for (const QString &code : kLanguages) {
        QStringList withSpec;
        for (const TRange &r : kRequired)
            for (int n = r.first; n <= r.last; ++n) {
                const auto it = Fragments(code).texts.find(static_cast<uint16_t>(n));
                if (!isFormat.count(n) && it != Fragments(code).texts.end() && !FormatSignature(it->second).isEmpty())
                    withSpec << QString::number(n) + ": " + it->second;
            }
        EXPECT_TRUE(withSpec.isEmpty()) << code.toStdString() << ":\n  " << Join(withSpec);
    }
}

TEST_F(LanguageFilesTest, TextsTheProgramNamesArePresentInBothLanguages) {
    for (const QString &code : kLanguages) {
        QStringList missing;
        for (const TRange &r : kRequired)
            for (int n = r.first; n <= r.last; ++n)
                if (!Fragments(code).texts.count(static_cast<uint16_t>(n))) missing << QString::number(n);
        EXPECT_TRUE(missing.isEmpty()) << code.toStdString() << " lacks: " << missing.join(' ').toStdString();
    }
}

TEST_F(LanguageFilesTest, StatusTextsExistForEveryIdentifiedDeviceType) {
    for (const QString &code : kLanguages) {
        QStringList missing;
        auto need = [&](int n) {
            if (!Fragments(code).texts.count(static_cast<uint16_t>(n))) missing << QString::number(n);
        };
        for (int type : kStatusTypes)
            for (int bit = 1; bit <= 8; ++bit) need(40000 + type * 100 + bit);
        for (int type : kProcessDataTypes)
            for (int bit = 1; bit <= 32; ++bit) need(50000 + type * 100 + bit);
        for (int status = 0; status <= 15; ++status) {
            need(49100 + status);   // NX-17: one text per decimal status code
            need(59100 + status);
        }
        EXPECT_TRUE(missing.isEmpty()) << code.toStdString() << " lacks: " << missing.join(' ').toStdString();
    }
}

// The module window takes the channel number from the text before the first ":" of each list line.
TEST_F(LanguageFilesTest, ChannelListLineStartsWithTheChannelNumberAndAColon) {
    for (const QString &code : kLanguages) {
        const auto it = Fragments(code).texts.find(1820);
        ASSERT_NE(it, Fragments(code).texts.end());
        const QString line = FormatText(it->second, {3, QStringLiteral("Pump: east"), QStringLiteral("QT-700/V2"),
                                                     QStringLiteral("6.1")});
        EXPECT_EQ(line.section(u':', 0, 0).trimmed(), QStringLiteral("3")) << code.toStdString();
    }
}

// The About box shows text 13 directly followed by the version, the channel tabs text 139 directly followed
// by the channel number; without a closing blank the two run together.
TEST_F(LanguageFilesTest, TextsFollowedDirectlyByAValueEndWithABlank) {
    for (const QString &code : kLanguages)
        for (const uint16_t number : {13, 139}) {
            const auto it = Fragments(code).texts.find(number);
            ASSERT_NE(it, Fragments(code).texts.end()) << code.toStdString() << " " << number;
            EXPECT_TRUE(it->second.endsWith(u' ')) << code.toStdString() << " " << number << ": \""
                                                   << it->second.toStdString() << "\"";
        }
}

// Every literal number handed to LanguageText or LanguageFormat in the program's sources.
std::map<int, QStringList> NumbersUsedByTheCode() {
    static const QRegularExpression call(QStringLiteral(R"(\bLanguage(?:Text|Format)\s*\(\s*(\d+)\s*[,)])"));
    std::map<int, QStringList> used;
    const QStringList dirs = {"app", "comm", "main", "readout", "config", "module", "linedriver", "protocol"};
    for (const QString &sub : dirs) {
        QDirIterator it(korvultest::SourceDir() + "/" + sub, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QString source = QString::fromUtf8(file.readAll());
            for (auto m = call.globalMatch(source); m.hasNext();) {
                const auto match = m.next();
                used[match.captured(1).toInt()] << QDir(korvultest::SourceDir()).relativeFilePath(path);
            }
        }
    }
    return used;
}

TEST_F(LanguageFilesTest, EveryNumberTheCodeUsesIsPresentInBothLanguages) {
    for (const QString &code : kLanguages) {
        QStringList missing;
        for (const auto &[number, files] : NumbersUsedByTheCode())
            if (number > 0xFFFF || !Fragments(code).texts.count(static_cast<uint16_t>(number)))
                missing << QString::number(number) + " (" + files.join(", ") + ")";
        EXPECT_TRUE(missing.isEmpty()) << code.toStdString() << " lacks:\n  " << Join(missing);
    }
}

TEST_F(LanguageFilesTest, JoinedModulesHoldExactlyTheFragmentTexts) {
    for (const QString &code : kLanguages) {
        QFile joined(korvultest::BinDir() + "/korvul" + code + ".lng");
        ASSERT_TRUE(joined.open(QIODevice::ReadOnly)) << joined.fileName().toStdString();
        const QHash<uint16_t, QString> parsed = ParseLanguageModule(joined.readAll());
        const auto &texts = Fragments(code).texts;
        EXPECT_EQ(static_cast<size_t>(parsed.size()), texts.size()) << code.toStdString();
        QStringList differ;
        for (const auto &[number, text] : texts)
            if (parsed.value(number, QStringLiteral("<missing>")) != text) differ << QString::number(number);
        EXPECT_TRUE(differ.isEmpty()) << code.toStdString() << " differs at: " << differ.join(' ').toStdString();
    }
}

} // namespace
