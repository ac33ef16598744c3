#pragma once
// Hands the readout windows to the main window: fills the ReadArchive, ReadProcessData and MemoryDump
// hooks of MainDialogs(). Called once at start-up, before the main window runs.
namespace korvul {
void InstallReadoutDialogs();
} // namespace korvul
