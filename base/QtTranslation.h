#pragma once
// Qt's own texts (the standard buttons of message boxes, file, print and page set-up dialogs, the
// context menu of edit fields) in the program's language. They come from Qt's catalogue
// "qtbase_<language>.qm" in QLibraryInfo::path(QLibraryInfo::TranslationsPath); on Debian the package
// qt6-translations-l10n installs it. Without it Qt's texts stay English, which is no reason to stop.
#include <QString>

namespace korvul {

// Where the catalogue for a language code of the settings lies ("DE" or "de"; empty means "DE").
QString QtTranslationFile(const QString &languageCode);

// Installs the catalogue for the language on the application (QCoreApplication), replacing the one an
// earlier call installed. Returns an empty text when it is installed, or when none is needed (English,
// Qt's own language); otherwise a message naming the missing file and the package that brings it.
QString InstallQtTranslation(const QString &languageCode);

} // namespace korvul
