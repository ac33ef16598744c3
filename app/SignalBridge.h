#pragma once
// SIGTERM, SIGINT and SIGHUP turned into calls on the event loop. The handler does the only thing a
// signal handler may do safely here: it writes the signal's number as one byte into a pipe. A socket
// notifier reads the pipe on the user-interface thread and hands each signal to the receiver, which
// can then end the program through its normal path (sign-off, modem hang-up, files closed).
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace korvul {

class TSignalBridge : public QObject {
public:
    using TReceiver = std::function<void(int signal)>;

    // Installs the handlers for SIGTERM, SIGINT and SIGHUP. The pipe and the handlers stay for the rest
    // of the process: a signal that comes after the bridge is gone (while the program tears down) is
    // swallowed instead of killing a sign-off half-way.
    explicit TSignalBridge(TReceiver receiver, QObject *parent = nullptr);
    ~TSignalBridge() override;
    TSignalBridge(const TSignalBridge &) = delete;
    TSignalBridge &operator=(const TSignalBridge &) = delete;

    // False when the pipe or a handler could not be set up (the signals then keep their default action).
    bool Installed() const { return notifier_ != nullptr; }

private:
    void ReadPipe();

    TReceiver receiver_;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace korvul
