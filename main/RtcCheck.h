#pragma once
// The RTC test of the main window: the device runs its clock test while the operator measures the
// period, then the measured period gives the clock correction (item "B"), read back as item "A".
class QWidget;

namespace korvul {

// Runs the whole test modally on `mainWindow` (nothing while OperationActive is set). Failures are
// reported here: a broken connection ("ERROR" or a negative result) shows 2207 and disconnects, a
// refusal shows 2210. The poll is back on (Options 26) afterwards.
void RunRtcTest(QWidget *mainWindow);

} // namespace korvul
