#pragma once
// What the CLM-300 module window decides without widgets: the items each page reads, the order of the
// records that Set sends and the re-read list it builds, the clock record from the shown local date and
// time, the receiver row enabling, the channel choice lines, the key and clipboard rules of the telephone
// and fax number fields, and the accessible names of the unit columns. The record layouts
// themselves come from ModuleItems.h.
#include "module/ModuleItems.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace korvul {

// Pages of PageControl1 in their order, and the sub-pages of PageControl2.
enum TModulePage { mpCommon, mpDevices, mpInterface, mpHeadquarters, mpEvents, mpInputs, mpFax, mpOutputs };
inline constexpr int kModulePageCount = 8;

// The item letters a page shows and reads when it is entered: the page of PageControl1, and for the
// interface page the sub-page of PageControl2 (0 serial interfaces "h", 1 modem interface "i").
// Empty for an index outside the pages.
QString PageReadLetters(int page, int interfacePage);

// One record of Set: the upper-case write letter and its record text.
struct TModuleWrite {
    char Letter = 0;
    QString Record;
};

// The window's fields as Set sees them: for each unit r the marks and the values shown, for the modem
// interface and the common data the same. Only marked parts are sent.
struct TModuleSetUnit {
    bool OutputSwitch = false;     // chbSwitch marked and checked
    bool ReceiverMarked = false;   // designation or fax number modified, or service marked
    TModuleReceiver Receiver;
    bool InputMarked = false;      // message modified, or receiver lists, levels or a level word marked
    TModuleInput Input;
    bool HqMarked = false;         // designation or telephone number modified
    TModuleHq Hq;
    bool ChannelMarked = false;    // designation modified, or a serial interface control marked
    TModuleChannel Channel;
};
struct TModuleSetForm {
    std::array<TModuleSetUnit, kModuleUnits> Units;
    bool ModemMarked = false;
    TModuleModem Modem;
    bool DevNameModified = false;
    QString DevName;
    bool DevNoModified = false;
    QString DevNo;
    std::optional<QString> Clock;  // the "G" record when the date or the time was modified
    QString ItemL;                 // the output states as last read, for the toggle of "O"
};

// The records of Set in the order they are sent: for r = 1..4 "O", "Q", "P", "J", "H"; then "I",
// "D", "C", "G".
std::vector<TModuleWrite> PlanModuleSet(const TModuleSetForm &form);

// Appends the item that shows what a successful write changed (RereadItem: "l" for "O", "n" for "P",
// "o" for "Q", "c" for "C", ...) to the re-read list unless it is there already.
void AddToRereadList(QString &letters, char writeLetter);

// The "G" record of the shown date and time texts (local short date and long time formats of
// LocaleFormats()); nothing when either is no valid date or time of day.
std::optional<QString> LocalClockRecord(const QString &dateText, const QString &timeText);

// First and last event as shown: local date, two blanks, local time; empty for a malformed text.
QString EventDateTimeText(const QString &yymmdd, const QString &hhnnss);

// A fax receiver row: designation, fax number and test button take input only for the service Fax
// and with ModuleAccess.
inline bool ReceiverRowEnabled(int serviceIndex, bool moduleAccess) { return serviceIndex == 1 && moduleAccess; }

// The lines of the channel choice dialog: `lineFormat` (text 1820: channel, designation, device type,
// version) for each connectable channel of item "h", in channel order.
QStringList ChannelChoiceLines(const QString &itemH, const QString &lineFormat);
// The channel number of a choice line: the text before its first ":", blanks trimmed; -1 when that is
// no channel 1..4.
int ChannelOfChoiceLine(const QString &line);

// Telephone and fax number fields: the characters that can be typed, and the clipboard text as it is
// pasted (typing also allows ".", pasting does not).
bool IsPhoneKeyChar(QChar c);
QString FilterPhonePaste(const QString &clipboard);

// A caption as an accessible name: its keyboard mnemonic removed ("&&" stays one "&"), then outer
// blanks and one trailing ":" ("&Baud rate:" gives "Baud rate").
QString CaptionAsName(const QString &caption);
// The accessible name of unit `unit`'s field in a column or row headed by `heading`: the caption as a
// name, a blank and the unit number ("&Baud rate", 2 gives "Baud rate 2").
QString UnitFieldName(const QString &heading, int unit);

} // namespace korvul
