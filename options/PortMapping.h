#pragma once
// Stable COMn numbers for serial adapters: choosing an adapter points the link <config>/ports/COMn
// at its /dev/serial/by-id/ name, so the same adapter is the same COMn after replugging or a
// reboot, whatever ttyUSBn the kernel gives it.
#include "options/OptionRules.h"

#include <QString>
#include <vector>

namespace korvul {

// The n of the COMn (1..9) whose ports-folder link leads to the same device as `path` (every link
// followed on both sides); 0 when none does.
int ComLinkedTo(const QString &path);

// The link target a chosen port gets: its by-id name when it has one, else its device path.
QString StableTarget(const TListedPort &port);

// Gives `target` a COMn: the COMn that already leads to the same device keeps its number (its link
// is rewritten to `target`), else the lowest n in 1..9 that neither a ports-folder entry nor a
// listed port uses. The ports folder is created when missing; the link is replaced atomically
// (a new link renamed over the old). Returns n, or 0 with the reason in `error`.
int MapPortToCom(const QString &target, const std::vector<TListedPort> &listed, QString *error);

} // namespace korvul
