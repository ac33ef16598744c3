// The NX-17S script dialog without a device: the script directory from the setting, the browse button
// and Enter in the directory field, and the list of "*.cmd" files.
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "config/FoConfigNX17S.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

class ConfigNX17SDialog : public ::testing::Test {
protected:
    void SetUp() override {
        saved = Settings();
        savedChooser = TFoConfigNX17S::ChooseDirectory();
        TFoConfigNX17S::ChooseDirectory() = [this](QWidget *, const QString &caption) {
            captions << caption;
            return chosen;
        };
        dir = home.path() + "/scripts";
        QDir().mkpath(dir);
        for (const char *name : {"Second.CMD", "first.cmd", "notes.txt", ".hidden.cmd"}) {
            QFile f(dir + "/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QDir().mkpath(dir + "/sub.cmd");  // a directory is not a script
    }
    void TearDown() override {
        TFoConfigNX17S::ChooseDirectory() = savedChooser;
        Settings() = saved;
    }
    static QStringList Items(TFoConfigNX17S &d) {
        QStringList items;
        auto *box = d.findChild<QComboBox *>("cbFileList");
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        return items;
    }
    korvultest::TempConfigHome home;
    TSettings saved;
    TFoConfigNX17S::TChooseDirectory savedChooser;
    QString dir, chosen;
    QStringList captions;
};

TEST_F(ConfigNX17SDialog, ScriptsOfTheSetDirectoryAreListedInLowerCaseWithTheFirstSelected) {
    Settings().CMD_DIRECTORY = "  " + dir + "  ";
    TFoConfigNX17S d;
    EXPECT_TRUE(captions.isEmpty()) << "no browse while a directory is set";
    EXPECT_EQ(d.findChild<QLineEdit *>("jeDirectory")->text(), dir);
    EXPECT_EQ(Items(d), (QStringList{".hidden.cmd", "first.cmd", "second.cmd"}));
    EXPECT_EQ(d.findChild<QComboBox *>("cbFileList")->currentIndex(), 0);
}

TEST_F(ConfigNX17SDialog, ScriptsThatOnlyLetterCaseTellsApartAreListedAsNamed) {
    QFile(dir + "/first.cmd").rename(dir + "/First.cmd");
    QFile f(dir + "/first.cmd");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    Settings().CMD_DIRECTORY = dir;
    TFoConfigNX17S d;
    const QStringList items = Items(d);
    EXPECT_TRUE(items.contains("First.cmd") && items.contains("first.cmd")) << items.join(' ').toStdString();
    EXPECT_TRUE(items.contains("second.cmd")) << "the others keep their lower-case look";
}

TEST_F(ConfigNX17SDialog, WithoutADirectoryTheBrowseRunsAndTheChoiceIsSaved) {
    Settings().CMD_DIRECTORY.clear();
    chosen = dir;
    TFoConfigNX17S d;
    EXPECT_EQ(captions, QStringList{LanguageText(1408)});
    EXPECT_EQ(Items(d).size(), 3);
    TSettings onDisk;
    LoadSettingsFrom(home.iniPath(), onDisk);
    EXPECT_EQ(onDisk.CMD_DIRECTORY, dir);
}

TEST_F(ConfigNX17SDialog, CancelledBrowseKeepsTheListAndEnterTakesATypedDirectory) {
    Settings().CMD_DIRECTORY = home.path();
    TFoConfigNX17S d;
    EXPECT_TRUE(Items(d).isEmpty());
    d.findChild<QPushButton *>("Button1")->click();  // chooser returns nothing
    EXPECT_EQ(Settings().CMD_DIRECTORY, home.path());
    auto *edit = d.findChild<QLineEdit *>("jeDirectory");
    edit->setText(dir);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &enter);
    EXPECT_EQ(Items(d).size(), 3);
    EXPECT_EQ(Settings().CMD_DIRECTORY, dir);
}

} // namespace
