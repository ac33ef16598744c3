#include "read/BatchRun.h"

#include "read/BatchLog.h"
#include "read/BatchQueue.h"
#include "read/DeviceList.h"
#include "read/ReadOptions.h"
#include "read/ReadRun.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <map>
#include <memory>

namespace korvul {

namespace {

struct TBatchOptions {
    QString ListFile;
    int Jobs = 4;
    QString LogFile;
    int TimeoutSeconds = 0;
    TBatchDefaults Defaults;
};

QString ParseBatchOption(const QStringList &args, qsizetype &i, TBatchOptions &o) {
    const QString arg = args[i];
    if (!arg.startsWith(QLatin1Char('-'))) {
        if (!o.ListFile.isEmpty()) return QStringLiteral("batch takes one device list (\"%1\")").arg(arg);
        o.ListFile = arg;
        return {};
    }
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? arg : arg.left(eq);
    static const QStringList known{"--jobs", "--log", "--dir", "--name-template", "--settings", "--timeout"};
    if (!known.contains(name)) return QStringLiteral("unknown batch option \"%1\"").arg(name);
    if (eq < 0 && i + 1 >= args.size()) return QStringLiteral("%1 needs a value").arg(name);
    const QString value = eq >= 0 ? arg.mid(eq + 1) : args[++i];
    bool ok = true;
    if (name == QLatin1String("--jobs")) o.Jobs = value.toInt(&ok);
    else if (name == QLatin1String("--timeout")) o.TimeoutSeconds = value.toInt(&ok);
    else if (name == QLatin1String("--log")) o.LogFile = value;
    else if (name == QLatin1String("--dir")) o.Defaults.Dir = value;
    else if (name == QLatin1String("--name-template")) o.Defaults.NameTemplate = value;
    else o.Defaults.Settings = value;
    if (!ok || o.Jobs < 1 || o.Jobs > 256 || o.TimeoutSeconds < 0 || value.isEmpty())
        return QStringLiteral("%1: \"%2\" is not a usable value").arg(name, value);
    return {};
}

// One device's run of korvul-read.
struct TDeviceRun {
    std::unique_ptr<QProcess> Process;
    TDeviceResult Result;
    QDeadlineTimer Deadline;
};

class TBatchRunner {
public:
    TBatchRunner(const TBatchOptions &o, const TDeviceList &list, QFile *log)
        : options_(o), list_(list), log_(log), queue_(Keys(list), o.Jobs) {}

    // Runs every device; the results in list order.
    QList<TDeviceResult> Run() {
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, [&] { Tick(loop); });
        StartFree();
        if (!queue_.Done()) {
            tick.start();
            loop.exec();
        }
        QList<TDeviceResult> out;
        for (const auto &[index, result] : done_) out << result;
        return out;
    }

private:
    static QStringList Keys(const TDeviceList &list) {
        QStringList keys;
        for (const TDeviceEntry &e : list.Devices) keys << LineKey(e);
        return keys;
    }

    void StartFree() {
        while (!ReadInterrupted()) {
            const std::optional<int> next = queue_.StartNext();
            if (!next) return;
            Start(*next);
        }
    }

    void Start(int index) {
        const TDeviceEntry &e = list_.Devices[index];
        TDeviceRun &run = running_[index];
        run.Result.Device = e.Name;
        run.Result.Line = e.Line;
        run.Result.Port = e.Port;
        run.Result.Start = QDateTime::currentDateTime();
        run.Deadline = options_.TimeoutSeconds > 0 ? QDeadlineTimer(qint64(options_.TimeoutSeconds) * 1000)
                                                   : QDeadlineTimer(QDeadlineTimer::Forever);
        run.Process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (e.AccessCode) env.insert(QString::fromLatin1(kAccessCodeVariable), *e.AccessCode);
        run.Process->setProcessEnvironment(env);
        QObject::connect(run.Process.get(), &QProcess::finished, [this, index](int, QProcess::ExitStatus) {
            finished_ << index;
        });
        QObject::connect(run.Process.get(), &QProcess::errorOccurred, [this, index](QProcess::ProcessError err) {
            if (err == QProcess::FailedToStart) finished_ << index;
        });
        run.Process->start(QCoreApplication::applicationFilePath(), e.Arguments);
    }

    void Tick(QEventLoop &loop) {
        if (ReadInterrupted() && !interrupted_) Interrupt();
        for (auto &[index, run] : running_)
            if (run.Deadline.hasExpired() && run.Process->state() != QProcess::NotRunning) run.Process->kill();
        const QList<int> ended = finished_;
        finished_.clear();
        for (int index : ended) End(index);
        StartFree();
        if (queue_.Done()) loop.quit();
    }

    void Interrupt() {
        interrupted_ = true;
        for (int index : queue_.Cancel()) {
            TDeviceResult r;
            r.Device = list_.Devices[index].Name;
            r.Line = list_.Devices[index].Line;
            r.Port = list_.Devices[index].Port;
            r.Start = r.End = QDateTime::currentDateTime();
            r.Result = kExitInterrupted;
            r.Message = QStringLiteral("not read: the batch was stopped");
            Record(index, r);
        }
        for (auto &[index, run] : running_) run.Process->terminate();
    }

    void End(int index) {
        auto it = running_.find(index);
        if (it == running_.end()) return;
        TDeviceRun &run = it->second;
        QProcess &p = *run.Process;
        TDeviceResult r = run.Result;
        r.End = QDateTime::currentDateTime();
        const QByteArray err = p.readAllStandardError();
        if (p.error() == QProcess::FailedToStart) {
            r.Result = kExitOther;
            r.Message = QStringLiteral("cannot start %1: %2").arg(p.program(), p.errorString());
        } else if (p.exitStatus() != QProcess::NormalExit) {
            r.Result = interrupted_ ? kExitInterrupted : kExitOther;
            r.Message = run.Deadline.hasExpired() ? QStringLiteral("stopped after %1 s (--timeout)").arg(options_.TimeoutSeconds)
                                                  : QStringLiteral("the run ended abnormally (%1)").arg(p.errorString());
        } else {
            r.Result = p.exitCode();
            r.Message = RunMessage(r.Result, err);
        }
        CollectFiles(QString::fromUtf8(p.readAllStandardOutput()), r);
        running_.erase(it);
        queue_.Finished(index);
        Record(index, r);
    }

    // An archive run prints the paths of the files it wrote, one a line.
    static void CollectFiles(const QString &out, TDeviceResult &r) {
        for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.startsWith(QLatin1Char('/')) || !QFileInfo(line).isFile()) continue;
            r.Files << line;
            QFile f(line);
            if (f.open(QIODevice::ReadOnly)) r.Records += ArchiveRecordCount(f.readAll());
        }
    }

    void Record(int index, const TDeviceResult &r) {
        done_[index] = r;
        if (log_) {
            log_->write(DeviceLogLine(r));
            log_->flush();
        }
    }

    const TBatchOptions &options_;
    const TDeviceList &list_;
    QFile *log_;
    TBatchQueue queue_;
    std::map<int, TDeviceRun> running_;
    std::map<int, TDeviceResult> done_;
    QList<int> finished_;
    bool interrupted_ = false;
};

int Fail(const QString &text) {
    ReadMessage(text);
    return kExitArguments;
}

TDeviceResult SkippedResult(const TListProblem &p) {
    TDeviceResult r;
    r.Event = QStringLiteral("skipped");
    r.Device = p.Device;
    r.Line = p.Line;
    r.Start = r.End = QDateTime::currentDateTime();
    r.Result = kExitArguments;
    r.Message = p.Text;
    return r;
}

TBatchTotals Totals(const QString &list, const QDateTime &start, const QList<TDeviceResult> &results, bool interrupted) {
    TBatchTotals t{list, start, QDateTime::currentDateTime()};
    for (const TDeviceResult &r : results) {
        if (r.Event == QLatin1String("skipped")) ++t.Skipped;
        else (r.Result == 0 ? t.Succeeded : t.Failed) += 1;
    }
    t.Devices = int(results.size());
    t.Result = interrupted ? kExitInterrupted : (t.Failed + t.Skipped > 0 ? kExitBatch : kExitOk);
    return t;
}

} // namespace

int RunBatch(const QStringList &args) {
    TBatchOptions o;
    for (qsizetype i = 0; i < args.size(); ++i)
        if (const QString error = ParseBatchOption(args, i, o); !error.isEmpty()) return Fail(error);
    if (o.ListFile.isEmpty()) return Fail(QStringLiteral("batch needs a device list file"));
    QFile listFile(o.ListFile);
    if (!listFile.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("device list %1 cannot be read (%2)").arg(o.ListFile, listFile.errorString()));
    const TDeviceList list = ParseDeviceList(QString::fromUtf8(listFile.readAll()), o.Defaults);
    QFile log(o.LogFile);
    if (!o.LogFile.isEmpty() && !log.open(QIODevice::WriteOnly | QIODevice::Append))
        return Fail(QStringLiteral("run log %1 cannot be written (%2)").arg(o.LogFile, log.errorString()));
    const QDateTime start = QDateTime::currentDateTime();
    QList<TDeviceResult> results;
    for (const TListProblem &p : list.Problems) {
        ReadMessage(QStringLiteral("%1: %2; entry skipped").arg(o.ListFile, p.Text));
        results << SkippedResult(p);
        if (log.isOpen()) log.write(DeviceLogLine(results.last()));
    }
    TBatchRunner runner(o, list, log.isOpen() ? &log : nullptr);
    results += runner.Run();
    const TBatchTotals totals = Totals(o.ListFile, start, results, ReadInterrupted());
    if (log.isOpen()) {
        log.write(BatchLogLine(totals));
        log.close();
    }
    const QByteArray summary = BatchSummary(results, totals).toUtf8();
    std::fwrite(summary.constData(), 1, size_t(summary.size()), stdout);
    std::fflush(stdout);
    return totals.Result;
}

} // namespace korvul
