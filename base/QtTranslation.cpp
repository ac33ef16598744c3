#include "base/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace korvul {

namespace {

QString QtLanguage(const QString &languageCode) {
    const QString code = languageCode.trimmed().toLower();
    return code.isEmpty() ? QStringLiteral("de") : code;
}

// The catalogue this module installed last; the application owns it.
QPointer<QTranslator> &Installed() {
    static QPointer<QTranslator> translator;
    return translator;
}

} // namespace

QString QtTranslationFile(const QString &languageCode) {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_") +
           QtLanguage(languageCode) + QStringLiteral(".qm");
}

QString InstallQtTranslation(const QString &languageCode) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) return QStringLiteral("Qt's own texts cannot be translated before the application exists.");
    if (Installed()) {
        QCoreApplication::removeTranslator(Installed());
        delete Installed().data();
    }
    const QString file = QtTranslationFile(languageCode);
    auto *translator = new QTranslator(app);
    if (!translator->load(file) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        // Qt's own texts are English; its English catalogue is empty and needs no loading.
        if (QtLanguage(languageCode) == QLatin1String("en")) return {};
        return QStringLiteral("Qt's own buttons and dialogs stay English: %1 is missing or unreadable. "
                              "Install the package qt6-translations-l10n.")
            .arg(file);
    }
    Installed() = translator;
    return {};
}

} // namespace korvul
