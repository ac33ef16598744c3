#pragma once
// The rules of the option dialogs that do not need a window: readout mode and code mark, channel mode,
// the serial port list and the INIT speed field, and the telephone list.
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace korvul {

// ---- user options ----

// "bom", "codemark", "complete", "dump" in the order of the mode list (texts 450..453).
const QStringList &ReadoutModeKeywords();
// Index of the keyword equal to mode, -1 when none is.
int ReadoutModeIndex(const QString &mode);
constexpr int kModeCodeMark = 1;
// The code mark's lower bound for a mode index: 1 while "codemark" is chosen, else 0.
int CodeMarkMinimum(int modeIndex);
// 1 only for the exact value "all", else 0; and back: "all" or "current".
int ChannelModeIndex(const QString &channelMode);
QString ChannelModeKeyword(int index);
// Creates the directory with all missing parents; true when it exists afterwards.
bool CreateDirectoryPath(const QString &path);

// ---- serial interface settings ----

// The port a user sees for an enumerated name: its first 4 characters when it begins with "COM"
// ("COM12" -> "COM1"), else empty (not a serial port).
QString ListedPortName(const QString &enumerated);
// The digit of COM in a listed name (its fourth character), -1 when that is not a digit.
int PortDigit(const QString &portName);
// The device a port name stands for, by the line driver's rule (linedriver/PortNames.h): a network port
// (tcp://, rfc2217://) as it stands or as a ports-directory entry names it (link target or first line);
// a link in <ConfigDir>/ports shows as its target. Empty when the name names nothing.
QString ResolvePortDevice(const QString &name);

enum class TPortProbe { Free, Busy, Unusable };
// Opens the device for reading and writing without becoming its controlling terminal and asks for an
// exclusive lock, then closes it again. Busy: held by another program (EBUSY, EWOULDBLOCK, EACCES).
TPortProbe ProbePortDevice(const QString &device);

struct TListedPort {
    TListedPort() = default;
    TListedPort(const QString &name, const QString &device) : Name(name), Device(device) {}
    QString Name;    // "COM1"; empty for a present port that no COMn names yet
    QString Device;  // what it resolves to
    // What the system tells about it (options/PortList.h fills these; empty or -1 when unknown).
    QString ById;    // its stable /dev/serial/by-id/ name
    QString Description, Manufacturer, SerialNumber;
    int VendorId = -1, ProductId = -1;
    bool NoPermission = false;  // this user may not open it for reading and writing
    QString Group;              // the device's group (with NoPermission)
    bool InUse = false;         // another program holds it (lock file, or open as /proc shows)
    int HolderPid = 0;          // that program's process id, 0 when unknown
    QString HolderName;
};
// The settings dialog lists ports with ListPorts (options/PortList.h), which opens nothing; this is the
// earlier COM1..COM9 listing, kept for callers that probe by opening.
// The listed ports for the enumerated names (default COM1..COM9): each name cut to its first 4
// characters, resolved, probed; free and busy ports are listed once each, in order.
std::vector<TListedPort> EnumeratePorts(const QStringList &names = {},
                                        const std::function<QString(const QString &)> &resolve = ResolvePortDevice,
                                        const std::function<TPortProbe(const QString &)> &probe = ProbePortDevice);
// The text a port shows in the list: "COM1 (/dev/ttyUSB0)"; its first 4 characters are the name.
QString PortListText(const TListedPort &port);

// The speed field of INIT: the text before its first comma (all of it without a comma).
QString InitSpeed(const QString &init);
// INIT with its speed field replaced; every other field stays as it is.
QString ReplaceInitSpeed(const QString &init, const QString &speed);
// The line speed the radio buttons choose: 19200 remote, 9600 local CLM-300, 4800 local QT device.
QString SpeedForConnection(bool remote, bool localClm);

// ---- telephone number ----

// Accepted characters of a telephone number: digits, ":", ",", "W" and "w".
bool IsPhoneChar(QChar c);
QString FilterPhoneText(const QString &text);
// Longest telephone number text the number field takes (typed, pasted or dropped).
inline constexpr int kPhonePasteLimit = 255;
// Clipboard text as pasted into the number: at most its first 255 characters, then filtered.
QString PastedPhoneText(const QString &clipboard);
// Removes every blank.
QString WithoutBlanks(const QString &text);
// Moves number to the front of entries 0..count (inclusive): each entry takes the one before it until
// the entry that held the number; a new number pushes every entry down and drops the last.
void MoveNumberToFront(QString *list, int count, const QString &number);

} // namespace korvul
