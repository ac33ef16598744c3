// Texts from a device, a file or the user are shown literally: no label of any window and no message box
// reads them as rich text (a device answer "<img src=/dev/zero>" once made the window read that file
// until memory ran out).
#include "ui/FoAbout.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "base/Settings.h"
#include "options/FoSettingsComm.h"
#include "options/FoTelephone.h"
#include "options/FormUserOptions.h"
#include "ui/FoDialing.h"
#include "ui/FoConnect.h"
#include "ui/FormMeldung.h"
#include "ui/FrmCancelDlg.h"
#include "ui/FoPassword.h"
#include "comm/StrList.h"
#include "comm/CommClass.h"
#include "config/FoCheckMaxima.h"
#include "config/FoConfigNX17S.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700M.h"
#include "config/FoConfigQT700V2.h"
#include "config/FoInitDevice.h"
#include "ui/FoInput.h"
#include "config/FrPrintSheet.h"
#include "main/FoNDAC.h"
#include "ui/FoStatusReg.h"
#include "main/FormMain.h"
#include "main/FormSetTime.h"
#include "ui/MainMessages.h"
#include "module/FoAdjustRTC.h"
#include "module/FoChangeCLM300AccessCode.h"
#include "module/FoChangeHQpasswords.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "module/FoResetUnit.h"
#include "readout/FormProcessData.h"
#include "readout/FormReadArch.h"
#include "support/FakeDriverHarness.h"
#include "support/ShownMessageBoxes.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace korvul;

namespace {

// An image a rich text label would load: /dev/null keeps a regression harmless (the device answer
// "<img src=/dev/zero>" took all memory).
const QString kImage = QStringLiteral("<img src=/dev/null>");
const QString kBold = QStringLiteral("<b>x</b>");

// Labels of `window` that would read a text as markup, by object name.
QStringList RichLabels(QWidget *window) {
    QList<QLabel *> labels = window->findChildren<QLabel *>();
    if (auto *self = qobject_cast<QLabel *>(window)) labels << self;
    QStringList rich;
    for (QLabel *label : labels)
        if (label->textFormat() != Qt::PlainText && !label->property("richText").toBool())
            rich << (label->objectName().isEmpty() ? QStringLiteral("(unnamed)") : label->objectName());
    return rich;
}

// Every window of the program, by its Designer file, and how a test makes one.
struct TWindowRow {
    const char *uiFile;
    std::function<std::unique_ptr<QWidget>()> make;
};

template <typename T> std::function<std::unique_ptr<QWidget>()> Make() {
    return [] { return std::make_unique<T>(); };
}

const std::vector<TWindowRow> &Windows() {
    static TStrList moduleData;
    static const std::vector<TWindowRow> rows = {
        {"ui/FoAbout.ui", Make<TfoAbout>()},
        {"ui/HelpViewer.ui", Make<THelpViewer>()},
        {"options/FoSettingsComm.ui", Make<TFoSettingsComm>()},
        {"options/FoTelephone.ui", Make<TFoTelephone>()},
        {"options/FormUserOptions.ui", Make<TFormUserOptions>()},
        {"ui/FoDialing.ui", Make<TfoDialing>()},
        {"ui/FoConnect.ui", Make<TFoConnect>()},
        {"ui/FormMeldung.ui", Make<TFormMeldung>()},
        {"ui/FrmCancelDlg.ui", Make<TFrmCancelDlg>()},
        {"ui/FoPassword.ui", Make<TFoPassword>()},
        {"config/FoCheckMaxima.ui", Make<TFoCheckMaxima>()},
        {"config/FoConfigNX17S.ui", Make<TFoConfigNX17S>()},
        {"config/FoConfigQT700A.ui", Make<TFoConfigQT700A>()},
        {"config/FoConfigQT700M.ui", Make<TFoConfigQT700M>()},
        {"config/FoConfigQT700V2.ui", Make<TFoConfigQT700V2>()},
        {"config/FoInitDevice.ui", Make<TFoInitDevice>()},
        {"ui/FoInput.ui", Make<TfoInput>()},
        {"config/FrPrintSheet.ui", Make<TFrPrintSheet>()},
        {"main/FoNDAC.ui", Make<TfoNDAC>()},
        {"ui/FoStatusReg.ui", Make<TFoStatusReg>()},
        {"main/FormMain.ui", Make<TFormMain>()},
        {"main/FormSetTime.ui", Make<TFormSetTime>()},
        {"module/FoAdjustRTC.ui", Make<TFoAdjustRTC>()},
        {"module/FoChangeCLM300AccessCode.ui", Make<TFoChangeCLM300AccessCode>()},
        {"module/FoChangeHQpasswords.ui", Make<TFoChangeHQpasswords>()},
        {"module/FoCLM300.ui", [] { return std::make_unique<TFoCLM300>(moduleData); }},
        {"module/FoCLMTerm.ui", [] { return std::make_unique<TfoCLMTerm>(nullptr); }},
        {"module/FoResetUnit.ui", [] { return std::make_unique<TFoResetUnit>(TResetUnitKind::EventInputs); }},
        {"readout/FormProcessData.ui", Make<TFormProcessData>()},
        {"readout/FormReadArch.ui", [] { return std::make_unique<TFormReadArch>(nullptr, TReadArchHost{}); }},
    };
    return rows;
}

class PlainText : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        saved = Settings();
        Settings().CMD_DIRECTORY = home.path();  // the script window browses without one
        // Windows that read the device when they open (the clock) get their answers from the fakes.
        comm.LineDriverFile = fakes.LineFile();
        comm.ProtocolDriverFile = fakes.ProtoFile();
        comm.SetPortName(QStringLiteral("COM1"));
        comm.SetPortSettings(QStringLiteral("4800,N,8,1"));
        qputenv("KORVUL_TIME_SCALE", "0.001");
        fakes.items['z'] = "240517101112";
        SetCommObjectForTests(&comm);
    }
    void TearDown() override {
        SetCommObjectForTests(nullptr);
        qunsetenv("KORVUL_TIME_SCALE");
        Settings() = saved;
        SetShowMessageHook({});
        SetAskYesNoHook({});
        UnloadLanguageModule();
    }
    korvultest::TempConfigHome home;
    TSettings saved;
    korvultest::FakeDrivers fakes;
    TCommClass comm{QStringLiteral("QT")};
};

} // namespace

TEST_F(PlainText, EveryWindowShowsItsLabelsAsPlainText) {
    comm.SetConnected(true);
    for (const TWindowRow &row : Windows()) {
        std::unique_ptr<QWidget> window;
        try {
            window = row.make();
        } catch (const std::exception &e) {
            ADD_FAILURE() << row.uiFile << ": " << e.what();
            continue;
        }
        EXPECT_EQ(RichLabels(window.get()), QStringList()) << row.uiFile;
    }
    comm.SetConnected(false);
}

// A new window joins the walk above, or this test names it.
TEST_F(PlainText, TheWalkCoversEveryDesignerWindowOfTheProgram) {
    QStringList listed;
    for (const TWindowRow &row : Windows()) listed << QString::fromLatin1(row.uiFile);
    const QString root = korvultest::SourceDir();
    QStringList missing;
    for (const char *folder : {"app", "comm", "config", "main", "module", "readout"}) {
        QDirIterator it(root + "/" + folder, {QStringLiteral("*.ui")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = QDir(root).relativeFilePath(it.next());
            if (!listed.contains(file)) missing << file;
        }
    }
    EXPECT_EQ(missing, QStringList());
}

TEST_F(PlainText, MessageBoxesShowMarkupLiterally) {
    const std::vector<std::pair<const char *, std::function<void(const QString &)>>> boxes = {
        {"ShowMessageText", [](const QString &t) { ShowMessageText(nullptr, t); }},
        {"ShowErrorText", [](const QString &t) { ShowErrorText(nullptr, t, QStringLiteral("korvul")); }},
        {"AskYesNo", [](const QString &t) { AskYesNo(nullptr, t, 0); }},
        {"AskOkNo", [](const QString &t) { AskOkNo(nullptr, t); }},
        {"ReadoutMessage", [](const QString &t) { ReadoutMessage(nullptr, QString(), t); }},
        {"ShowPlainBox", [](const QString &t) { ShowPlainBox(nullptr, QMessageBox::Critical, t, t); }},
    };
    for (const auto &[name, show] : boxes) {
        for (const QString &text : {kImage, kBold}) {
            const QList<korvultest::TShownBox> shown = korvultest::ShownMessageBoxes([&] { show(text); });
            ASSERT_EQ(shown.size(), 1) << name;
            EXPECT_EQ(shown[0].format, Qt::PlainText) << name;
            EXPECT_EQ(shown[0].labelFormat, Qt::PlainText) << name;
            EXPECT_EQ(shown[0].labelText, text) << name;
        }
    }
}

// A prompt comes from the MESSAGE line of a script file.
TEST_F(PlainText, InputBoxShowsAScriptPromptLiterally) {
    QString shownPrompt;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        korvultest::WaitUntil([] { return qobject_cast<TfoInput *>(QApplication::activeModalWidget()); },
                              std::chrono::seconds(10));
        auto *box = qobject_cast<TfoInput *>(QApplication::activeModalWidget());
        if (!box) return;
        shownPrompt = box->Label1()->text();
        format = box->Label1()->textFormat();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : box, &escape);
    });
    EXPECT_FALSE(AskScriptInput(nullptr, kImage, QStringLiteral("****"), 4).has_value());
    EXPECT_EQ(shownPrompt, kImage);
    EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(PlainText, NoticeWindowShowsItsTextLiterally) {
    NoticeText = kBold;
    TFormMeldung notice;
    EXPECT_EQ(notice.Text(), kBold);
    EXPECT_EQ(RichLabels(&notice), QStringList());
    NoticeText.clear();
}

TEST(PlainToolTip, MarkupIsShownAsWrittenAndOtherTextsStayAsTheyAre) {
    for (const QString &text : {kImage, kBold + QStringLiteral(" and\nline 2")}) {
        const QString tip = PlainToolTip(text);
        QTextDocument shown;
        shown.setHtml(tip);  // how a tooltip reads a text that looks like markup
        EXPECT_EQ(shown.toPlainText().replace(QChar::Nbsp, u' ').replace(QChar::LineSeparator, u'\n'), text);
    }
    EXPECT_EQ(PlainToolTip(QStringLiteral("Status\n0005")), QStringLiteral("Status\n0005"));
}
