// Choosing the help file at start: the parts that show message boxes.
#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "base/Paths.h"
#include "base/Settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace korvul {

namespace {

TErrorBoxHook &errorBoxHook() {
    static TErrorBoxHook hook;
    return hook;
}

void showErrorBox(const QString &text, const QString &caption) {
    if (errorBoxHook()) {
        errorBoxHook()(text, caption);
        return;
    }
    ShowPlainBox(nullptr, QMessageBox::Critical, caption, text);
}

// Message 3000 names the help file that is missing (or whose check failed).
void reportHelpFile(const QString &path) {
    showErrorBox(LanguageFormat(3000, {path}), LanguageText(50));
}

} // namespace

void SetHelpErrorBoxHook(TErrorBoxHook hook) { errorBoxHook() = std::move(hook); }

void InitHelpFile() {
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance())) InstallHelpKeyHandler(*app);
    SetHelpFile(QString());
    QString handled; // the path being looked at, named when something goes wrong
    try {
        const QString code = ReadLanguageCode(SettingsFilePath());
        handled = HelpFilePath(code.isEmpty() ? QStringLiteral("DE") : code);
        const auto exists = [&handled](const QString &path) {
            handled = path;
            const QFileInfo info(path);
            const bool found = info.isFile() && info.isReadable();
            if (!found) reportHelpFile(path);
            return found;
        };
        SetHelpFile(ChooseHelpFile(code, exists).file);
    } catch (...) {
        reportHelpFile(handled.isEmpty() ? HelpFilePath(QStringLiteral("DE")) : handled);
    }
}

} // namespace korvul
