#pragma once
// The program's own version, compiled in from the build's four-part project version ("2.1.3.7").
#include <QString>

namespace korvul {

// The compiled-in file version, "a.b.c.d"; empty when the build defines none.
QString ProgramFileVersion();

// The version as the About box shows it after its prefix text: "a.bc" from "a.b.c.d"
// ("2.1.3.7" gives "2.13"). Parts that are missing stay empty ("2.1" gives "2.1", "7" gives "7.").
// An empty version means that there is no version entry: it reads "<none>", giving "<none>.".
QString VersionToAboutText(const QString &fileVersion);

} // namespace korvul
