#pragma once
// Why a port could not be opened, worked out from the device path and the errno the open gave:
// the device's group when permission is missing, the program holding it when it is in use. Plain
// C++ and libc; reads only /proc, the lock directory and the group database. Never throws.
#include <string>
#include <vector>

namespace linqor {

enum class OpenCause {
    NoName,        // the port name names no device (ResolvePortName gave "")
    NoDevice,      // ENOENT, ENXIO, ENODEV: nothing at that path, or the adapter is gone
    NoPermission,  // EACCES, EPERM
    InUse,         // EBUSY, EWOULDBLOCK: another program holds it (flock, TIOCEXCL or a lock file)
    NotTerminal,   // ENOTTY: the path is no serial port
    Other          // any other errno
};

struct PortHolder {
    int pid = 0;
    std::string program;  // /proc/<pid>/comm, "" when not readable
};

struct OpenDiagnosis {
    OpenCause cause = OpenCause::Other;
    std::string device;   // the path the driver opened (a link as it stands)
    std::string group;    // NoPermission: the group the device belongs to (e.g. "dialout"), else ""
    bool groupMayUse = false;  // NoPermission: that group may read and write it (joining helps)
    std::string owner;    // NoPermission: the device's owner
    PortHolder holder;    // InUse: the lock file's owner, else the first other process with the
                          // device open; pid 0 when /proc does not show it (another user's process)
    int err = 0;
};

// The processes other than this one that have `device` (any link to it) open, found through
// /proc/<pid>/fd. Processes of other users are not visible to an unprivileged caller.
std::vector<PortHolder> PortHolders(const std::string &device);

// The short program name of a process ("" when it cannot be read).
std::string ProcessName(int pid);

// The holder as a lock file names it, else as /proc shows it; pid 0 when neither knows.
PortHolder FindHolder(const std::string &device);

OpenDiagnosis DiagnoseOpenFailure(const std::string &device, int err);

} // namespace linqor
