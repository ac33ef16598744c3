#pragma once
// Starts devsim from the program directory for a benchmark: the given options plus --exit-with-parent and
// --port-link `link`. Returns its pid once the link exists (within 5 s), else -1.
#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include <spawn.h>
#include <string>
#include <unistd.h>
#include <vector>

extern char **environ;

inline pid_t SpawnDevsim(const QString &link, std::vector<std::string> options) {
    const std::string exe = (QCoreApplication::applicationDirPath() + "/devsim").toStdString();
    std::vector<std::string> args{exe};
    args.insert(args.end(), options.begin(), options.end());
    for (const char *a : {"--exit-with-parent", "--port-link"}) args.emplace_back(a);
    args.push_back(link.toStdString());
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    for (int i = 0; i < 500 && !QFileInfo::exists(link); ++i) usleep(10000);
    return QFileInfo::exists(link) ? pid : -1;
}
