#pragma once
// The help file: korvul<CODE>.html next to the program, one self-contained HTML file per language.
// Named topics are elements with id="<Topic>" (plus <a name="<Topic>">), numeric help contexts are
// id="ctx<number>". The rules here are pure (QtCore only); choosing the file at start-up shows message
// boxes and lives with the windows (ui/HelpInit.h).
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace korvul {

// Named help topics. The first six are opened by the Help buttons named after them; the others are
// there for the Help buttons of the remaining windows.
namespace HelpTopic {
inline constexpr char Contents[] = "Contents";
inline constexpr char UserOptions[] = "UserOptions";
inline constexpr char ChangeAccessCode[] = "ChangeAccessCode";
inline constexpr char ChangeDateAndTime[] = "ChangeDateAndTime";
inline constexpr char InterfaceOptions[] = "InterfaceOptions";
inline constexpr char ReadProcessData[] = "ReadProcessData";
inline constexpr char MainWindow[] = "MainWindow";
inline constexpr char Connect[] = "Connect";
inline constexpr char CommonData[] = "CommonData";
inline constexpr char ReadArchive[] = "ReadArchive";
inline constexpr char StatusRegister[] = "StatusRegister";
inline constexpr char TestRTC[] = "TestRTC";
inline constexpr char DeleteMeasurements[] = "DeleteMeasurements";
inline constexpr char MemoryDump[] = "MemoryDump";
inline constexpr char InitDevice[] = "InitDevice";
inline constexpr char CheckMaxima[] = "CheckMaxima";
inline constexpr char ConfigQT700V2[] = "ConfigQT700V2";
inline constexpr char ConfigQT700A[] = "ConfigQT700A";
inline constexpr char ConfigQT700M[] = "ConfigQT700M";
inline constexpr char SensorAdjustment[] = "SensorAdjustment";
inline constexpr char PrintDataSheet[] = "PrintDataSheet";
inline constexpr char ConfigNX17S[] = "ConfigNX17S";
inline constexpr char InputBox[] = "InputBox";
inline constexpr char Telephone[] = "Telephone";
inline constexpr char Modem[] = "Modem";
inline constexpr char HQPassword[] = "HQPassword";
inline constexpr char CLM300[] = "CLM300";
inline constexpr char CLM300CommonData[] = "CLM300CommonData";
inline constexpr char CLM300ConnectedDevices[] = "CLM300ConnectedDevices";
inline constexpr char CLM300Interfaces[] = "CLM300Interfaces";
inline constexpr char CLM300Headquarters[] = "CLM300Headquarters";
inline constexpr char CLM300Events[] = "CLM300Events";
inline constexpr char CLM300Inputs[] = "CLM300Inputs";
inline constexpr char CLM300FaxReceivers[] = "CLM300FaxReceivers";
inline constexpr char CLM300Outputs[] = "CLM300Outputs";
inline constexpr char ConnectEndDevice[] = "ConnectEndDevice";
inline constexpr char CLM300Maintenance[] = "CLM300Maintenance";
inline constexpr char ChangeCLM300AccessCode[] = "ChangeCLM300AccessCode";
inline constexpr char ChangeHQPasswords[] = "ChangeHQPasswords";
inline constexpr char ResetEvents[] = "ResetEvents";
inline constexpr char ResetFaxMessageCount[] = "ResetFaxMessageCount";
inline constexpr char AdjustRTC[] = "AdjustRTC";
inline constexpr char ModuleTerminal[] = "ModuleTerminal";
inline constexpr char SettingsFile[] = "SettingsFile";
inline constexpr char PortLinks[] = "PortLinks";
inline constexpr char LineTrace[] = "LineTrace";
inline constexpr char Troubleshooting[] = "Troubleshooting";
inline constexpr char About[] = "About";
// Every named topic above.
inline constexpr const char *All[] = {
    Contents, UserOptions, ChangeAccessCode, ChangeDateAndTime, InterfaceOptions, ReadProcessData,
    MainWindow, Connect, CommonData, ReadArchive, StatusRegister, TestRTC, DeleteMeasurements,
    MemoryDump, InitDevice, CheckMaxima, ConfigQT700V2, ConfigQT700A, ConfigQT700M, SensorAdjustment,
    PrintDataSheet, ConfigNX17S, InputBox, Telephone, Modem, HQPassword, CLM300, CLM300CommonData,
    CLM300ConnectedDevices, CLM300Interfaces, CLM300Headquarters, CLM300Events, CLM300Inputs,
    CLM300FaxReceivers, CLM300Outputs, ConnectEndDevice, CLM300Maintenance, ChangeCLM300AccessCode,
    ChangeHQPasswords, ResetEvents, ResetFaxMessageCount, AdjustRTC, ModuleTerminal, SettingsFile,
    PortLinks, LineTrace, Troubleshooting, About};
} // namespace HelpTopic

// Numeric help contexts (anchor "ctx" + number). 0 means "no help".
constexpr int kHelpSetReject = 13000;          // Set and Reject of the module window
constexpr int kHelpSaveChanges = 13001;        // the question whether changed values are to be set
constexpr int kHelpCodeMark = 22215;           // offer of a code mark after the identification changed
constexpr int kHelpConnectEndDevice = 23100;   // connect with an end device behind the module
constexpr int kHelpDisconnectModule = 23600;   // disconnect of the module window

// "ctx13001" for 13001.
QString HelpContextAnchor(int context);

// LanguageFilePath(code, ".html"): ProgramDir() + "/" + ProgramBaseName(program file) + code + ".html",
// the code in any letter case.
QString HelpFilePath(const QString &code);

// Outcome of the help file choice: the file to use (empty when none exists) and every path that was
// looked for and not found, in the order in which each is to be reported.
struct THelpFileChoice {
    QString file;
    QStringList missing;
};
// The file for the language code, else (for a code other than "DE" in any letter case) the DE file. An
// empty code counts as "DE". exists decides whether a path is there (tests); by default a readable regular file.
THelpFileChoice ChooseHelpFile(const QString &code,
                               const std::function<bool(const QString &)> &exists = {});

// The help file chosen at start (empty while none).
QString HelpFile();
void SetHelpFile(const QString &path);

// One heading of a help file, for the generated index: its plain text and the anchor to jump to
// (the heading's own id or anchor name, else the nearest one before it; empty when none).
struct THelpHeading {
    int level = 0; // 1..6
    QString text;
    QString anchor;
};
// Headings h1..h6 in document order. Tags inside headings are dropped; &amp; &lt; &gt; &quot; &nbsp;
// &apos; and numeric character references are decoded.
QList<THelpHeading> HelpHeadings(const QString &html);
// Values of every id="..." attribute, in document order.
QStringList HelpTopicIds(const QString &html);
// Values of every <a name="..."> anchor, in document order (QTextBrowser scrolls to these).
QStringList HelpAnchorNames(const QString &html);

} // namespace korvul
