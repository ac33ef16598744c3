#pragma once
// Printing a window as a picture, on the program's one current printer.
class QPrinter;
class QWidget;

namespace korvul {

// The printer chosen by the printer setup and used by every print operation; created on first use.
QPrinter &CurrentPrinter();

// Prints an image of the widget on one page, at its on-screen size converted to the printer's
// resolution and shrunk to fit the printable area when larger. False when the printer cannot be
// opened for painting (nothing printed).
bool PrintWidgetImage(QWidget *widget, QPrinter &printer);

} // namespace korvul
