// The data sheet printed from the QT-700/M configuration dialog against devsim: the values the dialog's
// pages read from the device reach the sheet, and pages never shown are named before anything is printed.
#include "app/Wiring.h"
#include "ui/JEdit.h"
#include "config/ConfigMDialog.h"
#include "config/FoConfigQT700M.h"
#include "config/FrPrintSheet.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QCheckBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace korvul;
using namespace korvultest;

namespace {

class DataSheetDevsim : public MainWindowDevsim {
protected:
    void InstallHooks() override { InstallConfigMDialog(); }

    // Connects to a QT-700/M, opens the dialog, shows the pages, prints to PDF and closes the dialog.
    void PrintFromDialog(const QList<int> &pages) {
        StartDevice(QStringLiteral("4210"));
        Connect();
        bool ran = false;
        WhenModal<TFoConfigQT700M>([&](TFoConfigQT700M *d) {
            auto *tabs = d->findChild<QTabWidget *>(QStringLiteral("PageControl1"));
            for (int page : pages) tabs->setCurrentIndex(page);
            memoryCaption = tabs->tabText(TFoConfigQT700M::pgMemory).remove('&');
            tabs->setCurrentIndex(TFoConfigQT700M::pgPrint);
            TFrPrintSheet *sheet = d->PrintSheet();
            sheet->SetPrinter(&printer);
            sheet->JEdit(17)->setText("0");
            sheet->JEdit(18)->setText("16");
            shares = d->findChild<QSpinBox *>(QStringLiteral("seMSize1"))->value();
            sheet->btPrint()->click();
            ran = true;
            d->btExitClick();
        });
        Action("acConfigDevice")->trigger();
        ASSERT_TRUE(ran) << Messages();
    }
    QString PrintedLine(const QString &text) {
        QProcess p;
        p.start("pdftotext", {"-layout", pdf, "-"});
        p.waitForFinished(20000);
        for (QString line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if ((line = line.simplified()).contains(text)) return line;
        return {};
    }
    void SetUp() override {
        MainWindowDevsim::SetUp();
        pdf = dir.filePath("sheet.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
    }

    QTemporaryDir dir;
    QString pdf;
    QPrinter printer{QPrinter::HighResolution};
    int shares = -1;
    QString memoryCaption;
};

TEST_F(DataSheetDevsim, SheetCarriesTheDevicesNumberPartitionAndInputs) {
    PrintFromDialog({TFoConfigQT700M::pgMemory, TFoConfigQT700M::pgPressure, TFoConfigQT700M::pgTemperature});
    EXPECT_TRUE(questions.isEmpty()) << questions.join('|').toStdString();
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    // devsim's channel 1 has device number 000004711001; the sheet hides its fifth digit from the end.
    EXPECT_EQ(PrintedLine(LanguageFormat(1303, {""})).section(' ', 0, 1), LanguageFormat(1303, {"000004701001"}));
    EXPECT_EQ(PrintedLine("000004711001").section(' ', 0, 1), "1 000004711001");
    EXPECT_EQ(PrintedLine("000004711001").section(' ', -1), QString::number(shares));
    EXPECT_EQ(PrintedLine("000004711008").section(' ', 0, 1), "8 000004711008");
    EXPECT_EQ(PrintedLine(LanguageText(1327)), LanguageText(1327) + " " + LanguageFormat(1333, {"0", "16"}));
    EXPECT_EQ(PrintedLine(LanguageText(1334).section(':', 0, 0)), LanguageFormat(1334, {1000.0}));
    EXPECT_EQ(PrintedLine(LanguageText(1320)).split(' ').size(), LanguageText(1320).split(' ').size() + 3)
        << "the temperature row has its maximum, offset and slope";
}

TEST_F(DataSheetDevsim, PageNeverShownIsNamedAndNoPrintsNothing) {
    answerYes = false;
    PrintFromDialog({TFoConfigQT700M::pgOutputs});
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], LanguageFormat(1336, {memoryCaption}));
    EXPECT_FALSE(QFile::exists(pdf));
}

} // namespace
