// Why an open fails and how a session ends when the port goes away: the stage and errno dpOpen
// reports, the text the user reads for each cause, UUCP lock files of other programs, and a
// pseudo-terminal whose other end closes during a read.
#include "pty/PtyLineFixture.h"
#include "support/TestSupport.h"

#include "base/LangSupp.h"
#include "comm/PortFailure.h"
#include "linedriver/OpenCause.h"
#include "linedriver/PortLock.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <sys/stat.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace linqortest;
using namespace std::chrono_literals;

namespace {

// A child process that runs `work` (its result goes back through a pipe), or that holds something
// until the test ends (`hold`: the child waits for the pipe to close).
class Child {
public:
    explicit Child(const std::function<int()> &work, bool hold = false) {
        if (pipe(toParent_) != 0 || pipe(toChild_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            ::close(toParent_[0]);
            ::close(toChild_[1]);
            const int result = work();
            (void)!::write(toParent_[1], &result, sizeof result);
            char c;
            if (hold) (void)!::read(toChild_[0], &c, 1);  // until the parent closes its end
            _exit(0);
        }
        ::close(toParent_[1]);
        ::close(toChild_[0]);
    }
    ~Child() { finish(); }
    pid_t pid() const { return pid_; }
    // The child's result; -1000 when it died first.
    int result() {
        int value = -1000;
        return ::read(toParent_[0], &value, sizeof value) == sizeof value ? value : -1000;
    }
    void finish() {
        if (pid_ <= 0) return;
        ::close(toChild_[1]);
        ::close(toParent_[0]);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
};

class LineDriverCause : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.loaded());
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        qputenv("KORVUL_LOCK_DIR", locks.path().toLocal8Bit());
    }
    void TearDown() override {
        qunsetenv("KORVUL_LOCK_DIR");
        korvul::UnloadLanguageModule();
    }
    // dpReset and dpOpen; stage and err as the failed open reports them.
    int32_t open(const std::string &settings, int32_t &stage, int32_t &err) {
        lib.call(dpReset);
        std::string text = peer.path() + ":" + settings;
        stage = err = -99;
        return lib.call(dpOpen, text.data(), &stage, &err);
    }
    std::string lockFile() const {
        return locks.path().toStdString() + "/" + linqor::LockFileName(peer.path());
    }
    void writeLock(pid_t pid) const {
        QFile f(QString::fromStdString(lockFile()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::number(pid).rightJustified(10, ' ') + "\n");
    }
    QString failureText(int32_t result, int32_t stage, int32_t err) const {
        return korvul::PortOpenFailureText(QString::fromStdString(peer.path()), "9600,N,8,1", result, stage, err);
    }

    korvultest::TempConfigHome config;
    QTemporaryDir locks;
    PtyPeer peer;
    LineLibrary lib;
};

struct RefusedRow {
    const char *settings;
    int32_t stage;
};

TEST_F(LineDriverCause, ARefusedInitNamesItsFieldAsASettingsError) {
    const RefusedRow rows[] = {
        {"12345,N,8,1", osSpeed},     {"9600,x,8,1", osParity},   {"9600,N,9,1", osDataBits},
        {"9600,N,8,4", osStopBits},   {"9600,N,8,2", osStopBits}, {"9600,N,8,1,TOabc", osTimeout},
    };
    for (const RefusedRow &row : rows) {
        int32_t stage = 0, err = 0;
        EXPECT_EQ(open(row.settings, stage, err), EINVAL) << row.settings;
        EXPECT_EQ(stage, row.stage) << row.settings;
        EXPECT_EQ(err, EINVAL) << row.settings;
    }
    int32_t stage = 0, err = 0;
    ASSERT_EQ(open("9600,x,8,1", stage, err), EINVAL);
    const QString text = korvul::PortOpenFailureText(QString::fromStdString(peer.path()), "9600,x,8,1", EINVAL, stage, err);
    EXPECT_TRUE(text.contains("line settings are wrong, not the port")) << text.toStdString();
    EXPECT_TRUE(text.contains("field 2 of INIT (parity) \"x\"")) << text.toStdString();
}

TEST_F(LineDriverCause, AMissingDeviceIsNoSuchDevice) {
    lib.call(dpReset);
    char text[] = "/nonexistent/ttyUSB9:9600,N,8,1";
    int32_t stage = -1, err = -1;
    EXPECT_EQ(lib.call(dpOpen, text, &stage, &err), deOpenFailed);
    EXPECT_EQ(stage, osPort);
    EXPECT_EQ(err, ENOENT);
    const QString shown = korvul::PortOpenFailureText("/nonexistent/ttyUSB9", "9600,N,8,1", deOpenFailed, stage, err);
    EXPECT_TRUE(shown.contains("Port /nonexistent/ttyUSB9 cannot be opened: there is no such device. Is the adapter plugged in?"))
        << shown.toStdString();
}

TEST_F(LineDriverCause, APortAnotherProcessLocksNamesThatProcess) {
    const std::string path = peer.path();
    Child holder(
        [&] {
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
        },
        true);
    ASSERT_EQ(holder.result(), 0);
    int32_t stage = 0, err = 0;
    EXPECT_EQ(open("9600,N,8,1", stage, err), deOpenFailed);
    EXPECT_EQ(stage, osPort);
    EXPECT_EQ(err, EWOULDBLOCK);
    const linqor::OpenDiagnosis d = linqor::DiagnoseOpenFailure(path, err);
    EXPECT_EQ(d.cause, linqor::OpenCause::InUse);
    EXPECT_EQ(d.holder.pid, holder.pid());
    EXPECT_EQ(d.holder.program, linqor::ProcessName(getpid()));  // a fork has the same name
    const QString text = failureText(deOpenFailed, stage, err);
    EXPECT_TRUE(text.contains(QStringLiteral("Port %1 is in use by another program").arg(QString::fromStdString(path))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("(process %1)").arg(holder.pid()))) << text.toStdString();
}

struct PermissionRow {
    mode_t mode;
    const char *fix;  // %1 group, %2 owner
};

TEST_F(LineDriverCause, APortTheUserMayNotOpenNamesTheGroupOrTheOwnerAndTheFix) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to open the port as another user (nobody) and to change its mode";
    const std::string path = peer.path();
    const PermissionRow rows[] = {
        {0660, "no permission. The device belongs to the group %1; add your user to that group"},
        {0600, "no permission. Only its owner %2 may open it"},
    };
    for (const PermissionRow &row : rows) {
        ASSERT_EQ(chmod(path.c_str(), row.mode), 0);
        // Root bypasses permissions: the open runs in a child that has become "nobody".
        Child child([&] {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return -1;
            lib.call(dpReset);
            std::string text = path + ":9600,N,8,1";
            int32_t stage = 0, err = 0;
            const int32_t r = lib.call(dpOpen, text.data(), &stage, &err);
            return r == deOpenFailed && stage == osPort ? err : -2;
        });
        const int err = child.result();
        ASSERT_EQ(err, EACCES);
        const linqor::OpenDiagnosis d = linqor::DiagnoseOpenFailure(path, err);
        EXPECT_EQ(d.cause, linqor::OpenCause::NoPermission);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        const group *g = getgrgid(st.st_gid);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(d.group, g->gr_name);
        const QString text = failureText(deOpenFailed, osPort, err);
        EXPECT_TRUE(text.contains(QString(row.fix).arg(g->gr_name, "root"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString(path))) << text.toStdString();
    }
}

TEST_F(LineDriverCause, ALiveLockFileOfAnotherProgramRefusesTheOpenNamingItsOwner) {
    Child owner([] { return 0; }, true);
    ASSERT_EQ(owner.result(), 0);
    writeLock(owner.pid());
    int32_t stage = 0, err = 0;
    EXPECT_EQ(open("9600,N,8,1", stage, err), deOpenFailed);
    EXPECT_EQ(err, EBUSY);
    EXPECT_EQ(linqor::DiagnoseOpenFailure(peer.path(), err).holder.pid, owner.pid());
    EXPECT_TRUE(failureText(deOpenFailed, stage, err).contains(QStringLiteral("(process %1)").arg(owner.pid())));
    EXPECT_EQ(linqor::ReadLockPid(lockFile()), owner.pid()) << "another program's lock stays";
}

TEST_F(LineDriverCause, AStaleLockFileIsReplacedByOursWhileOpenAndRemovedOnCloseAndUnload) {
    pid_t dead = 0;
    {
        Child gone([] { return 0; });
        gone.result();
        dead = gone.pid();
    }  // reaped: nothing runs under that id now
    writeLock(dead);
    int32_t stage = 0, err = 0;
    ASSERT_EQ(open("9600,N,8,1", stage, err), 0);
    EXPECT_EQ(linqor::ReadLockPid(lockFile()), getpid());
    lib.call(dpClose);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(lockFile())));
    ASSERT_EQ(open("9600,N,8,1", stage, err), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(lockFile())));
    lib.unload();  // the library's unload closes the port on the way out
    EXPECT_FALSE(QFile::exists(QString::fromStdString(lockFile())));
}

TEST_F(LineDriverCause, APseudoTerminalClosedMidReadEndsTheReadAtOnceAndTheLineSaysThePortIsGone) {
    int32_t stage = 0, err = 0;
    ASSERT_EQ(open("9600,N,8,1,TO5000", stage, err), 0);
    std::atomic<bool> started{false};
    std::atomic<int64_t> endedNs{0};
    int32_t result = 0;
    std::thread reader([&] {
        Bytes out;
        int32_t got = 0;
        started = true;
        result = lib.read(10, out, got);
        endedNs = std::chrono::steady_clock::now().time_since_epoch().count();
    });
    ASSERT_TRUE(korvultest::WaitUntil([&] { return started.load(); }, 5000ms));
    const auto closed = std::chrono::steady_clock::now();
    peer.closeMaster();
    reader.join();
    const auto took = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(endedNs.load())) - closed;
    EXPECT_EQ(result, EIO);
    EXPECT_LT(took, 100ms) << "the read waited for its time-out";
    int32_t state = 0, errors = 0;
    lib.call(dpStatus, nullptr, &state, &errors);
    EXPECT_TRUE(state & lsPortGone);
    EXPECT_TRUE(korvul::PortDisconnectedText(QString::fromStdString(peer.path())).contains("The adapter was disconnected"));
}

} // namespace
