// The layer rules of the source tree (docs/architecture.md), read from the code's own includes: a folder
// includes only the folders below it, pure logic includes no widget header, a window never includes the
// window header of another subsystem nor looks into another window, and only app/ fills the hooks.
// Each failure names the file, the line and the rule it breaks.
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <map>

using korvultest::SourceDir;

namespace {

// The folders of the program and what each may include besides itself. The subsystems (main, config,
// module, readout) may also include the logic (not the windows) of one another.
const std::map<QString, QStringList> kAllowed = {
    {"linedriver", {}},
    {"protocol", {"linedriver"}},
    {"base", {"linedriver"}},
    {"comm", {"base", "linedriver", "protocol"}},
    {"ui", {"base", "comm", "linedriver"}},
    {"options", {"base", "comm", "ui", "linedriver"}},
    {"main", {"base", "comm", "ui", "linedriver"}},
    {"config", {"base", "comm", "ui", "linedriver"}},
    {"module", {"base", "comm", "ui", "linedriver"}},
    {"readout", {"base", "comm", "ui", "linedriver"}},
    {"read", {"base", "comm", "options", "main", "readout", "linedriver", "protocol"}},
    {"devsim", {"linedriver", "protocol"}},
    {"app", {"base", "comm", "ui", "options", "main", "config", "module", "readout", "linedriver"}},
};
const QStringList kSubsystems = {"main", "config", "module", "readout"};

struct TInclude {
    QString file;  // relative to the source tree
    int line;
    QString target;  // as written between the quotes or angle brackets
    bool quoted;
};

QString Relative(const QString &path) { return QDir(SourceDir()).relativeFilePath(path); }

QStringList SourceFiles(const QString &folder) {
    QStringList files;
    QDirIterator it(SourceDir() + '/' + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << Relative(it.next());
    files.sort();
    return files;
}

QStringList Lines(const QString &file) {
    QFile f(SourceDir() + '/' + file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n');
}

std::vector<TInclude> Includes(const QString &file) {
    static const QRegularExpression re(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<TInclude> result;
    const QStringList lines = Lines(file);
    for (int i = 0; i < lines.size(); ++i)
        if (const auto m = re.match(lines[i]); m.hasMatch())
            result.push_back({file, i + 1, m.captured(2), m.captured(1) == "\""});
    return result;
}

QString FolderOf(const QString &path) { return path.section('/', 0, 0); }

QString Where(const TInclude &inc) { return inc.file + ':' + QString::number(inc.line) + ' '; }

// Sources a folder's CMakeLists.txt adds to a target ("korvulcore" or "korvulgui"), with their headers.
QSet<QString> TargetFiles(const QString &target) {
    static const QRegularExpression block("target_sources\\(" + target + R"(\s+PRIVATE([^)]*)\))");
    QSet<QString> files;
    for (const auto &[folder, allowed] : kAllowed) {
        QFile f(SourceDir() + '/' + folder + "/CMakeLists.txt");
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto it = block.globalMatch(text); it.hasNext();)
            for (const QString &name : it.next().captured(1).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
                if (name.startsWith('#')) continue;
                files << folder + '/' + name;
                files << folder + '/' + QFileInfo(name).completeBaseName() + ".h";
            }
    }
    return files;
}

QSet<QString> WidgetHeaders() {
    QSet<QString> names;
    const QString root = QLibraryInfo::path(QLibraryInfo::HeadersPath);
    for (const char *module : {"QtWidgets", "QtPrintSupport", "QtCharts"})
        for (const QString &name : QDir(root + '/' + module).entryList(QDir::Files)) {
            names << name;
            names << QString::fromLatin1(module) + '/' + name;
        }
    return names;
}

QString Join(const QStringList &list) { return list.isEmpty() ? QString() : "\n  " + list.join("\n  "); }

TEST(LayerRulesTest, NoFolderIncludesAFolderAboveIt) {
    QStringList broken;
    for (const auto &[folder, allowed] : kAllowed)
        for (const QString &file : SourceFiles(folder))
            for (const TInclude &inc : Includes(file)) {
                const QString target = FolderOf(inc.target);
                if (!inc.quoted || !inc.target.contains('/') || !kAllowed.count(target) || target == folder) continue;
                const bool subsystemLogic = kSubsystems.contains(folder) && kSubsystems.contains(target);
                if (!allowed.contains(target) && !subsystemLogic)
                    broken << Where(inc) + inc.target + ": " + folder + "/ may not include " + target + "/";
            }
    EXPECT_TRUE(broken.isEmpty()) << broken.size() << " includes run upwards:" << Join(broken).toStdString();
}

TEST(LayerRulesTest, PureLogicIncludesNoWidgetHeader) {
    const QSet<QString> core = TargetFiles("korvulcore"), widgets = WidgetHeaders();
    ASSERT_FALSE(core.isEmpty());
    ASSERT_FALSE(widgets.isEmpty()) << "Qt's widget headers were not found";
    QStringList broken;
    for (const QString &file : core)
        for (const TInclude &inc : Includes(file))
            if (widgets.contains(inc.target) || inc.target.startsWith("ui_") || inc.target.contains("/ui_"))
                broken << Where(inc) + inc.target + ": korvulcore takes no widget header";
    broken.sort();
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

TEST(LayerRulesTest, NoWindowIncludesTheWindowOfAnotherSubsystem) {
    const QSet<QString> windows = TargetFiles("korvulgui");
    QStringList broken;
    for (const QString &folder : kSubsystems)
        for (const QString &file : SourceFiles(folder))
            for (const TInclude &inc : Includes(file)) {
                const QString target = FolderOf(inc.target);
                if (target != folder && kSubsystems.contains(target) && windows.contains(inc.target))
                    broken << Where(inc) + inc.target + ": a window of " + target + "/ is reached through ui/ (MainDialogs, MainWindowAccess)";
            }
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

// findChild looks into a window; a window may do that to itself (bare, this-> or its ui) only. The
// window kit of ui/ (form translation, plain text) is handed the window it works on.
TEST(LayerRulesTest, NoWindowLooksIntoAnotherWindow) {
    static const QRegularExpression reach(R"(([A-Za-z_][\w]*(?:\s*(?:->|\.)\s*[A-Za-z_]\w*)*)\s*(?:->|\.)\s*findChild(?:ren)?\s*<)");
    static const QRegularExpression mainWindow(R"(\bFormMain\(\)|\bTFormMain\b)");
    QStringList broken;
    for (const auto &[folder, allowed] : kAllowed)
        for (const QString &file : SourceFiles(folder)) {
            if (folder == "ui") continue;
            const QStringList lines = Lines(file);
            for (int i = 0; i < lines.size(); ++i) {
                const QString where = file + ':' + QString::number(i + 1) + ' ';
                for (auto it = reach.globalMatch(lines[i]); it.hasNext();) {
                    const QString owner = it.next().captured(1).section(QRegularExpression(R"(\s*(->|\.)\s*)"), 0, 0);
                    if (owner != "ui" && owner != "this") broken << where + lines[i].trimmed() + ": findChild on another object";
                }
                if (folder != "main" && folder != "app" && mainWindow.match(lines[i]).hasMatch())
                    broken << where + lines[i].trimmed() + ": the main window is reached through IMainWindow";
            }
        }
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

// The dialog hooks of the main window are filled in one place, app/Wiring.cpp.
TEST(LayerRulesTest, OnlyTheWiringFillsTheDialogHooks) {
    static const QRegularExpression fill(R"(MainDialogs\(\)\s*\.\s*\w+\s*=[^=]|(?<!const )TMainDialogs\s*&\s*\w+\s*=\s*MainDialogs\(\))");
    QStringList broken;
    for (const auto &[folder, allowed] : kAllowed) {
        if (folder == "app") continue;
        for (const QString &file : SourceFiles(folder)) {
            const QStringList lines = Lines(file);
            for (int i = 0; i < lines.size(); ++i)
                if (fill.match(lines[i]).hasMatch())
                    broken << file + ':' + QString::number(i + 1) + ' ' + lines[i].trimmed() + ": hooks are filled in app/";
        }
    }
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

// A class's member functions are defined in one source file: a class that outgrows it hands behaviour to
// logic objects instead of spreading over part-files.
TEST(LayerRulesTest, NoClassIsSpreadOverSeveralFiles) {
    // A definition starts in the first column and names the class before its first parenthesis.
    static const QRegularExpression definition(R"(^[A-Za-z_][^(;=]*?\b(T\w+)::~?\w+\s*\()");
    std::map<QString, QSet<QString>> filesOf;
    for (const auto &[folder, allowed] : kAllowed)
        for (const QString &file : SourceFiles(folder)) {
            if (!file.endsWith(".cpp")) continue;
            for (const QString &line : Lines(file))
                if (const auto m = definition.match(line); m.hasMatch()) filesOf[m.captured(1)] << file;
        }
    QStringList broken;
    for (const auto &[cls, files] : filesOf)
        if (files.size() > 1) {
            QStringList sorted(files.begin(), files.end());
            sorted.sort();
            broken << cls + ": " + sorted.join(", ");
        }
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

// Below its kind, a test sits in the folder of the code it tests (tests/unit/comm for comm/), or in the
// kind's own folder when it spans several layers; contrib/ holds the systemd units.
TEST(LayerRulesTest, TestsMirrorTheTree) {
    QStringList broken;
    for (const QString kind : {"unit", "gui", "pty", "e2e"}) {
        QDirIterator it(SourceDir() + "/tests/" + kind, QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            const QString folder = QFileInfo(it.next()).fileName();
            if (!kAllowed.count(folder) && folder != "contrib") broken << "tests/" + kind + '/' + folder;
        }
    }
    EXPECT_TRUE(broken.isEmpty()) << "no such folder in the program: " << Join(broken).toStdString();
}

// A file a reader takes in at once: a class that needs more gives behaviour to logic objects.
TEST(LayerRulesTest, NoSourceFileOutgrowsSixHundredLines) {
    constexpr int kMaxLines = 600;
    QStringList broken;
    QStringList folders{"tests", "bench", "fuzz"};
    for (const auto &[folder, allowed] : kAllowed) folders << folder;
    for (const QString &folder : folders)
        for (const QString &file : SourceFiles(folder))
            if (const qsizetype count = Lines(file).size() - 1; count > kMaxLines)  // text after the last newline
                broken << file + ": " + QString::number(count) + " lines";
    EXPECT_TRUE(broken.isEmpty()) << Join(broken).toStdString();
}

} // namespace
