#pragma once
// The help file at start-up: choosing it for the program's language and reporting a missing one.
#include <QString>
#include <functional>

namespace korvul {

// Chooses the help file at start from the settings' language code (ReadLanguageCode(SettingsFilePath())).
// Every missing file is reported with LanguageFormat(3000, {path}) under the caption LanguageText(50)
// and an error icon, through the message hook; an exception is reported the same way for the path
// being handled. Never throws; start-up always continues. Also installs the F1 handler on qApp.
void InitHelpFile();

// Shows an error message box (text, caption). Tests replace it so that nothing blocks on exec();
// an empty function restores the real message box.
using TErrorBoxHook = std::function<void(const QString &text, const QString &caption)>;
void SetHelpErrorBoxHook(TErrorBoxHook hook);

} // namespace korvul
