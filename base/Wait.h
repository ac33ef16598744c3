#pragma once
// The program's two fixed-wait helpers. Every fixed wait of the program (after sign-on, modem guard
// times, self-closing windows) goes through them, so that tests can shrink all of them at once with the
// environment variable KORVUL_TIME_SCALE (a factor, for example 0.05; default 1).

namespace korvul {

// KORVUL_TIME_SCALE read at each call; unset, empty, not a number, negative or infinite gives 1.
double TimeScale();
// ms scaled by TimeScale(), rounded, never negative (a negative ms counts as 0).
int ScaledMs(int ms);

// Waits ScaledMs(ms) milliseconds while the event loop keeps running (windows repaint, timers fire,
// posted events arrive). Blocks in the event loop, never spins. Returns early only when the application
// is quitting. Without an application object it behaves like SleepMs.
void WaitMs(int ms);
// Waits ScaledMs(ms) milliseconds without processing any event.
void SleepMs(int ms);

} // namespace korvul
