// The windows whose controls are named at run time, built in each language: every input control has a
// translated accessible name (its own, or the text of the label whose buddy it is), and the fields of
// the module window's unit grids never share a name.
#include "app/LangSupp.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/TStrLst.h"
#include "comm/Tcomm.h"
#include "config/InputFrm.h"
#include "main/FoStatusReg.h"
#include "main/MainMessages.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "readout/FormProcessData.h"
#include "readout/FormReadArch.h"
#include "support/TestSupport.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMultiHash>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// A part of a composite control (the line edit of a combo or spin box, a combo box's popup list).
bool InsideCompositeControl(const QWidget *w, const QWidget *window) {
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p)) return true;
    return false;
}

bool IsInput(const QWidget *w) {
    if (qobject_cast<const QHeaderView *>(w) || qobject_cast<const QScrollBar *>(w)) return false;
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QTextEdit *>(w) ||
           qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractItemView *>(w) ||
           qobject_cast<const QAbstractSlider *>(w);
}

QList<QWidget *> Inputs(QWidget *window) {
    QList<QWidget *> inputs;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (IsInput(w) && !InsideCompositeControl(w, window)) inputs << w;
    return inputs;
}

// What a screen reader announces: the control's accessible name, else its buddy label's text.
QString NameOf(QWidget *control, QWidget *window) {
    if (!control->accessibleName().isEmpty()) return control->accessibleName();
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy() == control) return label->text();
    return {};
}

// Names that are missing or untranslated: empty, the "str<number>" of a missing language text, or a
// "$" designer placeholder.
void ExpectEveryInputNamed(QWidget *window, int atLeast) {
    const QList<QWidget *> inputs = Inputs(window);
    EXPECT_GE(inputs.size(), atLeast) << window->objectName().toStdString();
    for (QWidget *input : inputs) {
        const QString name = NameOf(input, window).trimmed();
        const std::string where = window->objectName().toStdString() + "." + input->objectName().toStdString();
        EXPECT_FALSE(name.isEmpty()) << where;
        EXPECT_FALSE(name.startsWith(u"str") && name.mid(3).toInt() > 0) << where << ": " << name.toStdString();
        EXPECT_FALSE(name.startsWith(u'$')) << where << ": " << name.toStdString();
    }
}

class AccessibleNames : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvul" + GetParam() + ".lng"));
        SetLocaleFormats({QStringLiteral("dd.mm.yyyy"), QStringLiteral("hh:mm:ss"), u','});
        SetShowMessageHook([](const QString &) {});
        SetAskYesNoHook([](const QString &, int) { return false; });
    }
    void TearDown() override {
        ModuleAccess = false;
        ResetLocaleFormats();
        SetShowMessageHook({});
        SetAskYesNoHook({});
        UnloadLanguageModule();
    }
    korvultest::TempConfigHome home;
};

TEST_P(AccessibleNames, ModuleWindowNamesEveryFieldAndNoTwoFieldsOfAGridAlike) {
    ModuleAccess = true;
    TStrList data;
    TFoCLM300 window(data);
    ExpectEveryInputNamed(&window, 140);
    // Fields laid out in one grid or page share a parent; there a repeated name would leave a screen
    // reader user unable to tell unit 2's field from unit 3's.
    QMultiHash<QWidget *, QString> namesByParent;
    for (QWidget *input : Inputs(&window)) {
        const QString name = NameOf(input, &window);
        EXPECT_FALSE(namesByParent.contains(input->parentWidget(), name))
            << input->objectName().toStdString() << ": " << name.toStdString();
        namesByParent.insert(input->parentWidget(), name);
    }
    const auto *heading = window.findChild<QLabel *>(QStringLiteral("lbBaudrate"));
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(window.findChild<QWidget *>(QStringLiteral("cbBaudrate3"))->accessibleName(),
              UnitFieldName(heading->text(), 3));
}

TEST_P(AccessibleNames, ProcessDataWindowNamesBothTables) {
    TFormProcessData window;
    ExpectEveryInputNamed(&window, 9);
    EXPECT_NE(NameOf(window.findChild<QWidget *>(QStringLiteral("StringGrid1")), &window),
              NameOf(window.findChild<QWidget *>(QStringLiteral("StringGrid2")), &window));
}

TEST_P(AccessibleNames, InputBoxNamesTheTextAndThePeriodEntryAfterThePrompt) {
    TfoInput box;
    box.SetPrompt(LanguageText(1445));
    ExpectEveryInputNamed(&box, 2);
    box.ShowPeriodEntry(true);
    ExpectEveryInputNamed(&box, 2);
    EXPECT_EQ(NameOf(box.mePeriod(), &box), LanguageText(1445));
}

TEST_P(AccessibleNames, TerminalScreenIsNamedAfterTheWindow) {
    // An object without port or drivers: the Escape the terminal sends at creation fails and is
    // dropped, no line is ever opened.
    TCommClass comm(QStringLiteral("QT"));
    SetCommObjectForTests(&comm);
    {
        TfoCLMTerm terminal(nullptr);
        ExpectEveryInputNamed(&terminal, 1);
        EXPECT_EQ(terminal.reTerminal()->accessibleName(), LanguageText(TfoCLMTerm::kTextBase + 1));
    }
    SetCommObjectForTests(nullptr);
}

// Their Designer files carry an English name; the windows replace it with their translated title.
TEST_P(AccessibleNames, StatusRegisterAndReadoutWindowAreNamedInTheirLanguage) {
    TFoStatusReg statusReg;
    ExpectEveryInputNamed(&statusReg, 1);
    EXPECT_EQ(statusReg.findChild<QWidget *>(QStringLiteral("Memo1"))->accessibleName(), statusReg.windowTitle());
    TFormReadArch readout(nullptr, TReadArchHost{});
    EXPECT_EQ(readout.findChild<QWidget *>(QStringLiteral("ProgressBar1"))->accessibleName(), readout.windowTitle());
    EXPECT_FALSE(readout.windowTitle().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Languages, AccessibleNames, ::testing::Values("DE", "EN"));

} // namespace
