#include "comm/StrList.h"

#include "comm/Oem.h"

#include <QFile>
#include <QSaveFile>

namespace korvul {

int TStrList::IndexOfKey(const QString &key) const {
    for (int i = 0; i < size(); ++i) {
        const QString &line = at(i);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && eq == key.size() && line.startsWith(key)) return i;
    }
    return -1;
}

QString TStrList::GetValue(const QString &key) const {
    const int i = IndexOfKey(key);
    return i < 0 ? QString() : at(i).mid(key.size() + 1);
}

void TStrList::SetValue(const QString &key, const QString &value) {
    const int i = IndexOfKey(key);
    if (value.isEmpty()) {
        if (i >= 0) removeAt(i);
        return;
    }
    const QString line = key + QLatin1Char('=') + value;
    if (i >= 0) (*this)[i] = line;
    else append(line);
}

bool TStrList::SaveToFile(const QString &path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const QString &line : *this) file.write(ToDeviceText(line) + "\r\n");
    return file.commit();
}

bool TStrList::LoadFromFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray data = file.readAll();
    clear();
    if (data.isEmpty()) return true;
    if (data.endsWith('\n')) data.chop(1);
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        append(FromDeviceText(line));
    }
    return true;
}

} // namespace korvul
