#pragma once
// The readout windows as the main window opens them (app/Wiring.cpp hands them to its hooks): the
// readout reads the channel of the selected tab and shows each channel's common data in the main window.
class QWidget;

namespace korvul {

struct TProcessDataHeader;

void ReadArchiveFrom(QWidget *parent);
void ReadProcessDataFrom(QWidget *parent, const TProcessDataHeader &header);
void MemoryDumpFrom(QWidget *parent);

} // namespace korvul
