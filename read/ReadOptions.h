#pragma once
// The command line of korvul-read: one command (common, archive, process) and its options, the options
// every command shares, --help and --version. Parsing needs no device and no language module.
#include <QString>
#include <QStringList>
#include <optional>

namespace korvul {

// Exit codes of korvul-read (documented in --help and the README).
enum TReadExit : int {
    kExitOk = 0,
    kExitOther = 1,        // anything else: missing program files, a device the tool does not read
    kExitArguments = 2,    // bad arguments (also a missing --settings file or an unknown readout mode)
    kExitPort = 3,         // the port cannot be opened
    kExitNoAnswer = 4,     // the device does not answer, or the connection broke
    kExitRefused = 5,      // the device refused (an item, the access code, the code mark)
    kExitModem = 6,        // the modem did not connect (busy, no carrier, no answer)
    kExitFile = 7,         // an archive file cannot be written
    kExitBatch = 8,        // batch: a device of the list failed or an entry was skipped
    kExitInterrupted = 130 // stopped by SIGINT or SIGTERM
};

enum class TReadCommand { None, Common, Archive, Process };
enum class TArchiveChannels { Setting, Current, All, Number };

struct TReadOptions {
    TReadCommand Command = TReadCommand::None;
    bool Help = false;
    bool Version = false;
    // Shared options; empty or unset: the settings file's value.
    QString Port;                      // "COMn" or a device path
    QString SettingsFile;              // default: the user's korvul.ini
    QString ModemNumber;               // dial this number through the modem of the settings
    std::optional<QString> AccessCode; // trimmed, at most 8 characters; --access-code, the first line of
                                       // --access-code-file, or KORVUL_ACCESS_CODE
    std::optional<QString> Reader;
    // common
    bool Json = false;
    bool AllChannels = false;
    int Channel = 0;                   // 1-based; 0: the channel selected at connect (the first)
    // archive
    std::optional<QString> Mode;       // lower case: complete, bom, codemark, dump
    TArchiveChannels ArchiveChannels = TArchiveChannels::Setting;
    std::optional<QString> Dir;
    std::optional<QString> NameTemplate;  // --name-template (checked by CheckNameTemplate)
    std::optional<int> CodeMark;          // --code-mark: 1..255, the code mark written after the readout
    QString DeviceName;                   // --device-name: {device} of the name template
    // process
    int Count = 1;                     // requests
    std::optional<int> Period;         // seconds
    bool Csv = false;
};

struct TReadParse {
    TReadOptions Options;
    QString Error;   // empty when the arguments are usable
};

// The environment variable that gives the access code without showing it in the process list.
inline constexpr const char *kAccessCodeVariable = "KORVUL_ACCESS_CODE";

// Parses the arguments after the program name. Options take their value as the next argument or after
// "="; an option of another command, a missing or malformed value, a second command or anything unknown
// is an error that names the argument. --access-code-file is read here (an unreadable file is an error);
// without either access code option, KORVUL_ACCESS_CODE (when set) gives the code.
TReadParse ParseReadArguments(const QStringList &args);

// The --help text (usage, commands, options, exit codes).
QString ReadUsageText();

} // namespace korvul
