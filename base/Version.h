#pragma once
// The program's own version, compiled in from the build's four-part project version ("2.1.3.7").
#include <QString>

namespace korvul {

// Caption of the start-up error box shown when the language module cannot be loaded.
inline constexpr const char *kStartupErrorCaption = "korvul.exe - Initialization";
// The application title: the caption of the program's questions and notes (the main window shows it as text 111).
inline constexpr const char *kApplicationTitle = "Vendrok QT700/NX1x";

// The compiled-in file version, "a.b.c.d"; empty when the build defines none.
QString ProgramFileVersion();

// The version as the About box shows it after its prefix text: "a.bc" from "a.b.c.d"
// ("2.1.3.7" gives "2.13"). Parts that are missing stay empty ("2.1" gives "2.1", "7" gives "7.").
// An empty version means that there is no version entry: it reads "<none>", giving "<none>.".
QString VersionToAboutText(const QString &fileVersion);

} // namespace korvul
