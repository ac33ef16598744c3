#include "devsim/Options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace devsim {

double TimeScale() {
    bool ok = false;
    const double s = qEnvironmentVariable("KORVUL_TIME_SCALE").toDouble(&ok);
    return ok && s > 0 ? s : 1.0;
}

namespace {

int64_t Scaled(double ms) { return static_cast<int64_t>(std::llround(ms * TimeScale())); }

bool ParseRefusals(const QStringList &specs, Refusals &refused, QString &error) {
    // ITEM[:CODE][@N]; ITEM is one character or a decimal item code of 2 or more digits; N counts the
    // item's requests from 1, the first one refused.
    for (const QString &s : specs) {
        const QStringList at = s.split('@');
        const QStringList parts = at[0].split(':');
        const QString item = parts[0];
        bool ok = at.size() <= 2, okCode = true, okFrom = true;
        const int code = parts.size() > 1 ? parts[1].toInt(&okCode) : RefUnknownItem;
        const int from = at.size() > 1 ? at[1].toInt(&okFrom) : 1;
        uint8_t c = 0;
        if (item.size() == 1) c = static_cast<uint8_t>(item[0].toLatin1());
        else c = static_cast<uint8_t>(item.toInt(&ok));
        if (!ok || !okCode || !okFrom || code < 1 || code > 99 || from < 1 || item.isEmpty()) {
            error = "bad --refuse " + s;
            return false;
        }
        refused.Add(c, code, from);
    }
    return true;
}

bool ParseCodeMarks(const QStringList &specs, ArchiveSpec &spec, QString &error) {
    static const QRegularExpression re("^([0-9A-Fa-f]{1,3})@([0-9]+)$");
    for (const QString &s : specs) {
        auto m = re.match(s);
        if (!m.hasMatch()) { error = "bad --code-mark " + s + " (VALUE@RECORD, value hexadecimal)"; return false; }
        spec.codeMarks.push_back({m.captured(1).toInt(nullptr, 16), m.captured(2).toInt()});
    }
    return true;
}

bool ParseCustomerNumbers(const QStringList &specs, std::map<int, std::string> &numbers, QString &error) {
    // CHANNEL:DIGITS, channel 1-based, up to 12 digits (padded with leading zeros).
    static const QRegularExpression re("^([1-9][0-9]?):([0-9]{1,12})$");
    for (const QString &s : specs) {
        auto m = re.match(s);
        if (!m.hasMatch()) { error = "bad --customer-number " + s + " (CHANNEL:DIGITS)"; return false; }
        numbers[m.captured(1).toInt() - 1] = m.captured(2).rightJustified(12, '0').toStdString();
    }
    return true;
}

bool ParseChannelDevices(const QStringList &specs, std::array<int, 4> &idents, QString &error) {
    // CHANNEL:IDENT, channel 1..4, IDENT an identification of up to 4 digits or 0 for an empty channel.
    static const QRegularExpression re("^([1-4]):([0-9]{1,4})$");
    for (const QString &s : specs) {
        auto m = re.match(s);
        if (!m.hasMatch()) { error = "bad --channel-device " + s + " (CHANNEL:IDENT)"; return false; }
        idents[std::size_t(m.captured(1).toInt() - 1)] = m.captured(2).toInt();
    }
    return true;
}

bool ParseModem(const QString &answer, int baud, int64_t guard, DeviceOptions &d, QString &error) {
    ModemOptions m;
    using A = ModemOptions::DialAnswer;
    if (answer == "connect") m.answer = A::Connect;
    else if (answer == "busy") m.answer = A::Busy;
    else if (answer == "nocarrier") m.answer = A::NoCarrier;
    else if (answer == "none") m.answer = A::None;
    else { error = "bad --modem-answer " + answer; return false; }
    m.connectSpeed = baud > 0 ? baud : 9600;
    m.dialDelayMs = Scaled(1500);
    m.guardMs = Scaled(double(guard));
    d.modem = m;
    return true;
}

int BitsPerChar(const QString &format) {
    // "8N1": data bits, parity letter, stop bits
    if (format.size() != 3) return 0;
    const int data = format[0].digitValue(), stop = format[2].digitValue();
    const bool parity = format[1].toUpper() != 'N';
    return data >= 5 && data <= 8 && stop >= 1 && stop <= 2 ? 1 + data + (parity ? 1 : 0) + stop : 0;
}

void DeclareOptions(QCommandLineParser &p) {
    auto opt = [&](const QString &name, const QString &help, const QString &value = QString(),
                   const QString &def = QString()) { p.addOption(QCommandLineOption(name, help, value, def)); };
    opt("type", "Identification number of the simulated device (default 2461).", "ident", "2461");
    opt("port-link", "Create this link to the pseudo-terminal (for example $XDG_CONFIG_HOME/korvul/ports/COM1).", "path");
    opt("tty", "Serve this terminal device instead of a pseudo-terminal.", "device");
    opt("access-code", "Access code that gives write access (default 12345678).", "code", "12345678");
    opt("no-value-lock", "Let devices with the value lock accept day boundary, period, Cp code and deletion.");
    opt("archive-size", "Archive memory per channel in bytes (default 6144).", "bytes", "6144");
    opt("archive-records", "Records holding data before the end marker (default three quarters).", "n", "-1");
    opt("code-mark", "Put code mark VALUE (hex) at record RECORD; repeatable.", "value@record");
    opt("customer-number", "Customer number (item h) of channel CHANNEL (1-based); repeatable.", "channel:digits");
    opt("end-device", "Identification of the end device behind a CLM-300 module (default 2461).", "ident", "2461");
    opt("channel-device", "End device IDENT on module channel CHANNEL (1-4; 0 for none); repeatable.", "channel:ident");
    opt("modem", "Put a Hayes modem in front of the device.");
    opt("modem-answer", "Dial result: connect, busy, nocarrier or none (default connect).", "answer", "connect");
    opt("guard-time", "Modem escape guard time in ms (default 1000).", "ms", "1000");
    opt("baud", "Throttle output to this baud rate (default: no throttling).", "rate", "0");
    opt("format", "Character format for the throttling, e.g. 8N1 or 7E1 (default 8N1).", "format", "8N1");
    opt("late", "Send every answer this many ms late.", "ms", "0");
    opt("silent", "Never answer protocol frames.");
    opt("drop-after", "Drop the line after this many archive records.", "n", "0");
    opt("drop-for", "A dropped line stays silent this many ms (default: until devsim ends).", "ms", "-1");
    opt("corrupt-every", "Corrupt every n-th byte sent.", "n", "0");
    opt("lose-answer-every", "Do not send every n-th protocol answer (a repeat request still gets it).", "n", "0");
    opt("bad-checksum", "Process data answers carry a wrong checksum.");
    opt("process-status", "Status field of the process data answers (8 hex digits, default 80000000).", "hex", "80000000");
    opt("ident-answer", "Answer the identification item a with TEXT instead of the type's number.", "text");
    opt("refuse", "Refuse item ITEM with CODE (default 1) from its N-th request on (default 1); repeatable.",
        "item[:code][@n]");
    opt("state", "Load the device state from this file and save changes to it.", "file");
    opt("verbose", "Print the traffic to stderr.");
    opt("exit-with-parent", "End (as on SIGTERM) when the process that started devsim ends.");
}

// The help text names the program "devsim" rather than the path it was started by, as its manual page does.
[[noreturn]] void ShowHelp(const QCommandLineParser &p, const QString &startedAs) {
    QString text = p.helpText();
    text.replace(QStringLiteral("Usage: ") + startedAs, QStringLiteral("Usage: devsim"));
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::exit(std::fflush(stdout) == 0 ? 0 : 1);
}

bool ReadDeviceOptions(const QCommandLineParser &p, DeviceOptions &d, QString &error) {
    bool ok = true;
    const int ident = p.value("type").toInt(&ok);
    if (!ok || ident <= 0 || ident > 9999) { error = "bad --type " + p.value("type"); return false; }
    d.type = TypeFromIdent(ident);
    d.endDeviceIdent = p.value("end-device").toInt();
    d.model.accessCode = p.value("access-code").toStdString();
    d.model.valueLock = !p.isSet("no-value-lock");
    d.model.identAnswer = p.value("ident-answer").toLatin1().toStdString();
    d.model.reconnectWindowMs = Scaled(5000);
    d.model.archive.sizeBytes = p.value("archive-size").toInt();
    d.model.archive.filledRecords = p.value("archive-records").toInt();
    if (!ParseCodeMarks(p.values("code-mark"), d.model.archive, error)) return false;
    if (!ParseRefusals(p.values("refuse"), d.model.refused, error)) return false;
    if (!ParseCustomerNumbers(p.values("customer-number"), d.model.customerNumbers, error)) return false;
    if (!ParseChannelDevices(p.values("channel-device"), d.channelDevices, error)) return false;
    if (p.isSet("modem") &&
        !ParseModem(p.value("modem-answer"), p.value("baud").toInt(), p.value("guard-time").toLongLong(), d, error))
        return false;
    d.faults.lateMs = Scaled(p.value("late").toDouble());
    d.faults.silent = p.isSet("silent");
    d.faults.dropAfterRecords = p.value("drop-after").toInt();
    const double dropFor = p.value("drop-for").toDouble();
    d.faults.dropForMs = dropFor < 0 ? -1 : Scaled(dropFor);
    d.faults.corruptChecksum = p.isSet("bad-checksum");
    d.faults.loseAnswerEvery = p.value("lose-answer-every").toInt();
    d.faults.processStatus = p.value("process-status").toStdString();
    if (d.faults.processStatus.size() != 8) { error = "bad --process-status " + p.value("process-status"); return false; }
    return true;
}

bool ReadServerOptions(const QCommandLineParser &p, ServerOptions &s, QString &error) {
    s.portLink = p.value("port-link");
    s.tty = p.value("tty");
    s.baud = p.value("baud").toInt();
    const QString format = p.value("format").toUpper();
    s.bitsPerChar = BitsPerChar(format);
    if (s.bitsPerChar == 0) { error = "bad --format " + p.value("format"); return false; }
    s.dataBits = format[0].digitValue();
    s.parity = format[1].toLatin1();
    s.stopBits = format[2].digitValue();
    s.corruptEvery = p.value("corrupt-every").toInt();
    s.stateFile = p.value("state");
    s.verbose = p.isSet("verbose");
    s.exitWithParent = p.isSet("exit-with-parent");
    if (s.portLink.isEmpty() && s.tty.isEmpty()) { error = "give --port-link or --tty"; return false; }
    return true;
}

} // namespace

bool ParseCommandLine(const QStringList &arguments, CommandLine &cl, QString &error) {
    QCommandLineParser p;
    p.setApplicationDescription("Device simulator for the QT family on a pseudo-terminal or a serial port.");
    p.addHelpOption();
    p.addVersionOption();
    DeclareOptions(p);
    if (!p.parse(arguments)) { error = p.errorText(); return false; }
    if (p.isSet("help")) ShowHelp(p, arguments.value(0));
    if (p.isSet("version")) p.showVersion();
    return ReadDeviceOptions(p, cl.device, error) && ReadServerOptions(p, cl.server, error);
}

} // namespace devsim
