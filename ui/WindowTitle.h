#pragma once
// Window titles that can be read in full. The window manager draws a title in its title bar font next
// to the window's icon and its buttons; a window narrower than that cuts the title short ("S...").
// The program therefore gives every window a minimum width that holds its title (never more than
// the screen is wide), when it is shown and whenever its title changes.
#include <QFont>
#include <QString>

class QApplication;
class QWidget;

namespace korvul {

// Room the title bar takes besides the title: window icon, minimise, maximise and close buttons, and
// the margins between them (device-independent pixels).
inline constexpr int kTitleBarChromeWidth = 120;

// The title bar font as far as Qt knows it (the platform theme's, else the application font), bold as
// most window managers draw it.
QFont TitleBarFont();
// The width a window needs so that the title bar shows the title in full.
int TitleFitWidth(const QString &title);

// Widens the window's minimum to TitleFitWidth, limited to the width of its screen. A window laid
// out by a vertical box layout (every dialog of the program, fixed-size ones too) gets the width as a
// strut of that layout, so that the layout keeps it; others get it as their minimum width.
void FitWidthToTitle(QWidget *window);

// Installs (once) an application-wide filter that applies FitWidthToTitle to every window and dialog
// when it is shown and when its title changes while it is visible.
void InstallWindowTitleFit(QApplication &app);

} // namespace korvul
