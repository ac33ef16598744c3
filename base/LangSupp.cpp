#include "base/LangSupp.h"

#include "base/Paths.h"
#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace korvul {

namespace {

struct TLanguageModule {
    bool loaded = false;
    QHash<uint16_t, QString> texts;
};

TLanguageModule &Module() {
    static TLanguageModule module;
    return module;
}

// Undoes the escapes \n, \t and \\; any other backslash stays as it is.
QString Unescape(const QString &raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar n = raw.at(i + 1);
        if (n == u'n') out += u'\n';
        else if (n == u't') out += u'\t';
        else if (n == u'\\') out += u'\\';
        else { out += c; continue; }
        ++i;
    }
    return out;
}

} // namespace

QString ProgramBaseName(const QString &programFile) {
    QString name = QFileInfo(programFile).fileName();
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) name.truncate(dot);
    return name.left(6);
}

QString LanguageFilePath(const QString &code, const QString &suffix) {
    const QDir dir(ProgramDir());
    const QString base = ProgramBaseName(ProgramFilePath());
    const QString asWritten = base + code + suffix;
    const QString shipped = base + code.toUpper() + suffix;
    for (const QString &name : {asWritten, shipped})
        if (QFileInfo::exists(dir.filePath(name))) return dir.filePath(name);
    // Sorted by name, case-sensitively, so that the choice among names differing in case is stable.
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &entry : entries)
        if (entry.compare(asWritten, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return dir.filePath(shipped);
}

QString LanguageModulePath(const QString &code) { return LanguageFilePath(code, QStringLiteral(".lng")); }

QHash<uint16_t, QString> ParseLanguageModule(const QByteArray &content) {
    QHash<uint16_t, QString> texts;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        bool ok = false;
        const uint number = line.left(eq).trimmed().toUInt(&ok);
        if (!ok || number > 0xFFFF) continue;
        // The first definition of a number wins, as a string table holds each number once.
        if (!texts.contains(static_cast<uint16_t>(number)))
            texts.insert(static_cast<uint16_t>(number), Unescape(QString::fromUtf8(line.mid(eq + 1))));
    }
    return texts;
}

bool LoadLanguageModuleFile(const QString &path) {
    UnloadLanguageModule();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    QHash<uint16_t, QString> texts = ParseLanguageModule(file.readAll());
    if (file.error() != QFileDevice::NoError || texts.isEmpty()) return false;
    Module().texts = std::move(texts);
    Module().loaded = true;
    return true;
}

QString LoadLanguageModule() {
    const QString path = LanguageModulePath(ReadLanguageCode(SettingsFilePath()));
    if (LoadLanguageModuleFile(path)) return {};
    return QStringLiteral("korvul.exe - Initialization: Language support file not found! / "
                          "Sprachdatei nicht gefunden!:  ") + path;
}

void UnloadLanguageModule() {
    Module().loaded = false;
    Module().texts.clear();
}

bool LanguageModuleLoaded() { return Module().loaded; }

QString LanguageText(uint16_t number) {
    if (Module().loaded) {
        const auto it = Module().texts.constFind(number);
        if (it != Module().texts.constEnd() && !it->isEmpty()) return *it;
    }
    return QStringLiteral("str") + QString::number(number);
}

QString LanguageFormat(uint16_t number, const QVariantList &args) {
    return FormatText(LanguageText(number), args);
}

} // namespace korvul

