#include "app/Startup.h"

#include "app/LangSupp.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace korvul {

namespace {

bool BatchMode() { return !qEnvironmentVariableIsEmpty("KORVUL_BATCH"); }

void ShowStartupError(const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (BatchMode()) return;
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kStartupErrorCaption), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

int RunProgram(QApplication &app) {
    const QString error = LoadLanguageModule();
    if (!error.isEmpty()) {
        ShowStartupError(error);
        return 1;
    }
    app.setApplicationName(QStringLiteral("korvul"));
    app.setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
    const int rc = BatchMode() ? 0 : app.exec();
    UnloadLanguageModule();
    return rc;
}

} // namespace korvul
