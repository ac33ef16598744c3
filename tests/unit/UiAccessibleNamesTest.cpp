// Every input control of every Designer file has an accessible name: a label whose buddy it is, an
// accessibleName in the file, or a name the window gives it at run time (the short list below). The
// name says something (not only dots or an arrow), and it is not a heading above a group of fields.
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct TUiControl {
    QString Class, Name;
    bool Named = false;  // a non-empty accessibleName in the file
    QString Text, Buddy; // its own "text" and "buddy" properties
    int Row = -1, ColumnSpan = 1;  // its cell in a grid or form layout (-1: none)
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
    QPair<int, int> cell;  // row and column span of the last <item> opened
    bool inCell = false;   // that item has a row (a grid or form cell)
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString element = reader.name().toString();
            const bool inWidgetProperty = path.size() >= 2 && path.last() == u"property" && path[path.size() - 2] == u"widget";
            if (inWidgetProperty && (element == u"string" || element == u"cstring")) {
                const QString text = reader.readElementText();
                TUiControl &control = scan.Controls[openWidgets.last()];
                if (property == u"accessibleName" && !text.trimmed().isEmpty()) control.Named = true;
                if (property == u"buddy") scan.Buddies.insert(text), control.Buddy = text;
                if (property == u"text") control.Text = text;
                continue;  // readElementText has read the end of the element
            }
            if (element == u"item") {
                cell = {reader.attributes().value(QLatin1String("row")).toInt(&inCell),
                        std::max(1, reader.attributes().value(QLatin1String("colspan")).toInt())};
            } else if (element == u"widget") {
                TUiControl control;
                control.Class = reader.attributes().value(QLatin1String("class")).toString();
                control.Name = reader.attributes().value(QLatin1String("name")).toString();
                if (inCell && path.last() == u"item") control.Row = cell.first, control.ColumnSpan = cell.second;
                scan.Controls.push_back(control);
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
        "QLineEdit", "TJEdit", "korvul::TJEdit",      "QComboBox",   "QFontComboBox", "QSpinBox",    "QDoubleSpinBox", "QTextEdit",
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

bool IsButtonClass(const QString &cls) {
    return cls == u"QPushButton" || cls == u"QToolButton" || cls == u"QCheckBox" || cls == u"QRadioButton";
}

// A designer text as a screen reader would say it: without mnemonic marks and "$" placeholder marks.
QString Spoken(QString text) {
    text.remove(u'&');
    if (text.startsWith(u'$')) text.remove(0, 1);
    return text.trimmed();
}

// What names a control in the file: its accessibleName, else the first label whose buddy it is, else
// (a button) its own text. Returns the naming label, nullptr when the control names itself.
const TUiControl *NamingLabel(const TUiScan &scan, const TUiControl &c) {
    if (c.Named) return nullptr;
    for (const TUiControl &label : scan.Controls)
        if (label.Class == u"QLabel" && label.Buddy == c.Name) return &label;
    return nullptr;
}

// A label that heads a group instead of naming one field: it spans columns, or its field sits in a
// lower row.
bool IsHeading(const TUiControl &label, const TUiControl &field) {
    return label.ColumnSpan > 1 || (label.Row >= 0 && field.Row > label.Row);
}

// Inputs and buttons whose name says nothing ("...", "->") or is the heading of a group of fields.
QStringList PoorlyNamed(const TUiScan &scan) {
    QStringList poor;
    for (const TUiControl &c : scan.Controls) {
        if (c.Named || !(IsInputClass(c.Class) || IsButtonClass(c.Class))) continue;
        const TUiControl *label = NamingLabel(scan, c);
        const QString name = Spoken(label ? label->Text : IsButtonClass(c.Class) ? c.Text : QString());
        const bool saysNothing = !name.isEmpty() && std::none_of(name.begin(), name.end(), [](QChar ch) {
            return ch.isLetterOrNumber();
        });
        if (saysNothing) poor << c.Name + QStringLiteral(" (\"") + name + QStringLiteral("\")");
        else if (label && IsHeading(*label, c)) poor << c.Name + QStringLiteral(" (heading \"") + name + QStringLiteral("\")");
    }
    return poor;
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
    {"ui/FoInput.ui", "mePeriod", "named after the prompt that the caller sets (TfoInput::SetPrompt)"},
    {"module/FoCLMTerm.ui", "reTerminal", "the terminal screen: named after the translated window title"},
    {"module/FoCLM300.ui",
     "(jeIntName|jeDevType|jeSW|chbConfSwitch|chbCTS|cbBaudrate|cbParity|cbDatabits|cbStopBits|speTimeout|cbProtocol|"
     "jeHQ|jeHQPhone|jeCrntLvl|jeBLvl|jeALvl|jeFrstDT|jeLstDT|jeEvntCntr|cbService|jeFaxNo|jeDesignation|jeCrntState|"
     "chbSwitch)1",
     "unit column 1: its heading is the buddy, the name is the heading plus unit number 1 (TFoCLM300::NameUnitFields)"},
    {"config/FoConfigNX17S.ui", "Button1", "the browse button: the directory chooser's caption (text 1408)"},
    {"config/FoConfigQT700M.ui", "seMSize[1-8]", "memory shares: column heading (text 1220) and channel number"},
    {"options/FormUserOptions.ui", "Button4", "the browse button: the directory chooser's caption (text 423)"},
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
}

// An entry that no longer excuses anything is stale: the control got a label or a name, or was renamed.
TEST(UiAccessibleNames, EveryRunTimeNameEntryStillExcusesAControl) {
    QSet<int> used;
    for (const QString &file : DesignerFiles()) {
        QFile f(QDir(korvultest::SourceDir()).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        const TUiScan scan = ScanUi(f.readAll());
        for (const QString &name : UnnamedInputs(scan)) NamedAtRunTime(file, name, used);
        for (const QString &poor : PoorlyNamed(scan)) NamedAtRunTime(file, poor.section(u' ', 0, 0), used);
    }
    for (int i = 0; i < int(std::size(kRunTimeNames)); ++i)
        EXPECT_TRUE(used.contains(i)) << "stale run-time name entry: " << kRunTimeNames[i].File << " "
                                      << kRunTimeNames[i].Names;
}

TEST(UiAccessibleNames, ScanTellsNamesThatSayNothingAndHeadingsFromFieldLabels) {
    const QByteArray xml = R"(<ui version="4.0"><widget class="QDialog" name="d"><layout class="QGridLayout" name="g">
      <item row="0" column="0" colspan="2"><widget class="QLabel" name="lbHeading"><property name="text"><string>$Modem</string></property><property name="buddy"><cstring>edUnder</cstring></property></widget></item>
      <item row="1" column="0"><widget class="QLabel" name="lbUnder"><property name="text"><string>&amp;Normal</string></property><property name="buddy"><cstring>edUnder</cstring></property></widget></item>
      <item row="1" column="1"><widget class="QLineEdit" name="edUnder"/></item>
      <item row="2" column="0"><widget class="QLabel" name="lbField"><property name="text"><string>&amp;Reliable</string></property><property name="buddy"><cstring>edField</cstring></property></widget></item>
      <item row="2" column="1"><widget class="QLineEdit" name="edField"/></item>
      <item row="3" column="0"><widget class="QLabel" name="lbArrow"><property name="text"><string>-&gt;</string></property><property name="buddy"><cstring>seArrow</cstring></property></widget></item>
      <item row="3" column="1"><widget class="QSpinBox" name="seArrow"/></item>
      <item row="4" column="0"><widget class="QPushButton" name="btDots"><property name="text"><string> . . .</string></property></widget></item>
      <item row="4" column="1"><widget class="QPushButton" name="btNamedDots"><property name="text"><string>...</string></property><property name="accessibleName"><string>Browse</string></property></widget></item>
      <item row="5" column="0"><widget class="QPushButton" name="btOk"><property name="text"><string>OK</string></property></widget></item>
    </layout></widget></ui>)";
    const TUiScan scan = ScanUi(xml);
    ASSERT_TRUE(scan.Error.isEmpty()) << scan.Error.toStdString();
    EXPECT_EQ(PoorlyNamed(scan), (QStringList{"edUnder (heading \"Modem\")", "seArrow (\"->\")", "btDots (\". . .\")"}));
}

TEST(UiAccessibleNames, NoControlOfADesignerFileIsNamedByDotsArrowsOrAGroupHeading) {
    QStringList failures;
    QSet<int> used;
    for (const QString &file : DesignerFiles()) {
        QFile f(QDir(korvultest::SourceDir()).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        const TUiScan scan = ScanUi(f.readAll());
        for (const QString &poor : PoorlyNamed(scan))
            if (!NamedAtRunTime(file, poor.section(u' ', 0, 0), used)) failures << file + QStringLiteral(": ") + poor;
    }
    EXPECT_TRUE(failures.isEmpty()) << "controls a screen reader would announce by dots, an arrow or a heading:\n"
                                    << failures.join(u'\n').toStdString();
}
