#include "comm/Drivers.h"

#include "base/Paths.h"

#include <dlfcn.h>

namespace korvul {

QString LibraryFileName(const QString &driverFile) {
    if (driverFile.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        return driverFile.left(driverFile.size() - 4) + QStringLiteral(".so");
    return driverFile;
}

namespace {

void *OpenLibrary(const QString &fileName) {
    const QString name = LibraryFileName(fileName);
    if (!name.contains(QLatin1Char('/'))) {
        const QByteArray local = (ProgramDir() + QLatin1Char('/') + name).toLocal8Bit();
        if (void *h = dlopen(local.constData(), RTLD_NOW | RTLD_LOCAL)) return h;
    }
    return dlopen(name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

DriverProcFn LoadDriver(const QString &fileName, void *&handle) {
    handle = fileName.isEmpty() ? nullptr : OpenLibrary(fileName);
    if (!handle) throw TCommClassException(QString::fromLatin1(kLoadErrorText));
    void *entry = dlsym(handle, "DriverProc");
    if (!entry) {
        dlclose(handle);
        handle = nullptr;
        throw TCommClassException(QString::fromLatin1(kNoDriverProcText));
    }
    return reinterpret_cast<DriverProcFn>(entry);
}

void FreeDriver(void *handle) {
    if (handle) dlclose(handle);
}

TDriverFamily DriverFamily(const QString &familyCode) {
    if (familyCode == QLatin1String("XW")) return {QStringLiteral("prxw__32.dll"), 2};
    if (familyCode == QLatin1String("QT")) return {QStringLiteral("prqt__32.dll"), 4};
    return {QStringLiteral("prOPT132.dll"), 1};
}

} // namespace korvul
