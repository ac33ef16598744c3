// The windows whose controls are named at run time, built in each language: every input control has a
// translated accessible name (its own, or the text of the label whose buddy it is), and the fields of
// the module window's unit grids never share a name. Over every window: what a screen reader says for
// a control is a name (not punctuation, not the heading of the group it sits in), and Tab passes over
// fields that cannot be changed.
#include "gui/WindowCatalog.h"

#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "base/LangSupp.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/StrList.h"
#include "comm/CommClass.h"
#include "ui/FoInput.h"
#include "ui/FoStatusReg.h"
#include "ui/MainMessages.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "readout/FormProcessData.h"
#include "readout/FormReadArch.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMultiHash>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTextEdit>
#include <algorithm>
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

// What a screen reader says as the control's name: its accessible interface's name.
QString SpokenName(QWidget *control) {
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(control);
    return iface ? iface->text(QAccessible::Name).trimmed() : QString();
}

// A label or group text without its mnemonic marks, as a screen reader says it.
QString Spoken(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
    return text.trimmed();
}

// A name made only of punctuation, symbols or arrows ("...", "->") says nothing about the control.
bool SaysSomething(const QString &name) {
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

int RowOf(QGridLayout *grid, QWidget *w) {
    const int index = grid->indexOf(w);
    int row = -1, column = 0, rowSpan = 0, columnSpan = 0;
    if (index >= 0) grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return row;
}

int ColumnSpan(QGridLayout *grid, int index) {
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return columnSpan;
}

// Texts that head a group of controls rather than name one, each with the widget holding its group:
// group box titles, labels spanning columns of a grid or a whole form row, and column headings (a grid
// label whose buddy sits in a lower row).
QList<QPair<QWidget *, QString>> Headings(QWidget *window) {
    QList<QPair<QWidget *, QString>> headings;
    for (QGroupBox *group : window->findChildren<QGroupBox *>())
        if (!Spoken(group->title()).isEmpty()) headings.append({group, Spoken(group->title())});
    for (QGridLayout *grid : window->findChildren<QGridLayout *>())
        for (int i = 0; i < grid->count(); ++i) {
            auto *label = qobject_cast<QLabel *>(grid->itemAt(i)->widget());
            if (!label || Spoken(label->text()).isEmpty()) continue;
            if (ColumnSpan(grid, i) > 1 || (label->buddy() && RowOf(grid, label->buddy()) > RowOf(grid, label)))
                headings.append({label->parentWidget(), Spoken(label->text())});
        }
    for (QFormLayout *form : window->findChildren<QFormLayout *>())
        for (int r = 0; r < form->rowCount(); ++r)
            if (QLayoutItem *item = form->itemAt(r, QFormLayout::SpanningRole))
                if (auto *label = qobject_cast<QLabel *>(item->widget()))
                    headings.append({label->parentWidget(), Spoken(label->text())});
    return headings;
}

bool IsHeadingOf(const QList<QPair<QWidget *, QString>> &headings, QWidget *control, const QString &name) {
    return std::any_of(headings.begin(), headings.end(), [&](const QPair<QWidget *, QString> &h) {
        return h.second == name && h.first->isAncestorOf(control);
    });
}

// Controls a user operates: inputs and buttons, without the parts of composite controls and the
// scroll buttons of tab bars, which Qt names itself.
QList<QWidget *> Controls(QWidget *window) {
    QList<QWidget *> controls = Inputs(window);
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (!InsideCompositeControl(button, window) && !qobject_cast<QTabBar *>(button->parentWidget()) &&
            !qobject_cast<QAbstractItemView *>(button->parentWidget()) && !button->objectName().startsWith(u"qt_"))
            controls << button;
    return controls;
}

// Single-line fields that cannot be changed but that Tab would stop on.
QStringList ReadOnlyTabStops(QWidget *window) {
    QStringList stops;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        const auto *edit = qobject_cast<const QLineEdit *>(w);
        const auto *spin = qobject_cast<const QAbstractSpinBox *>(w);
        const bool readOnly = (edit && edit->isReadOnly()) || (spin && spin->isReadOnly());
        if (readOnly && (w->focusPolicy() & Qt::TabFocus) && !InsideCompositeControl(w, window))
            stops << w->objectName();
    }
    return stops;
}

class AccessibleNames : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ASSERT_TRUE(korvultest::PrepareWindowWalk(GetParam()));
    }
    void TearDown() override {
        korvultest::RestoreAfterWindows();
        SetHelpErrorBoxHook({});
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

TEST_P(AccessibleNames, EveryControlOfEveryWindowHasASpokenNameThatIsNotItsGroupHeading) {
    for (const korvultest::TWindowEntry &entry : korvultest::AllWindows()) {
        std::unique_ptr<QWidget> window = korvultest::MakeWindow(entry);
        if (!window) continue;
        const auto headings = Headings(window.get());
        for (QWidget *control : Controls(window.get())) {
            const QString name = SpokenName(control);
            const std::string where = std::string(entry.Name) + "." + control->objectName().toStdString() + ": \"" +
                                      name.toStdString() + "\"";
            EXPECT_TRUE(SaysSomething(name)) << where;
            EXPECT_FALSE(IsHeadingOf(headings, control, name)) << where << " is the heading of its group";
        }
    }
}

TEST_P(AccessibleNames, TabInEveryWindowPassesOverFieldsThatCannotBeChanged) {
    for (const korvultest::TWindowEntry &entry : korvultest::AllWindows()) {
        std::unique_ptr<QWidget> window = korvultest::MakeWindow(entry);
        if (!window) continue;
        EXPECT_EQ(ReadOnlyTabStops(window.get()), QStringList()) << entry.Name;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, AccessibleNames, ::testing::Values("DE", "EN"));

} // namespace
