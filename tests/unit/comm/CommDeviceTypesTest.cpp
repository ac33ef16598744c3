#include "support/TestSupport.h"
#include "comm/DeviceTypes.h"
#include "base/LangSupp.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {
struct TypeRow {
    const char *ident, *name;
    int typeCode, version, channels;
    const char *suffix;
    bool processData, archive, corrector, valueLock;
};
std::ostream &operator<<(std::ostream &os, const TypeRow &r) { return os << r.ident; }
} // namespace

class CommTypeTable : public ::testing::TestWithParam<TypeRow> {};

TEST_P(CommTypeTable, IdentificationFillsDeviceInfo) {
    const TypeRow &r = GetParam();
    TDeviceInfo info;
    info.IdentText = r.ident;
    info.WriteAccess = true;
    info.ArchiveBlocks = 7;
    EXPECT_EQ(IdentifyDeviceType(info), r.name);
    EXPECT_EQ(info.TypeName, r.name);
    EXPECT_EQ(info.TypeCode, r.typeCode);
    EXPECT_EQ(info.Version, r.version);
    EXPECT_EQ(info.ChannelCount, r.channels);
    const QString letters = QString(r.name) == "unknown type" ? QString() : QString(kBaseItemLetters) + r.suffix;
    EXPECT_EQ(info.ItemLetters, letters);
    EXPECT_EQ(info.HasProcessData, r.processData);
    EXPECT_EQ(info.HasArchive, r.archive);
    EXPECT_EQ(info.IsCorrector, r.corrector);
    EXPECT_EQ(info.ValueLock, r.valueLock);
    EXPECT_TRUE(info.WriteAccess);  // left to the access code check
    EXPECT_EQ(info.ArchiveBlocks, 7);
}

// ident, name, type, version, channels, suffix, process data, archive, corrector, value lock
INSTANTIATE_TEST_SUITE_P(EveryRow, CommTypeTable, ::testing::Values(
    TypeRow{"0101", "QT-700/N", 1, 1, 1, "", false, true, false, false},
    TypeRow{"499", "QT-700/N", 4, 99, 1, "", false, true, false, false},
    TypeRow{"1122", "QT-700/B", 11, 22, 1, "", false, true, false, false},
    TypeRow{"1223", "QT-700/B", 12, 23, 1, "V", false, true, false, false},
    TypeRow{"1330", "QT-700/B", 13, 30, 1, "V", false, true, false, true},
    TypeRow{"2131", "QT-700/V", 21, 31, 4, "YW", false, true, false, false},
    TypeRow{"2232", "QT-700/V", 22, 32, 4, "YVW", false, true, false, false},
    TypeRow{"2333", "QT-700/V", 23, 33, 4, "YVRW", false, true, false, false},
    TypeRow{"2431", "QT-700/V2", 24, 31, 4, "YW", false, true, false, false},
    TypeRow{"2432", "QT-700/V2", 24, 32, 4, "YVW", false, true, false, false},
    TypeRow{"2459", "QT-700/V2", 24, 59, 4, "YVRW", false, true, false, false},
    TypeRow{"2461", "QT-700/V2", 24, 61, 4, "YVRW", false, true, false, true},
    TypeRow{"2531", "QT-700/V3", 25, 31, 4, "Y", false, true, false, false},
    TypeRow{"2532", "QT-700/V3", 25, 32, 4, "YV", false, true, false, false},
    TypeRow{"2540", "QT-700/V3", 25, 40, 4, "YVR", false, true, false, false},
    TypeRow{"3110", "QT-700/E", 31, 10, 4, "YV", false, true, false, false},
    TypeRow{"3111", "QT-700/E", 31, 11, 4, "YVR", false, true, false, false},
    TypeRow{"4101", "QT-700/A", 41, 1, 4, "YV", false, true, false, false},
    TypeRow{"4210", "QT-700/M", 42, 10, 8, "YVRTW", false, true, false, false},
    TypeRow{"8401", "KP-40/T", 84, 1, 2, "YVT", false, false, false, false},
    TypeRow{"8901", "NX-18SPEC", 89, 1, 4, "YTVR", true, true, true, false},
    TypeRow{"9001", "NX-16", 90, 1, 4, "YTVR", true, true, true, false},
    TypeRow{"9140", "NX-17", 91, 40, 4, "YTVR", true, true, true, false},
    TypeRow{"9501", "NX-17", 95, 1, 4, "YTVR", true, true, true, false},
    TypeRow{"9240", "NX-18", 92, 40, 4, "YTVR", true, true, true, false},
    TypeRow{"9301", "NX-18", 93, 1, 4, "YTVR", true, true, true, false},
    TypeRow{"9425", "NX-20", 94, 25, 2, "YTV", false, true, true, false},
    TypeRow{"700", "unknown type", 7, 0, 0, "", false, true, false, false},
    TypeRow{"0", "unknown type", 0, 0, 0, "", false, true, false, false},
    TypeRow{"6001", "unknown type", 60, 1, 0, "", false, true, false, false},
    TypeRow{" 2461 ", "QT-700/V2", 24, 61, 4, "YVRW", false, true, false, true}));

TEST(CommTypeTable, NonDecimalIdentificationEndsWithAPlainMessageAndKeepsTheRecord) {
    for (const char *ident : {"", "24a1", "0x18", "-2461", "24 61", "1234567890"}) {
        TDeviceInfo info;
        info.IdentText = ident;
        info.TypeName = "before";
        try {
            IdentifyDeviceType(info);
            ADD_FAILURE() << "no error for " << ident;
        } catch (const TIdentificationError &e) {
            EXPECT_TRUE(QString(e.what()).contains(QString("\"%1\"").arg(ident))) << e.what();
        }
        EXPECT_EQ(info.TypeName, "before");
    }
}

namespace {

// The message reaches a German window in German, and names the answer exactly as the device sent it.
TEST(CommTypeTable, IdentificationErrorSpeaksTheLanguageOfTheModule) {
    ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
    TDeviceInfo info;
    info.IdentText = "<b>24%s61</b>";
    try {
        IdentifyDeviceType(info);
        ADD_FAILURE() << "no error";
    } catch (const TIdentificationError &e) {
        const QString text = QString::fromStdString(e.what());
        EXPECT_TRUE(text.contains(QString::fromUtf8("Typabfrage"))) << e.what();
        EXPECT_TRUE(text.contains(QString::fromUtf8("„<b>24%s61</b>“"))) << e.what();
    }
    UnloadLanguageModule();
}

} // namespace
