#pragma once
// Runs the device simulator as a child process for a test: starts build/bin/devsim with the given
// arguments and a port link, waits (with a deadline) until the link exists and devsim answers on it, and
// stops it with SIGTERM.
#include <QString>
#include <QStringList>
#include <chrono>
#include <sys/types.h>

namespace korvultest {

class DevsimProcess {
public:
    DevsimProcess() = default;
    ~DevsimProcess();
    DevsimProcess(const DevsimProcess &) = delete;
    DevsimProcess &operator=(const DevsimProcess &) = delete;

    // Starts devsim with `args` plus "--port-link linkPath"; `timeScale` > 0 sets KORVUL_TIME_SCALE for
    // the child only. True once the link points at an existing terminal and devsim has answered a
    // clock-test question "!}" on it (not asked where the bytes would
    // matter: a modem, --corrupt-every, a module or an NX-17S), so its first answer to
    // the test is not held up by the rest of its start-up; false (child stopped) when that did not
    // happen before the deadline or devsim ended early.
    bool Start(const QStringList &args, const QString &linkPath, double timeScale = 0,
               std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));
    // SIGTERM, then waits for the exit (SIGKILL after the deadline). Returns the exit status
    // (as waitpid reports it), or -1 when nothing was running.
    int Stop(std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));
    bool Running();
    pid_t Pid() const { return pid_; }
    const QString &Link() const { return link_; }

private:
    pid_t pid_ = -1;
    QString link_;
};

} // namespace korvultest
