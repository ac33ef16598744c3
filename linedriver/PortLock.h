#pragma once
// UUCP lock files, the convention serial terminals share: <lock dir>/LCK..<device> holds the owner's
// process id as ten characters and a newline. A lock whose process is alive refuses the port; one
// whose process is gone is stale, ignored and removed. The lock directory is $KORVUL_LOCK_DIR when
// set and not empty, else /var/lock. Nothing here throws.
#include <string>

namespace linqor {

std::string LockDir();

// "LCK..ttyUSB0" for /dev/ttyUSB0 (and for any link to it): the device's path with every link
// followed, without "/dev/", '/' replaced by '_' ("/dev/pts/3" -> "LCK..pts_3").
std::string LockFileName(const std::string &device);

// Process id written in a lock file (text, or the old 4-byte binary form); 0 when there is none.
int ReadLockPid(const std::string &lockFile);

// True when the process exists (also when it belongs to another user).
bool ProcessAlive(int pid);

// The live owner of the device's lock other than this process, else 0. A stale lock is removed
// (where the directory allows it).
int LiveLockOwner(const std::string &device);

// The lock one open port holds. Lives in the driver's static state: no constructor work and no
// destructor; release() is called on every close.
class UucpLock {
public:
    // 0, or EBUSY when another live process holds the device's lock (its id in `owner`). Where the
    // lock directory is missing or not writable the port is used without a lock file.
    int acquire(const std::string &device, int &owner);
    void release();
    bool held() const { return held_; }

private:
    char path_[512] = {};
    bool held_ = false;
};

} // namespace linqor
