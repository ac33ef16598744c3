#pragma once
// The clock and maintenance actions of the main window: set date and time, delete measurements and
// the new device access code (app/Wiring.cpp hands them to the main window's hooks).
class QWidget;

namespace korvul {

// Asks text 1446 and, on Yes, writes the access code (item 99, 8 bytes, zero-padded), register address
// "8801" (item 61) and "01" (item 62). Success shows 1447; refusal 4 (locked) shows 1449, another
// refusal 1448; "ERROR" or a negative result disconnects without a message.
void DeleteMeasurements(QWidget *parent);

} // namespace korvul
