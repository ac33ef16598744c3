#pragma once
// "korvul-read batch FILE": reads every device of a device list, each in a run of korvul-read of its
// own (the communication layer is one global state per process), devices on different lines in
// parallel. Options: --jobs N (default 4), --log FILE (JSON lines appended), --dir, --name-template,
// --settings (for entries that do not set their own), --timeout S (a device's run is stopped after S
// seconds; default none).
#include <QStringList>

namespace korvul {

// args: the arguments after "batch". Returns 0 when every device was read, kExitBatch when a device
// failed or an entry was skipped, kExitArguments for bad arguments or an unreadable list,
// kExitInterrupted after SIGINT/SIGTERM (running devices are stopped, waiting ones not started).
int RunBatch(const QStringList &args);

} // namespace korvul
