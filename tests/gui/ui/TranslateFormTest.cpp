#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// Loads a module in which text n reads "t<n>", plus the combo box counts the tests need.
class TranslateFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        QByteArray content;
        for (int n = 1; n < 400; ++n) content += QByteArray::number(n) + "=t" + QByteArray::number(n) + "\n";
        content += "1=t1\n350=3\n360=abc\n";
        QFile f(dir.path() + "/m.lng");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("350=3\n360=abc\n" + content);   // first definition wins
        f.close();
        ASSERT_TRUE(LoadLanguageModuleFile(dir.path() + "/m.lng"));
    }
    void TearDown() override { UnloadLanguageModule(); }
    template <class T> T *add(const char *name, int tag, QWidget *parent = nullptr) {
        T *w = new T(parent ? parent : &form);
        w->setObjectName(name);
        w->setProperty("tag", tag);
        return w;
    }
    QTemporaryDir dir;
    QWidget form;
};

} // namespace

TEST_F(TranslateFormTest, CaptionsOfTheSimpleKinds) {
    form.setProperty("tag", 1);
    auto *label = add<QLabel>("lb", 2);
    auto *button = add<QPushButton>("bt", 3);
    auto *check = add<QCheckBox>("chb", 4);
    auto *group = add<QGroupBox>("gb", 5);
    auto *menu = add<QMenu>("mi", 6);
    auto *action = new QAction(&form);
    action->setProperty("tag", 7);
    auto *untagged = add<QLabel>("lbKeep", 0);
    untagged->setText("$designer");
    TranslateForm(&form, 300);
    EXPECT_EQ(form.windowTitle(), "t301");
    EXPECT_EQ(label->text(), "t302");
    EXPECT_EQ(button->text(), "t303");
    EXPECT_EQ(check->text(), "t304");
    EXPECT_EQ(group->title(), "t305");
    EXPECT_EQ(menu->title(), "t306");
    EXPECT_EQ(action->text(), "t307");
    EXPECT_EQ(untagged->text(), "$designer");
}

TEST_F(TranslateFormTest, FormWithZeroOrNegativeTagKeepsItsCaption) {
    for (int tag : {0, -5}) {
        form.setWindowTitle("keep");
        form.setProperty("tag", tag);
        TranslateForm(&form, 100);
        EXPECT_EQ(form.windowTitle(), "keep") << tag;
    }
}

TEST_F(TranslateFormTest, IndexedKindsTakeConsecutiveNumbers) {
    auto *grid = add<QTableWidget>("sg", 20);
    grid->setColumnCount(5);
    auto *bar = add<QTabBar>("tc", 30);
    bar->addTab("a"); bar->addTab("b");
    auto *notebook = add<QTabWidget>("nb", 40);
    notebook->addTab(new QWidget, "x"); notebook->addTab(new QWidget, "y");
    auto *radio = add<QGroupBox>("rg", 10);
    radio->setProperty("radioGroup", true);
    auto *layout = new QVBoxLayout(radio);
    auto *r0 = new QRadioButton(radio); auto *r1 = new QRadioButton(radio);
    layout->addWidget(r0); layout->addWidget(r1);
    TranslateForm(&form, 300);
    for (int j = 0; j < 5; ++j) EXPECT_EQ(grid->horizontalHeaderItem(j)->text(), QString("t%1").arg(320 + j));
    EXPECT_EQ(bar->tabText(1), "t331");
    EXPECT_EQ(notebook->tabText(0), "t340");
    EXPECT_EQ(notebook->tabText(1), "t341");
    EXPECT_EQ(r0->text(), "t310");
    EXPECT_EQ(r1->text(), "t311");
}

TEST_F(TranslateFormTest, TabSheetGetsItsOwnTabText) {
    auto *tabs = add<QTabWidget>("pgc", 0);
    auto *sheet = new QWidget;
    sheet->setProperty("tag", 9);
    tabs->addTab(new QWidget, "first");
    tabs->addTab(sheet, "second");
    TranslateForm(&form, 100);
    EXPECT_EQ(tabs->tabText(0), "first");
    EXPECT_EQ(tabs->tabText(1), "t109");
}

TEST_F(TranslateFormTest, ComboBoxCountTextFillsItemsOrLeavesDesignItems) {
    auto *filled = add<QComboBox>("cbA", 50);
    filled->addItems({"design1", "design2"});
    auto *kept = add<QComboBox>("cbB", 60);
    kept->addItems({"design1", "design2"});
    TranslateForm(&form, 300);
    ASSERT_EQ(filled->count(), 3);
    EXPECT_EQ(filled->itemText(0), "t351");
    EXPECT_EQ(filled->itemText(2), "t353");
    ASSERT_EQ(kept->count(), 2);
    EXPECT_EQ(kept->itemText(0), "design1");
}

TEST_F(TranslateFormTest, NumbersWrapAt65536) {
    auto *label = add<QLabel>("lb", 0xFFFF);
    TranslateForm(&form, 2);
    EXPECT_EQ(label->text(), "t1");
}
