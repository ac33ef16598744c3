#pragma once
// How the desktop knows the program: its desktop entry name (the window manager matches windows to the
// entry, its name and icon by it) and the window icon, drawn from the same scalable icon that the
// installed icon theme carries.
#include <QIcon>
#include <QString>

namespace korvul {

// Base name of the installed desktop entry and icon ("<id>.desktop", "<id>.svg").
QString DesktopId();

// The program icon at the sizes window managers and task bars ask for, drawn from the embedded SVG.
// Null when the resource is missing or cannot be drawn.
QIcon ProgramIcon();

// Sets the desktop entry name and the window icon of every window. Call once the application exists.
void ApplyDesktopIdentity();

} // namespace korvul
