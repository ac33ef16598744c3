#include "DevsimProcess.h"

#include "TestSupport.h"

#include <QFileInfo>
#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace korvultest {

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
    const bool up = WaitUntil([&] { return !Running() || QFileInfo(QFileInfo(linkPath).canonicalFilePath()).exists(); },
                              deadline);
    if (up && Running() && QFileInfo::exists(linkPath)) return true;
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
