#include "read/ReadRun.h"

#include "base/LangSupp.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "options/SerialPortSource.h"
#include "options/PortList.h"
#include "comm/Connection.h"
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/Modem.h"
#include "comm/CommClass.h"
#include "comm/DeviceFailure.h"
#include "read/NameTemplate.h"
#include "base/NetworkPortName.h"
#include "read/ReadOutput.h"
#include "readout/ArchiveFile.h"
#include "readout/ArchiveReadout.h"
#include "readout/ArchiveRules.h"
#include "readout/ProcessCsv.h"
#include "readout/ProcessData.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace korvul {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnStopSignal(int) { g_interrupted = 1; }

// Thrown by the tool's own checks with the exit code they stand for.
class TReadFailure : public std::runtime_error {
public:
    TReadFailure(int code, const QString &text) : std::runtime_error(text.toStdString()), Code(code) {}
    int Code;
};

void Print(const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

// The archive readout as the tool shows it: messages as lines, progress on a terminal only, no dialog.
class TToolView : public TReadArchView {
public:
    void SetPanel(int panel, const QString &text) override {
        if (panel < 0 || panel > 2) return;
        panels_[panel] = text;
        ShowProgress();
    }
    bool Cancelled() const override { return ReadInterrupted(); }
    void ShowNote(const QString &, const QString &text) override { Message(text); }
    void ShowMessage(const QString &text) override {
        if (text == LanguageText(kTextCodeMarkFailed)) codeMarkFailed_ = true;
        Message(text);
    }
    explicit TToolView(const TReadOptions &o) : nameTemplate_(o.NameTemplate), deviceName_(o.DeviceName) {}
    // --name-template: the expanded name, with -2, -3 ... when taken.
    QString NamedFile(int channel, const QString &directory) override {
        if (!nameTemplate_) return {};
        const TNameFields fields{deviceName_, DeviceInfo().IdentText, channel, QDateTime::currentDateTime()};
        const QString name = ExpandNameTemplate(*nameTemplate_, fields);
        for (int attempt = 1; attempt <= 999; ++attempt) {
            const QString path = directory + QLatin1Char('/') + NumberedName(name, attempt);
            if (!QFileInfo::exists(path)) return path;
        }
        throw TArchiveFileError(LanguageFormat(kTextFileExists, {directory + QLatin1Char('/') + name}));
    }
    // No save dialog: with every number taken the readout ends with text 254.
    std::optional<QString> AskFileName(const QString &, const QString &) override { return std::nullopt; }
    void EndProgress() {
        if (progressShown_) std::fputs("\n", stderr);
        progressShown_ = false;
    }
    bool CodeMarkFailed() const { return codeMarkFailed_; }

private:
    void Message(const QString &text) {
        EndProgress();
        ReadMessage(text);
    }
    void ShowProgress() {
        if (!StderrIsTerminal()) return;
        const QString line = panels_[kPanelChannel] + QStringLiteral("  ") + panels_[kPanelRecords] +
                             QStringLiteral("  ") + panels_[kPanelState];
        std::fprintf(stderr, "\r%-78s", line.toLocal8Bit().constData());
        std::fflush(stderr);
        progressShown_ = true;
    }

    std::optional<QString> nameTemplate_;
    QString deviceName_;
    QString panels_[3];
    bool progressShown_ = false;
    bool codeMarkFailed_ = false;
};

// ---- set-up ----

void LoadToolSettings(const TReadOptions &o) {
    const QString path = o.SettingsFile.isEmpty() ? SettingsFilePath() : o.SettingsFile;
    if (!o.SettingsFile.isEmpty() && !QFileInfo(path).isFile())
        throw TReadFailure(kExitArguments, QStringLiteral("settings file %1 does not exist").arg(path));
    const QString unreadable = LoadSettingsFrom(path, Settings());
    if (!unreadable.isEmpty())
        ReadMessage(QStringLiteral("settings file %1 cannot be read (%2); the default settings are used. Put a "
                                   "file your user can read in its place, or remove what is there").arg(path, unreadable));
    const QString language = LanguageModulePath(ReadLanguageCode(path));
    if (!LoadLanguageModuleFile(language))
        throw TReadFailure(kExitOther, QStringLiteral("language file %1 not found").arg(language));
}

// Command-line values replace the settings for this run only; the tool never writes the settings file.
void ApplyOverrides(const TReadOptions &o) {
    TSettings &s = Settings();
    SetPortNameForRun(o.Port);
    if (!o.ModemNumber.isEmpty()) {
        s.VIAMODEM = true;
        s.Ph[0] = o.ModemNumber;
    }
    if (o.AccessCode) s.ACCESSCODE = *o.AccessCode;
    if (o.Reader) s.READER = *o.Reader;
    if (o.Dir) s.TempFilePath = *o.Dir;
    if (o.Mode) s.READOUTMODE = *o.Mode;
    if (o.CodeMark) s.CODEMARK = *o.CodeMark;
    if (o.ArchiveChannels == TArchiveChannels::All) s.CHANNELMODE = QStringLiteral("all");
    else if (o.ArchiveChannels != TArchiveChannels::Setting) s.CHANNELMODE = QStringLiteral("Current");
    if (s.CLM300)
        throw TReadFailure(kExitOther, QStringLiteral("the CLM300 setting is on: korvul-read reads end devices "
                                                      "directly or through a plain modem; switch CLM300 off"));
}

void InstallToolHooks() {
    PresentPortsProvider() = [] { return PresentPortsText(ListPorts(TSystemSerialPorts())); };
    TCommUiHooks &hooks = CommUiHooks();
    hooks = TCommUiHooks{};
    hooks.ShowMessage = [](const QString &text) { ReadMessage(text); };
    hooks.ShowException = [](const std::exception &e) { ReadMessage(QString::fromLocal8Bit(e.what())); };
    hooks.ShowDialing = [](const QString &number) { ReadMessage(QStringLiteral("dialling %1").arg(number)); };
    InstallModemRoutines();
}

// Checks that need no device, so a wrong argument never costs a connection.
void CheckArchiveArguments() {
    const TSettings &s = Settings();
    if (ReadoutModeFromSetting(s.READOUTMODE) == TReadoutMode::Unknown)
        throw TReadFailure(kExitArguments, LanguageText(kTextUnknownMode) + QStringLiteral(" (READOUTMODE \"%1\")").arg(s.READOUTMODE));
    const QString dir = ArchiveDirectory(s.TempFilePath);
    const QFileInfo info(dir);
    if (!info.isDir() || !info.isWritable())
        throw TReadFailure(kExitFile, QStringLiteral("archive directory %1 does not exist or is not writable").arg(dir));
}

// ---- connection, as the main window makes it ----

void ConnectAndIdentify() {
    if (!ConnectDevice()) throw TReadFailure(kExitRefused, QStringLiteral("the device did not accept the connection"));
    if (DeviceInfo().IdentText.startsWith(QLatin1String("60")))
        throw TReadFailure(kExitOther, QStringLiteral("the device is a CLM-300 module; korvul-read reads end devices"));
    IdentifyDeviceType();
    if (DeviceInfo().ChannelCount > 1) SelectChannel(0);
}

void SelectReadChannel(int channel) {
    const int count = std::max(1, DeviceInfo().ChannelCount);
    if (channel < 0 || channel >= count)
        throw TReadFailure(kExitArguments, QStringLiteral("the %1 has %2 channel(s); there is no channel %3")
                                               .arg(DeviceInfo().TypeName).arg(count).arg(channel + 1));
    if (count > 1 && !SelectChannel(static_cast<uint16_t>(channel)))
        throw TReadFailure(kExitNoAnswer, QStringLiteral("the device did not switch to channel %1").arg(channel + 1));
}

void ReadChannelItems(TStrList &items) {
    ReadCapabilityItems(items);
    if (!CommObject().Connected()) throw TCommClassException(QString::fromLatin1(kErrorText));
}

// A configured access code that the device did not take: said, and the run ends with kExitRefused.
int AccessCodeResult() {
    if (Settings().ACCESSCODE.isEmpty() || DeviceInfo().WriteAccess) return kExitOk;
    ReadMessage(QStringLiteral("the device refused the access code"));
    return kExitRefused;
}

// ---- commands ----

int RunCommon(const TReadOptions &o) {
    TCommonReport report;
    QList<int> channels;
    const int count = std::max(1, DeviceInfo().ChannelCount);
    if (o.AllChannels)
        for (int c = 0; c < count; ++c) channels << c;
    else channels << std::max(0, o.Channel - 1);
    for (int c : channels) {
        if (c != 0 || o.Channel > 0) SelectReadChannel(c);
        TChannelData data;
        data.Channel = c + 1;
        ReadChannelItems(data.Items);
        report.Channels << data;
    }
    report.Info = DeviceInfo();
    Print(o.Json ? QString::fromUtf8(CommonDataJson(report)) : CommonDataText(report));
    return AccessCodeResult();
}

int RunArchive(const TReadOptions &o) {
    if (!DeviceInfo().HasArchive)
        throw TReadFailure(kExitOther, QStringLiteral("the %1 has no archive").arg(DeviceInfo().TypeName));
    int current = 0;
    if (o.ArchiveChannels == TArchiveChannels::Number) {
        current = o.Channel - 1;
        SelectReadChannel(current);
    }
    TToolView view(o);
    TArchiveReadout readout(view, current, Settings().READOUTMODE);
    auto printFiles = [&] {
        view.EndProgress();
        for (const QString &f : readout.WrittenFiles()) Print(QFileInfo(f).absoluteFilePath() + QLatin1Char('\n'));
    };
    try {
        readout.Run();
    } catch (...) {
        printFiles();
        throw;
    }
    printFiles();
    if (readout.Cancelled()) return kExitInterrupted;
    if (view.CodeMarkFailed()) return kExitRefused;
    return AccessCodeResult();
}

// Waits until the deadline with the event loop running; a row that took longer than the period is
// followed at once. Checks for SIGINT/SIGTERM every 100 ms, so Ctrl-C never waits out a long period.
void WaitUntilOrInterrupted(const QDeadlineTimer &deadline) {
    while (!deadline.hasExpired() && !ReadInterrupted()) {
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(deadline.remainingTime(), 100), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// The process data exchange bypasses the protocol driver: the device is signed off, the line stays open
// (as the main window does around the process data window).
int RunProcess(const TReadOptions &o) {
    const TDeviceInfo &info = DeviceInfo();
    if (!info.HasProcessData)
        throw TReadFailure(kExitOther, QStringLiteral("the %1 has no process data").arg(info.TypeName));
    int period = InitialPeriod(info.TypeCode, Settings().PDBPERIOD);
    if (o.Period) {
        const TPeriodCheck check = CheckPeriod(info.TypeCode, *o.Period);
        if (check.Range)
            ReadMessage(LanguageText(340) + QStringLiteral("\n") +
                        LanguageFormat(341, {check.Range->first, check.Range->second}) + QStringLiteral("\n") +
                        LanguageText(342));
        period = check.Period;
    }
    const QChar separator(static_cast<char16_t>(std::clamp(Settings().PDBSEPARATORCHARACTER, 1, 0xFFFF)));
    DisconnectDevice();
    const QChar decimal = LocaleFormats().DecimalSeparator;
    Print(o.Csv ? ProcessCsvHeader(info.TypeCode) : ProcessLine(ShownTitles(ProcessDataTitles()), false, separator));
    QDeadlineTimer nextRow(0);
    for (int i = 0; i < o.Count && !ReadInterrupted(); ++i) {
        WaitUntilOrInterrupted(nextRow);
        if (ReadInterrupted()) break;
        // The period runs from the start of one request to the start of the next: the device's own
        // answer time (8 s for the NX-17) lies inside it, not on top of it.
        nextRow.setRemainingTime(ScaledMs(period * 1000));
        const std::optional<TProcessRow> row = ReadProcessDataRow();
        if (row && o.Csv) Print(ProcessCsvLine(ProcessCsvCells({QDateTime::currentDateTime(), *row}, decimal)));
        else if (row) Print(ProcessLine(ShownRowCells(*row), false, separator));
        else ReadMessage(QStringLiteral("answer %1 unusable (checksum or layout); no row").arg(i + 1));
    }
    return ReadInterrupted() ? kExitInterrupted : kExitOk;
}

int RunOnDevice(const TReadOptions &o) {
    ConnectAndIdentify();
    switch (o.Command) {
    case TReadCommand::Common: return RunCommon(o);
    case TReadCommand::Archive: return RunArchive(o);
    case TReadCommand::Process: return RunProcess(o);
    case TReadCommand::None: break;
    }
    return kExitArguments;
}

bool LineOpen() { return CommObjectExists() && (CommObject().State() & csLineOpen); }

// The line that says why a run ended.
QString DescribeFailure(const std::exception &e, int code) {
    const QString what = QString::fromLocal8Bit(e.what());
    if (const auto *open = dynamic_cast<const TPortOpenFailure *>(&e))
        return open->SettingsRefused()                  ? open->Detail()
               : IsNetworkPortName(ConnectionPortName()) ? QStringLiteral("cannot connect to network port %1: %2")
                                                               .arg(ConnectionPortName(), open->Detail())
                                                         : QStringLiteral("cannot open port %1: %2").arg(ConnectionPortName(), open->Detail());
    const auto *c = dynamic_cast<const TCommClassException *>(&e);
    if (!c) return what;
    if (LinePortGone()) return PortDisconnectedText(ConnectionPortName());
    if (c->Message() == QString::number(deNetConnection))
        return QStringLiteral("network port %1: the connection was refused or dropped").arg(ConnectionPortName());
    switch (code) {
    case kExitPort:
        if (IsNetworkPortName(ConnectionPortName()))
            return QStringLiteral("cannot connect to network port %1 (refused, unreachable, or no telnet COM-PORT "
                                  "agreement)").arg(ConnectionPortName());
        return QStringLiteral("cannot open port %1 (missing, or held by another program)").arg(ConnectionPortName());
    case kExitNoAnswer:
        if (ClassifyDeviceFailure(*c) == TDeviceFailure::Other) return what;
        return QStringLiteral("no answer from the device on %1, or the connection broke (%2)").arg(ConnectionPortName(), what);
    case kExitRefused: return QStringLiteral("the device refused (answer %1)").arg(what);
    default: return what;
    }
}

void EndConnection() {
    try {
        if (CommObjectExists()) DisconnectDeviceAndModem();
    } catch (const std::exception &e) {
        ReadMessage(QString::fromLocal8Bit(e.what()));
    }
    FreeCommObject();
}

} // namespace

void ReadMessage(const QString &text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString &line : t.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        std::fprintf(stderr, "korvul-read: %s\n", EscapeControls(line).toLocal8Bit().constData());
    std::fflush(stderr);
}

bool ReadInterrupted() { return g_interrupted != 0; }

void InstallReadSignalHandlers() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

int ReadExitCodeFor(const std::exception &e, bool portOpened) {
    if (const auto *f = dynamic_cast<const TReadFailure *>(&e)) return f->Code;
    if (dynamic_cast<const TModemError *>(&e) || dynamic_cast<const TModemUnavailable *>(&e)) return kExitModem;
    if (dynamic_cast<const TArchiveFileError *>(&e)) return kExitFile;
    const auto *c = dynamic_cast<const TCommClassException *>(&e);
    if (!c) return kExitOther;
    const QString text = c->Message();
    if (text == QLatin1String(kLoadErrorText) || text == QLatin1String(kNoDriverProcText)) return kExitOther;
    switch (ClassifyDeviceFailure(*c)) {
    case TDeviceFailure::ConnectionBroken: return portOpened ? kExitNoAnswer : kExitPort;
    case TDeviceFailure::DeviceRefusal: return kExitRefused;
    case TDeviceFailure::Other: break;
    }
    return kExitNoAnswer;   // a language text of a failed write (251, 256): the device stopped answering
}

int RunReadCommand(const TReadOptions &o) {
    int code = kExitOk;
    try {
        LoadToolSettings(o);
        ApplyOverrides(o);
        if (o.Command == TReadCommand::Archive) CheckArchiveArguments();
        InstallToolHooks();
        const QString loadError = CreateCommObject();
        if (!loadError.isEmpty())
            throw TReadFailure(kExitOther, QStringLiteral("%1: the driver libraries linqor32.so and prqt__32.so "
                                                          "belong beside korvul-read").arg(loadError));
        code = RunOnDevice(o);
    } catch (const std::exception &e) {
        code = ReadExitCodeFor(e, LineOpen());
        ReadMessage(DescribeFailure(e, code));
    }
    EndConnection();
    return code;
}

} // namespace korvul
