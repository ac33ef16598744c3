#pragma once
// Running korvul-read's commands against the device: settings, language module and drivers as korvul
// loads them, the connection and identification as the main window makes them, and the readouts through
// the same core routines as the windows. Messages that the windows show in boxes are lines on standard
// error here; data go to standard output.
#include "read/ReadOptions.h"

#include <exception>

namespace korvul {

// Runs the command of o (Help and Version are the caller's); returns the exit code.
int RunReadCommand(const TReadOptions &o);

// The exit code for an exception that ended a run. portOpened: the line was open when it was raised
// (a broken connection before the port opened means the port could not be opened).
int ReadExitCodeFor(const std::exception &e, bool portOpened);

// Writes a message to standard error, each of its lines prefixed with "korvul-read: ".
void ReadMessage(const QString &text);

// Set from SIGINT/SIGTERM: the archive readout stops before saving the current channel.
bool ReadInterrupted();
void InstallReadSignalHandlers();

} // namespace korvul
