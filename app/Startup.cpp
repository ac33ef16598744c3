#include "app/Startup.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Paths.h"
#include "ui/PlainText.h"
#include "base/QtTranslation.h"
#include "base/Settings.h"
#include "base/Version.h"
#include "app/SignalBridge.h"
#include "app/Wiring.h"
#include "ui/WindowTitle.h"
#include "comm/CommClass.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace korvul {

namespace {

bool BatchMode() { return !qEnvironmentVariableIsEmpty("KORVUL_BATCH"); }

void ShowStartupError(const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (BatchMode()) return;
    ShowPlainBox(nullptr, QMessageBox::Critical, QString::fromLatin1(kStartupErrorCaption), text);
}

// Qt's own buttons and dialogs in the language of the language module; without Qt's catalogue the
// program still runs, with those texts in English.
void TranslateQtTexts() {
    const QString note = InstallQtTranslation(ReadLanguageCode(SettingsFilePath()));
    if (!note.isEmpty()) std::fprintf(stderr, "korvul: %s\n", note.toLocal8Bit().constData());
}

// A termination signal ends the program as Exit does. One that comes during start-up, before the main
// window exists, closes the box that waits and is handed to the window once it is there.
void CloseOnSignal() {
    if (TFormMain *window = FormMain()) return window->CloseOnSignal();
    if (QWidget *modal = QApplication::activeModalWidget()) modal->close();
    QTimer::singleShot(20, qApp, &CloseOnSignal);
}

} // namespace

void ReportUnreadableSettings() {
    const QString path = SettingsFilePath();
    const QString reason = SettingsReadError(path);
    if (reason.isEmpty()) return;
    const QString text = LanguageFormat(kTextSettingsUnreadable, {path, reason});
    std::fprintf(stderr, "korvul: %s\n", text.toLocal8Bit().constData());
    if (!BatchMode()) ShowMessageText(nullptr, text);
}

int RunProgram(QApplication &app) {
    // Exit code 0 after a signal too: the program has ended its work as through Exit, nothing was cut off.
    TSignalBridge signalBridge([](int) { CloseOnSignal(); });
    const QString error = LoadLanguageModule();
    if (!error.isEmpty()) {
        ShowStartupError(error);
        return 1;
    }
    TranslateQtTexts();
    // No application display name: the platform would append it to every window title, and the
    // narrow dialogs would then show neither their own title nor the name in full. The main window
    // carries the program's title itself (text 111).
    app.setApplicationName(QStringLiteral("korvul"));
    InstallHelpKeyHandler(app);
    InstallWindowTitleFit(app);
    // A driver that cannot be loaded now is reported again, with its text, by the first connect.
    const QString driverError = CreateCommObject();
    if (!driverError.isEmpty()) std::fprintf(stderr, "korvul: %s\n", driverError.toLocal8Bit().constData());
    ReportUnreadableSettings();
    InstallProgramDialogs();
    const int rc = RunMainWindow();
    FreeCommObject();
    UnloadLanguageModule();
    return rc;
}

} // namespace korvul
