#include "read/ReadOptions.h"

#include "read/NameTemplate.h"

#include <QFile>

#include <functional>
#include <map>

namespace korvul {

namespace {

// --channel belongs to common (a number) and archive (current, all or a number): it is kept as text
// until the command is known.
struct TParseState {
    TReadOptions &Options;
    std::optional<QString> ChannelText;
};

// Which commands an option belongs to (None: every command).
struct TOptionSpec {
    bool TakesValue;
    TReadCommand Command;
    std::function<QString(TReadOptions &o, const QString &value)> Apply;  // error text, or empty
};

QString CommandName(TReadCommand c) {
    switch (c) {
    case TReadCommand::Common: return QStringLiteral("common");
    case TReadCommand::Archive: return QStringLiteral("archive");
    case TReadCommand::Process: return QStringLiteral("process");
    case TReadCommand::None: break;
    }
    return QString();
}

std::optional<int> PositiveNumber(const QString &text) {
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok || n < 1 || text.startsWith(QLatin1Char('+'))) return std::nullopt;
    return n;
}

QString Bad(const QString &option, const QString &value, const char *what) {
    return QStringLiteral("%1: \"%2\" is not %3").arg(option, value, QLatin1String(what));
}

// The access code as the setting holds it: trimmed, at most 8 characters.
QString AccessCodeText(const QString &text) { return text.trimmed().left(8); }

// The first line of FILE, without its line end. A pipe works too (--access-code-file <(command)).
QString ApplyAccessCodeFile(TReadOptions &o, const QString &v) {
    if (v.isEmpty()) return QStringLiteral("--access-code-file needs a file name");
    QFile file(v);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("--access-code-file: cannot read %1 (%2)").arg(v, file.errorString());
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    o.AccessCode = AccessCodeText(QString::fromLocal8Bit(line));
    return {};
}

QString ApplyMode(TReadOptions &o, const QString &v) {
    const QString mode = v.toLower();
    static const QStringList modes{"complete", "bom", "codemark", "dump"};
    if (!modes.contains(mode)) return Bad("--mode", v, "complete, bom, codemark or dump");
    o.Mode = mode;
    return {};
}

const std::map<QString, TOptionSpec> &Specs() {
    static const std::map<QString, TOptionSpec> specs = {
        {"--port", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             if (v.isEmpty()) return QStringLiteral("--port needs a port name (COMn or a device path)");
             o.Port = v;
             return QString();
         }}},
        {"--settings", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             if (v.isEmpty()) return QStringLiteral("--settings needs a file name");
             o.SettingsFile = v;
             return QString();
         }}},
        {"--modem", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             if (v.trimmed().isEmpty()) return QStringLiteral("--modem needs a telephone number");
             o.ModemNumber = v.trimmed();
             return QString();
         }}},
        {"--access-code", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             o.AccessCode = AccessCodeText(v);
             return QString();
         }}},
        {"--access-code-file", {true, TReadCommand::None, ApplyAccessCodeFile}},
        {"--reader", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             o.Reader = v;
             return QString();
         }}},
        {"--json", {false, TReadCommand::Common, [](TReadOptions &o, const QString &) {
             o.Json = true;
             return QString();
         }}},
        {"--all-channels", {false, TReadCommand::Common, [](TReadOptions &o, const QString &) {
             o.AllChannels = true;
             return QString();
         }}},
        {"--channel", {true, TReadCommand::None, nullptr}},
        {"--mode", {true, TReadCommand::Archive, ApplyMode}},
        {"--dir", {true, TReadCommand::Archive, [](TReadOptions &o, const QString &v) {
             if (v.isEmpty()) return QStringLiteral("--dir needs a directory");
             o.Dir = v;
             return QString();
         }}},
        {"--name-template", {true, TReadCommand::Archive, [](TReadOptions &o, const QString &v) {
             o.NameTemplate = v;
             return CheckNameTemplate(v);
         }}},
        {"--code-mark", {true, TReadCommand::Archive, [](TReadOptions &o, const QString &v) {
             const std::optional<int> n = PositiveNumber(v);
             if (!n || *n > 255) return Bad("--code-mark", v, "a code mark of 1 to 255");
             o.CodeMark = *n;
             return QString();
         }}},
        {"--device-name", {true, TReadCommand::None, [](TReadOptions &o, const QString &v) {
             o.DeviceName = v.trimmed();
             return QString();
         }}},
        {"--count", {true, TReadCommand::Process, [](TReadOptions &o, const QString &v) {
             const std::optional<int> n = PositiveNumber(v);
             if (!n) return Bad("--count", v, "a number of 1 or more");
             o.Count = *n;
             return QString();
         }}},
        {"--period", {true, TReadCommand::Process, [](TReadOptions &o, const QString &v) {
             const std::optional<int> n = PositiveNumber(v);
             if (!n) return Bad("--period", v, "a number of seconds");
             o.Period = *n;
             return QString();
         }}},
        {"--csv", {false, TReadCommand::Process, [](TReadOptions &o, const QString &) {
             o.Csv = true;
             return QString();
         }}},
    };
    return specs;
}

// The channel text for the command that was given.
QString ApplyChannelText(TReadOptions &o, const std::optional<QString> &channelText) {
    if (!channelText) return {};
    const QString text = *channelText;
    const QString lower = text.toLower();
    if (o.Command == TReadCommand::Archive && lower == QLatin1String("current")) {
        o.ArchiveChannels = TArchiveChannels::Current;
        return {};
    }
    if (o.Command == TReadCommand::Archive && lower == QLatin1String("all")) {
        o.ArchiveChannels = TArchiveChannels::All;
        return {};
    }
    const std::optional<int> n = PositiveNumber(text);
    if (!n || *n > 99)
        return Bad("--channel", text, o.Command == TReadCommand::Archive ? "current, all or a channel number"
                                                                           : "a channel number (1, 2, ...)");
    o.Channel = *n;
    if (o.Command == TReadCommand::Archive) o.ArchiveChannels = TArchiveChannels::Number;
    return {};
}

QString CheckCommandOptions(TReadOptions &o, const QStringList &used, const std::optional<QString> &channelText) {
    for (const QString &name : used) {
        const TReadCommand belongs = Specs().at(name).Command;
        if (belongs != TReadCommand::None && belongs != o.Command)
            return QStringLiteral("%1 is an option of the %2 command").arg(name, CommandName(belongs));
    }
    if (channelText && o.Command == TReadCommand::Process)
        return QStringLiteral("--channel is an option of the common and archive commands");
    if (o.AllChannels && channelText) return QStringLiteral("--channel and --all-channels exclude each other");
    if (used.contains(QLatin1String("--access-code")) && used.contains(QLatin1String("--access-code-file")))
        return QStringLiteral("--access-code and --access-code-file exclude each other");
    return ApplyChannelText(o, channelText);
}

// One argument; i moves past a value taken from the next argument.
QString ParseOne(const QStringList &args, qsizetype &i, TReadParse &r, QStringList &used, TParseState &state) {
    const QString arg = args[i];
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) return r.Options.Help = true, QString();
    if (arg == QLatin1String("--version")) return r.Options.Version = true, QString();
    if (!arg.startsWith(QLatin1Char('-'))) {
        TReadCommand c = arg == QLatin1String("common")  ? TReadCommand::Common
                         : arg == QLatin1String("archive") ? TReadCommand::Archive
                         : arg == QLatin1String("process") ? TReadCommand::Process
                                                           : TReadCommand::None;
        if (c == TReadCommand::None) return QStringLiteral("unknown command \"%1\" (common, archive or process)").arg(arg);
        if (r.Options.Command != TReadCommand::None) return QStringLiteral("only one command at a time (\"%1\")").arg(arg);
        r.Options.Command = c;
        return {};
    }
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? arg : arg.left(eq);
    const auto &specs = Specs();
    const auto it = specs.find(name);
    if (it == specs.end()) return QStringLiteral("unknown option \"%1\"").arg(name);
    const TOptionSpec &spec = it->second;
    QString value;
    if (!spec.TakesValue) {
        if (eq >= 0) return QStringLiteral("%1 takes no value").arg(name);
    } else if (eq >= 0) {
        value = arg.mid(eq + 1);
    } else {
        if (i + 1 >= args.size()) return QStringLiteral("%1 needs a value").arg(name);
        value = args[++i];
    }
    used << name;
    if (!spec.Apply) return state.ChannelText = value, QString();
    return spec.Apply(r.Options, value);
}

} // namespace

TReadParse ParseReadArguments(const QStringList &args) {
    TReadParse r;
    QStringList used;
    TParseState state{r.Options, std::nullopt};
    for (qsizetype i = 0; i < args.size(); ++i) {
        r.Error = ParseOne(args, i, r, used, state);
        if (!r.Error.isEmpty()) return r;
    }
    if (r.Options.Help || r.Options.Version) return r;
    if (r.Options.Command == TReadCommand::None) {
        r.Error = QStringLiteral("no command given (common, archive or process)");
        return r;
    }
    r.Error = CheckCommandOptions(r.Options, used, state.ChannelText);
    // The environment keeps the code out of the process list; a code on the command line wins.
    if (!r.Options.AccessCode && qEnvironmentVariableIsSet(kAccessCodeVariable))
        r.Options.AccessCode = AccessCodeText(qEnvironmentVariable(kAccessCodeVariable));
    return r;
}

} // namespace korvul

namespace korvul {

QString ReadUsageText() {
    return QStringLiteral(R"(Usage: korvul-read [options] common  [--json] [--channel N | --all-channels]
  or:  korvul-read [options] archive [--mode complete|bom|codemark|dump] [--channel current|all|N] [--dir DIR]
                                     [--name-template TEMPLATE] [--code-mark N]
  or:  korvul-read batch FILE [--jobs N] [--log FILE] [--dir DIR] [--name-template TEMPLATE]
                              [--settings FILE] [--timeout SECONDS]
  or:  korvul-read [options] process [--count N] [--period S] [--csv]
  or:  korvul-read --help | --version

Reads a metering device without a window, with the settings, drivers and readout rules of korvul.

Commands:
  common    prints the identification and the common data as key=value lines (--json: one JSON
            object): the raw item texts and the values the main window shows. Default channel: the
            first; --channel N reads channel N, --all-channels every channel.
  archive   writes the archive files the readout window writes (tempz.NNN in TempFilePath or --dir)
            and prints their paths. --mode overrides READOUTMODE, --channel overrides CHANNELMODE
            (a number reads that channel only). Progress goes to standard error on a terminal.
            --name-template names the files instead, e.g. '{device}_{channel}_{date}.txt'
            (placeholders {device} {ident} {channel} {date} {time}; a taken name gets -2, -3 ...).
            --code-mark N sets the code mark (CODEMARK, 1..255) for this run.
  process   prints process data rows: a title line and one line per answer with the columns of the
            process data window, separated by PDBSEPARATORCHARACTER (default TAB); --csv writes the
            window's "Save as CSV" layout instead: UTF-8, commas, dot decimals, titles with their units
            ("Pressure [bar]"), an ISO 8601 time stamp with date first. --count requests (default 1), --period seconds from
            the start of one request to the start of the next (default PDBPERIOD; 5 to 99, NX-17 at
            least 10). The device's own answer time lies inside the period (about 0.5 s; the NX-17
            needs 8 s to answer); a request that takes longer than the period is followed at once.

  batch     reads every device of the device list FILE (docs/backoffice.md): one run of korvul-read
            per device, devices on different ports in parallel (--jobs, default 4), devices on the
            same port or modem one after another. --log appends one JSON line per device; a summary
            goes to standard output. Entries with errors are reported with their line and skipped.
            --dir, --name-template and --settings apply to entries without their own; --timeout
            stops a device's run after that many seconds. "batch" must be the first argument.

Options of every command:
  --port COMn|/dev/...|tcp://HOST:PORT|rfc2217://HOST:PORT
                         the serial port (default: COM of the settings; COMn resolves as in korvul);
                         tcp:// is a raw network serial port, rfc2217:// one with line settings
  --device-name NAME     the name {device} stands for in --name-template
  --settings FILE        the settings file (default: $XDG_CONFIG_HOME/korvul/korvul.ini); never written
  --modem NUMBER         dial NUMBER through the modem of the settings before connecting
  --access-code CODE     the device access code (default: ACCESSCODE). Every local user can see it in
                         the process list: prefer --access-code-file or KORVUL_ACCESS_CODE
  --access-code-file FILE
                         the access code from the first line of FILE (a pipe works too)
  --reader NAME          the reader name left in the device (default: READER)

Messages go to standard error, data to standard output.

Environment:
  KORVUL_ACCESS_CODE     the device access code, unless --access-code or --access-code-file gives one
  XDG_CONFIG_HOME        the folder of korvul/korvul.ini (default: ~/.config)

Exit codes:
  0    success
  1    any other failure (missing program files, a device type without the requested data)
  2    bad arguments (also a missing --settings file or an unknown readout mode)
  3    the port cannot be opened (missing, no permission, held by another program,
       or line settings in INIT it refuses); the message names the device and the cause
  4    no answer from the device, or the connection broke
  5    the device refused (an item, the access code, the code mark)
  6    modem failure (busy, no carrier, no answer)
  7    an archive file cannot be written
  8    batch: a device failed or an entry of the list was skipped (each has its own code in the log)
  130  interrupted (SIGINT, SIGTERM); files of finished channels stay
)");
}

} // namespace korvul
