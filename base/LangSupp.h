#pragma once
// The language module: every text the user reads comes by number from korvul<CODE>.lng in the program
// directory (UTF-8 lines "number=text", escapes \n \t \\, "#" comments). Numbers are 16-bit and wrap.
#include <QHash>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace korvul {

// The program's base name: the file name up to its first ".", at most 6 characters
// ("korvul" for korvul, "abcdef" for abcdefgh.exe, "a" for a.b.exe).
QString ProgramBaseName(const QString &programFile);
// ProgramDir() + base name + code + suffix, the language code taken in any letter case ("en", "En" and
// "EN" all find korvulEN.lng): the name as written if it exists, else with the code in capitals (how
// the program's files are named), else the first directory entry equal to it ignoring case. When none
// exists, the name with the code in capitals, so that a message names the file the program ships.
QString LanguageFilePath(const QString &code, const QString &suffix);
// LanguageFilePath(code, ".lng").
QString LanguageModulePath(const QString &code);

// Parses a language module text. Malformed lines (no number, number above 65535, no "=") are skipped.
QHash<uint16_t, QString> ParseLanguageModule(const QByteArray &content);

// Loads the module chosen by the settings file's language code. Returns an empty string on success,
// otherwise the full text of the start-up error box ("korvul.exe - Initialization: ..." + path);
// the caller shows it and ends with exit code 1.
QString LoadLanguageModule();
// Loads a given file (tests). False when the file is missing, unreadable or holds no text at all.
bool LoadLanguageModuleFile(const QString &path);
void UnloadLanguageModule();
bool LanguageModuleLoaded();

// The text with this number; "str" + number when no module is loaded or the number is missing.
QString LanguageText(uint16_t number);
// Text number arithmetic wraps at 65536.
inline uint16_t TextNumber(int base, int offset) { return static_cast<uint16_t>((base + offset) & 0xFFFF); }

// Formats a text the way the language files write their formats: %s %d %u %x %f %g %n %e %%, with
// optional "-", width and ".precision" ("%-12s", "%4.2f", "%10.2n"). %n is a fixed number with thousands
// separators. A missing or unsuitable argument leaves the specifier as it stands (never crashes).
QString FormatText(const QString &format, const QVariantList &args);
// LanguageText(number) formatted with args.
QString LanguageFormat(uint16_t number, const QVariantList &args);

// The sequence of conversion letters of a format ("%s %4.2f" gives "sf"); used to check that the
// languages agree on their format arguments.
QString FormatSignature(const QString &format);

} // namespace korvul
