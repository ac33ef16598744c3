#include "app/SignalBridge.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace korvul {

namespace {

// Both ends non-blocking: a full pipe drops the byte rather than blocking the handler (one pending
// byte is enough to start the close), and the reader empties it without waiting.
int g_pipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

bool OpenPipe() {
    if (g_pipe[0] >= 0) return true;
    return pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

bool InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls: a driver's read or poll in progress goes on as if nothing had happened.
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        if (sigaction(signal, &action, nullptr) != 0) return false;
    return true;
}

} // namespace

TSignalBridge::TSignalBridge(TReceiver receiver, QObject *parent) : QObject(parent), receiver_(std::move(receiver)) {
    if (!OpenPipe() || !InstallHandlers()) {
        std::fprintf(stderr, "korvul: signal handlers not installed: %s\n", std::strerror(errno));
        return;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TSignalBridge::ReadPipe);
}

TSignalBridge::~TSignalBridge() = default;

void TSignalBridge::ReadPipe() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = read(g_pipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            if (receiver_) receiver_(bytes[i]);
}

} // namespace korvul
