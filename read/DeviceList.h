#pragma once
// The device list of "korvul-read batch": which devices to read and how. Pure logic.
//
// An INI-like text, one section per device:
//
//   # comment (also ";")
//   [station-north]                       the device's name (letters, digits, . _ -)
//   port = rfc2217://10.1.2.3:4001        COMn, /dev/..., tcp://HOST:PORT or rfc2217://HOST:PORT
//   modem = 0049301234567                 dial through the modem of the settings (on port, if given)
//   access-code-file = /etc/korvul/north  or: access-code = 12345678
//   read = archive                        archive (default) or common
//   mode = complete                       complete, bom, codemark or dump
//   channel = all                         current, all or a number
//   dir = /srv/readouts/north             output folder (default: batch --dir, else TempFilePath)
//   name-template = {device}_{channel}_{date}.txt
//   code-mark = 3
//   reader = NIGHT                        the reader name left in the device
//
// Every setting is checked as korvul-read checks its arguments; an entry with an error is reported
// with its line and skipped, the other entries stay.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvul {

struct TDeviceEntry {
    int Line = 0;                      // line of the [name] header, 1-based
    QString Name;
    QString Port;                      // empty: the port of the settings
    QString Modem;                     // number to dial; empty: direct line
    std::optional<QString> AccessCode; // given in the list; passed to the run in its environment
    QStringList Arguments;             // korvul-read arguments of this device's run (no access code)
};

struct TListProblem {
    int Line = 0;
    QString Device;  // the entry's name, empty outside an entry
    QString Text;
};

struct TDeviceList {
    QList<TDeviceEntry> Devices;
    QList<TListProblem> Problems;
};

// What the batch command line gives every entry that does not set it itself.
struct TBatchDefaults {
    QString Dir;
    QString NameTemplate;
    QString Settings;
};

TDeviceList ParseDeviceList(const QString &text, const TBatchDefaults &defaults = {});

// Devices with the same key share a line (a port, a network endpoint, the modem) and are read one
// after another: the port name in lower case, HOST:PORT for both network schemes, "" for the
// settings' port.
QString LineKey(const TDeviceEntry &entry);

} // namespace korvul
