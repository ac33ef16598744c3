// Every input control of every Designer file has an accessible name: a label whose buddy it is, an
// accessibleName in the file, or a name the window gives it at run time (the short list below).
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct TUiControl {
    QString Class, Name;
    bool Named = false;  // a non-empty accessibleName in the file
};
struct TUiScan {
    QList<TUiControl> Controls;
    QSet<QString> Buddies;
    QString Error;
};

// The widgets of a .ui file, whether each has an accessibleName, and every buddy that a widget names.
// Only properties that belong to a widget itself count (not those of layouts or items).
TUiScan ScanUi(const QByteArray &xml) {
    TUiScan scan;
    QXmlStreamReader reader(xml);
    QStringList path;
    QList<qsizetype> openWidgets;
    QString property;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString element = reader.name().toString();
            const bool inWidgetProperty = path.size() >= 2 && path.last() == u"property" && path[path.size() - 2] == u"widget";
            if (inWidgetProperty && (element == u"string" || element == u"cstring")) {
                const QString text = reader.readElementText();
                if (property == u"accessibleName" && !text.trimmed().isEmpty()) scan.Controls[openWidgets.last()].Named = true;
                if (property == u"buddy") scan.Buddies.insert(text);
                continue;  // readElementText has read the end of the element
            }
            if (element == u"widget") {
                scan.Controls.push_back({reader.attributes().value(QLatin1String("class")).toString(),
                                         reader.attributes().value(QLatin1String("name")).toString()});
                openWidgets.push_back(scan.Controls.size() - 1);
            } else if (element == u"property" && !path.isEmpty() && path.last() == u"widget") {
                property = reader.attributes().value(QLatin1String("name")).toString();
            }
            path.push_back(element);
        } else if (token == QXmlStreamReader::EndElement) {
            if (path.last() == u"widget") openWidgets.pop_back();
            path.pop_back();
        }
    }
    if (reader.hasError()) scan.Error = reader.errorString();
    return scan;
}

bool IsInputClass(const QString &cls) {
    static const QSet<QString> kInputs = {
        "QLineEdit", "TJEdit",      "QComboBox",   "QFontComboBox", "QSpinBox",    "QDoubleSpinBox", "QTextEdit",
        "QTextBrowser", "QPlainTextEdit", "QDateEdit", "QTimeEdit", "QDateTimeEdit", "QListWidget", "QListView",
        "QTableWidget", "QTableView", "QTreeWidget", "QTreeView",  "QColumnView",   "QSlider",     "QKeySequenceEdit"};
    return kInputs.contains(cls);
}

// Input controls that the scan sees without a name: neither a buddy nor an accessibleName.
QStringList UnnamedInputs(const TUiScan &scan) {
    QStringList unnamed;
    for (const TUiControl &c : scan.Controls)
        if (IsInputClass(c.Class) && !c.Named && !scan.Buddies.contains(c.Name)) unnamed << c.Name;
    return unnamed;
}

// Controls whose name is composed at run time from the language module, and why no .ui text fits.
struct TRunTimeName {
    const char *File;
    const char *Names;  // anchored pattern of object names
    const char *Reason;
};
const TRunTimeName kRunTimeNames[] = {
    {"module/FoCLM300.ui",
     "(jeDevType|jeSW|cbBaudrate|cbParity|cbDatabits|cbStopBits|speTimeout|cbProtocol|jeHQPhone|jeBLvl|jeALvl|"
     "jeFrstDT|jeLstDT|jeEvntCntr|jeFaxNo|jeDesignation)[2-4]",
     "unit columns 2-4: translated column heading plus unit number (TFoCLM300::NameUnitFields)"},
    {"readout/FormProcessData.ui", "StringGrid[12]", "tables without a caption: language texts 367 and 368"},
    {"config/InputFrm.ui", "mePeriod", "named after the prompt that the caller sets (TfoInput::SetPrompt)"},
    {"module/FoCLMTerm.ui", "reTerminal", "the terminal screen: named after the translated window title"},
};

bool NamedAtRunTime(const QString &file, const QString &name, QSet<int> &used) {
    for (int i = 0; i < int(std::size(kRunTimeNames)); ++i) {
        const QRegularExpression names(QRegularExpression::anchoredPattern(QString::fromLatin1(kRunTimeNames[i].Names)));
        if (file == QLatin1String(kRunTimeNames[i].File) && names.match(name).hasMatch()) {
            used.insert(i);
            return true;
        }
    }
    return false;
}

// Checked-in Designer files below the source root; build directories and hidden folders are skipped.
QStringList DesignerFiles() {
    QStringList files;
    const QDir root(korvultest::SourceDir());
    for (const QString &top : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (top.startsWith(u"build") || top.startsWith(u'.')) continue;
        QDirIterator it(root.filePath(top), {QStringLiteral("*.ui")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) files << root.relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

} // namespace

TEST(UiAccessibleNames, ScanTellsBuddiesAndNamesFromLayoutProperties) {
    const QByteArray xml = R"(<ui version="4.0"><widget class="QDialog" name="d"><layout class="QVBoxLayout" name="l">
      <property name="accessibleName"><string>layout, not a widget</string></property>
      <item><widget class="QLabel" name="lb"><property name="buddy"><cstring>edBuddied</cstring></property></widget></item>
      <item><widget class="QLineEdit" name="edBuddied"/></item>
      <item><widget class="QSpinBox" name="seNamed"><property name="accessibleName"><string>Period</string></property></widget></item>
      <item><widget class="QComboBox" name="cbBlank"><property name="accessibleName"><string> </string></property></widget></item>
      <item><widget class="TJEdit" name="jeBare"><property name="toolTip"><string>edBuddied</string></property></widget></item>
      <item><widget class="QPushButton" name="btNoInput"/></item>
    </layout></widget></ui>)";
    const TUiScan scan = ScanUi(xml);
    ASSERT_TRUE(scan.Error.isEmpty()) << scan.Error.toStdString();
    EXPECT_EQ(UnnamedInputs(scan), (QStringList{"cbBlank", "jeBare"}));
}

TEST(UiAccessibleNames, EveryInputControlOfEveryDesignerFileHasAName) {
    const QStringList files = DesignerFiles();
    ASSERT_GE(files.size(), 20) << "the scan found too few .ui files below " << korvultest::SourceDir().toStdString();
    QStringList failures;
    QSet<int> used;
    int inputs = 0;
    for (const QString &file : files) {
        QFile f(QDir(korvultest::SourceDir()).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        const TUiScan scan = ScanUi(f.readAll());
        EXPECT_TRUE(scan.Error.isEmpty()) << file.toStdString() << ": " << scan.Error.toStdString();
        for (const TUiControl &c : scan.Controls) inputs += IsInputClass(c.Class);
        for (const QString &name : UnnamedInputs(scan))
            if (!NamedAtRunTime(file, name, used)) failures << file + QStringLiteral(": ") + name;
    }
    EXPECT_GE(inputs, 200);
    EXPECT_TRUE(failures.isEmpty()) << "input controls without a buddy label or accessibleName:\n"
                                    << failures.join(u'\n').toStdString();
    // An entry that no longer excuses anything is stale: the control got a label, or was renamed.
    for (int i = 0; i < int(std::size(kRunTimeNames)); ++i)
        EXPECT_TRUE(used.contains(i)) << "stale run-time name entry: " << kRunTimeNames[i].File << " "
                                      << kRunTimeNames[i].Names;
}
