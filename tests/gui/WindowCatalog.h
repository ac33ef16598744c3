#pragma once
// Every window class of the program, made the way its code opens it, for checks that must hold for all
// of them (titles, names a screen reader says, the tab chain). A window that the program shows only
// embedded in another (the data sheet page of the QT-700/M dialog) is not one of them.
//
// The caller provides what the windows need around them: a loaded language module, a temporary
// XDG_CONFIG_HOME, and message hooks that do not wait for a click. The module window and the module
// terminal need ModuleAccess and a communication object; Make sets both up and the window's owner
// puts them back with Restore.
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace korvultest {

struct TWindowEntry {
    const char *Name;
    std::function<std::unique_ptr<QWidget>()> Make;
};

const QList<TWindowEntry> &AllWindows();

// What every walk over the windows needs first: the language module korvul<code>.lng, the locale
// formats of the tests, and message hooks that answer at once. False when the module cannot be loaded.
bool PrepareWindowWalk(const QString &languageCode);

// Makes the entry's window; a window that cannot be made is a test failure naming it (nullptr).
std::unique_ptr<QWidget> MakeWindow(const TWindowEntry &entry);

// Undoes the program-wide state that making a window changed (ModuleAccess, the test comm object,
// the poll item).
void RestoreAfterWindows();

} // namespace korvultest
