#include "DevsimProcess.h"

#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace korvultest {

namespace {
// Asks devsim's clock-test question "!}" on the terminal behind `link` and waits for its "}". Any
// device type answers it at once and no state changes. Devsim has then read the terminal and served it
// once; before that a freshly started simulator on a loaded machine still owes the scheduler the CPU
// its start-up took, and its first answer could come later than a test's line time-out (100 ms).
bool AnswersClockQuestion(const QString &link, std::chrono::milliseconds deadline) {
    const int fd = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    bool answered = write(fd, "!}", 2) == 2;
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (answered) {
        char c = 0;
        if (read(fd, &c, 1) == 1 && c == '}') break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) < 0) answered = false;
    }
    close(fd);
    return answered;
}

// Asked only where it is no more than line noise: not through a modem (its command buffer would keep
// the bytes), not when every n-th byte sent is damaged (the answer would shift that count), and not to
// a CLM-300 module (60xx: its menu takes the bytes as keys) or an NX-17S (95xx: they would start its
// next command line).
bool MayAskClockQuestion(const QStringList &args) {
    const qsizetype type = args.indexOf("--type");
    const QString ident = type >= 0 && type + 1 < args.size() ? args[type + 1] : QString();
    return !args.contains("--modem") && !args.contains("--corrupt-every") && !args.contains("--tty") &&
           !ident.startsWith("60") && !ident.startsWith("95");
}
} // namespace

DevsimProcess::~DevsimProcess() { Stop(); }

bool DevsimProcess::Start(const QStringList &args, const QString &linkPath, double timeScale,
                          std::chrono::milliseconds deadline) {
    Stop();
    link_ = linkPath;
    const std::string exe = (BinDir() + "/devsim").toStdString();
    std::vector<std::string> argStore{exe};
    for (const QString &a : args) argStore.push_back(a.toStdString());
    argStore.push_back("--exit-with-parent");  // a test that crashes leaves no simulator behind
    argStore.push_back("--port-link");
    argStore.push_back(linkPath.toStdString());
    std::vector<char *> argv;
    for (auto &a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char **e = environ; *e; ++e)
        if (std::string(*e).rfind("KORVUL_TIME_SCALE=", 0) != 0) envStore.emplace_back(*e);
    if (timeScale > 0) envStore.push_back("KORVUL_TIME_SCALE=" + std::to_string(timeScale));
    std::vector<char *> envp;
    for (auto &e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    if (posix_spawn(&pid_, exe.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        pid_ = -1;
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool up = WaitUntil([&] { return !Running() || QFileInfo(QFileInfo(linkPath).canonicalFilePath()).exists(); },
                              deadline);
    const auto left = deadline - std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (up && Running() && QFileInfo::exists(linkPath) &&
        (!MayAskClockQuestion(args) || AnswersClockQuestion(linkPath, left)))
        return true;
    Stop();
    return false;
}

bool DevsimProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int DevsimProcess::Stop(std::chrono::milliseconds deadline) {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = -1;
    const pid_t pid = pid_;
    bool reaped = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, deadline);
    if (!reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid_ = -1;
    return status;
}

} // namespace korvultest
