// The QT-700/M data sheet page: the print check, the questions before printing, the print factor, and the
// printed sheet itself (printed to PDF and read back with pdftotext).
#include "ui/JEdit.h"
#include "base/LangSupp.h"
#include "config/DataSheet.h"
#include "config/FrPrintSheet.h"
#include "ui/MainMessages.h"
#include "support/TestSupport.h"
#include "unit/CommFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

TDataSheetValues SampleValues() {
    TDataSheetValues v;
    v.SoftwareVersion = "6.1";
    v.TotalMemory = 10000;
    for (int i = 0; i < 8; ++i) {
        v.Channels[i] = {QString::number(i + 1), QString("12345678901%1").arg(i + 2), QString::number(15 * (i + 1)),
                         1000 + 10 * i};
    }
    v.Channels[0].DevNo = "123456789012";
    v.PressureMax = "10.0", v.PressureOffset = "0.3125", v.PressureSlope = "1.0625";
    v.TemperatureMax = "60.0", v.TemperatureOffset = "-20.5", v.TemperatureSlope = "0.875";
    v.CountInput = {"Eingang 3", "Kein Eingang"};
    v.CompInput = {"Eingang 1", "Eingang 4"};
    for (const char *caption : {"&Eingänge", "&Ausgänge", "&Speicher", "&Druck", "&Temperatur", "D&ruck"})
        v.Pages.append({caption, true});
    return v;
}

class PrintSheetPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        ASSERT_TRUE(dir.isValid());
        SetShowMessageHook([this](const QString &text) { messages << text; });
        SetAskYesNoHook([this](const QString &text, int) {
            questions << text;
            return answer;
        });
        pdfPath = dir.filePath("sheet.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        page.SetPrinter(&printer);
        page.SetValuesSource([this] { return values; });
    }
    void TearDown() override {
        SetShowMessageHook({});
        SetAskYesNoHook({});
        UnloadLanguageModule();
    }
    void Fill(std::initializer_list<std::pair<int, const char *>> texts) {
        for (auto [n, text] : texts) page.JEdit(n)->setText(text);
    }
    void Check(QCheckBox *box, bool on) {
        if (box->isChecked() != on) box->click();
    }
    // The printed page as text, columns kept in place.
    QString PrintedText() {
        QProcess p;
        p.start("pdftotext", {"-layout", pdfPath, "-"});
        if (!p.waitForFinished(20000) || p.exitCode() != 0) return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The printed line holding `text` with all runs of blanks shrunk to one.
    static QString LineWith(const QString &printed, const QString &text) {
        for (QString line : printed.split('\n')) {
            line = line.simplified();
            if (line.contains(text)) return line;
        }
        return {};
    }

    QTemporaryDir dir;
    QString pdfPath;
    QPrinter printer{QPrinter::HighResolution};
    TFrPrintSheet page;
    TDataSheetValues values = SampleValues();
    QStringList messages, questions;
    bool answer = true;
};

TEST_F(PrintSheetPage, SheetHoldsEveryHeadingTheMemoryTableAndTheMaskedDeviceNumber) {
    Check(page.cbPSensor(), true);
    Fill({{13, "Sensorix"}, {14, "PX-20"}, {15, "S-4711"}, {16, "2025"}});
    ASSERT_TRUE(page.btPrint()->isEnabled());
    page.btPrint()->click();
    // KORVUL_SHEET_COPY=<file.pdf> keeps the printed sheet for looking at it.
    if (const QString keep = qEnvironmentVariable("KORVUL_SHEET_COPY"); !keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(pdfPath, keep);
    }
    const QString text = PrintedText();
    ASSERT_FALSE(text.isEmpty()) << "pdftotext could not read " << pdfPath.toStdString();

    for (int n : {1301, 1305, 1306, 1307, 1308, 1309, 1315, 1321, 1322, 1325, 1326})
        EXPECT_TRUE(text.contains(LanguageText(n))) << "text " << n << " missing";
    EXPECT_EQ(LineWith(text, LanguageFormat(1303, {""})),
              LanguageFormat(1303, {"123456709012"}) + " " + LanguageText(1305) + " " + LanguageText(1306));
    EXPECT_TRUE(text.contains(LanguageFormat(1304, {"6.1"})));
    EXPECT_TRUE(text.contains(LanguageFormat(1334, {1000.0})));
    EXPECT_TRUE(text.contains(LanguageFormat(1310, {1000})));

    // Header and one row per channel, each row's values on one line in column order.
    EXPECT_EQ(LineWith(text, LanguageText(1314)), QStringList({LanguageText(1311), LanguageText(1312),
                                                               LanguageText(1313), LanguageText(1314)}).join(' '));
    EXPECT_EQ(LineWith(text, "123456789012"), "1 123456789012 15 1000");
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(LineWith(text, values.Channels[i].DevNo),
                  QString("%1 %2 %3 %4").arg(i + 1).arg(values.Channels[i].DevNo).arg(15 * (i + 1)).arg(1000 + 10 * i));

    EXPECT_EQ(LineWith(text, LanguageText(1319)), LanguageText(1319) + " 10.0 0.3125 1.0625");
    EXPECT_EQ(LineWith(text, LanguageText(1320)), LanguageText(1320) + " 60.0 -20.5 0.875");
    EXPECT_EQ(LineWith(text, LanguageText(1327)), LanguageText(1327) + " Sensorix PX-20 S-4711 2025");
    EXPECT_EQ(LineWith(text, LanguageText(1328)), LanguageText(1328) + " NONE");
    EXPECT_EQ(LineWith(text, "Eingang 3"), "1 Eingang 3 Eingang 1");
    EXPECT_EQ(LineWith(text, "Eingang 4"), "2 Kein Eingang Eingang 4");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(PrintSheetPage, PressureSensorNotSuppliedPrintsItsCurrentValuesAndTheTemperatureSensorsData) {
    Check(page.cbTSensor(), true);
    Fill({{17, "0"}, {18, "16"}, {19, "Thermo"}, {20, "PT100"}, {21, "T-1"}, {22, "2024"}});
    page.btPrint()->click();
    const QString text = PrintedText();
    EXPECT_EQ(LineWith(text, LanguageText(1327)), LanguageText(1327) + " " + LanguageFormat(1333, {"0", "16"}));
    EXPECT_EQ(LineWith(text, LanguageText(1328)), LanguageText(1328) + " Thermo PT100 T-1 2024");
}

// A page never shown is named before printing; Outputs gives the sheet nothing and is never asked for.
TEST_F(PrintSheetPage, UnshownPagesAreNamedAndNoStopsThePrintout) {
    Fill({{17, "0"}, {18, "16"}});
    values.Pages[1].Visited = false;
    values.Pages[2].Visited = false;
    values.Pages[4].Visited = false;
    answer = false;
    page.btPrint()->click();
    EXPECT_EQ(questions, QStringList{LanguageFormat(1336, {"Speicher"})});
    EXPECT_FALSE(QFile::exists(pdfPath));

    questions.clear();
    answer = true;
    page.btPrint()->click();
    EXPECT_EQ(questions, QStringList({LanguageFormat(1336, {"Speicher"}), LanguageFormat(1336, {"Temperatur"})}));
    EXPECT_TRUE(QFile::exists(pdfPath));
}

TEST_F(PrintSheetPage, PrinterThatCannotStartIsReportedNotSilentlySkipped) {
    Fill({{17, "0"}, {18, "16"}});
    printer.setOutputFileName(dir.filePath("missing/dir/sheet.pdf"));
    page.btPrint()->click();
    EXPECT_EQ(messages, QStringList{LanguageFormat(1340, {printer.printerName()})});
}

struct PrintCheckCase {
    const char *name;
    bool pressure, temperature;
    std::vector<int> filled;  // edits given text
    int blank;                // an edit given only blanks (0: none)
    bool enabled;
};

class PrintCheck : public PrintSheetPage, public ::testing::WithParamInterface<PrintCheckCase> {};

TEST_P(PrintCheck, PrintNeedsEveryEnabledEntry) {
    const PrintCheckCase &c = GetParam();
    Check(page.cbPSensor(), c.pressure);
    Check(page.cbTSensor(), c.temperature);
    for (int n : c.filled) page.JEdit(n)->setText("x");
    if (c.blank) page.JEdit(c.blank)->setText("   ");
    EXPECT_EQ(page.btPrint()->isEnabled(), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, PrintCheck,
    ::testing::Values(PrintCheckCase{"NothingFilled", false, false, {}, 0, false},
                      PrintCheckCase{"CurrentValuesFilled", false, false, {17, 18}, 0, true},
                      PrintCheckCase{"OneCurrentValueBlank", false, false, {17}, 18, false},
                      PrintCheckCase{"PressureSensorYearMissing", true, false, {13, 14, 15}, 0, false},
                      PrintCheckCase{"PressureSensorComplete", true, false, {13, 14, 15, 16}, 0, true},
                      PrintCheckCase{"TemperatureSerialBlank", false, true, {17, 18, 19, 20, 22}, 21, false},
                      PrintCheckCase{"BothSensorsComplete", true, true, {13, 14, 15, 16, 19, 20, 21, 22}, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

// Switching one sensor never clears what was typed for the other.
TEST_F(PrintSheetPage, SwitchingASensorEmptiesOnlyItsOwnEntries) {
    Fill({{17, "4"}, {18, "20"}});
    Check(page.cbPSensor(), true);
    for (int n = 13; n <= 16; ++n) EXPECT_TRUE(page.JEdit(n)->isEnabled()) << n;
    for (int n : {17, 18}) {
        EXPECT_FALSE(page.JEdit(n)->isEnabled()) << n;
        EXPECT_TRUE(page.JEdit(n)->text().isEmpty()) << n;
    }
    EXPECT_FALSE(page.btPrint()->isEnabled());
    Fill({{13, "a"}, {14, "b"}, {15, "c"}, {16, "d"}});
    Check(page.cbTSensor(), true);
    EXPECT_FALSE(page.btPrint()->isEnabled());
    Check(page.cbTSensor(), false);
    for (int n = 19; n <= 22; ++n) EXPECT_FALSE(page.JEdit(n)->isEnabled()) << n;
    EXPECT_EQ(page.JEdit(13)->text(), "a");
    EXPECT_EQ(page.JEdit(16)->text(), "d");
    EXPECT_TRUE(page.btPrint()->isEnabled());
}

TEST(DataSheetValues, DeviceNumberHasItsFifthCharacterFromTheEndReplaced) {
    EXPECT_EQ(DataSheetDeviceNumber("123456789012"), "123456709012");
    EXPECT_EQ(DataSheetDeviceNumber("12345"), "02345");
    EXPECT_EQ(DataSheetDeviceNumber("1234"), "1234");
    EXPECT_EQ(DataSheetDeviceNumber(""), "");
}

TEST(DataSheetValues, PrintFactorFromItemA) {
    EXPECT_FLOAT_EQ(PrintFactorFromAnswer("0"), 1000.0f);
    EXPECT_FLOAT_EQ(PrintFactorFromAnswer("3E8"), 1001.0f);
    EXPECT_FLOAT_EQ(PrintFactorFromAnswer("00000001"), 2000.0f);
    EXPECT_FLOAT_EQ(PrintFactorFromAnswer(""), 1000.0f);
    EXPECT_FLOAT_EQ(PrintFactorFromAnswer("zz"), 1000.0f);
}

// The print factor read at the dialog's creation, against the fake drivers.
class PrintFactorRead : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        SetShowMessageHook([this](const QString &text) { messages << text; });
        ConnectQuietly();
    }
    void TearDown() override {
        SetShowMessageHook({});
        UnloadLanguageModule();
        CommFixture::TearDown();
    }
    TFrPrintSheet page;
    QStringList messages;
};

TEST_F(PrintFactorRead, AnswerGivesTheFactor) {
    fakes.items['A'] = "3E8";
    EXPECT_TRUE(page.ReadPrintFactor());
    EXPECT_FLOAT_EQ(page.PrintFactor(), 1001.0f);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PrintFactorRead, RefusalShowsItsTextAndKeepsTheNeutralFactor) {
    fakes.readResults['A'] = 5;
    EXPECT_FALSE(page.ReadPrintFactor());
    EXPECT_EQ(messages, QStringList{LanguageText(1335)});
    EXPECT_FLOAT_EQ(page.PrintFactor(), 1000.0f);
}

TEST_F(PrintFactorRead, BrokenLineIsNotShownAsARefusal) {
    fakes.readResults['A'] = -13;
    EXPECT_FALSE(page.ReadPrintFactor());
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
