#pragma once
// Archive file names from a template such as "{device}_{channel}_{date}.txt", for korvul-read's
// --name-template. Pure logic.
#include <QDateTime>
#include <QString>

namespace korvul {

// What the placeholders stand for. Values are made file-name safe when put in: every character
// other than A-Z a-z 0-9 . _ - becomes "_".
struct TNameFields {
    QString Device;      // {device}: the device's name in the device list (--device-name), else {ident}
    QString Ident;       // {ident}: the identification the device answered
    int Channel = 1;     // {channel}: 1-based
    QDateTime Time;      // {date}: yyyyMMdd, {time}: HHmmss, in the time of Time
};

// Empty when the template can name files: it is not empty, has only known placeholders with closed
// braces, no "/" and does not start with "."; else why not.
QString CheckNameTemplate(const QString &nameTemplate);

// The file name for the fields (no directory). The template must have passed CheckNameTemplate.
QString ExpandNameTemplate(const QString &nameTemplate, const TNameFields &fields);

// The name with "-2", "-3" ... put before its extension (the part from the last "."), for the
// attempt'th name when the plain name is taken; attempt 1 is the plain name.
QString NumberedName(const QString &name, int attempt);

} // namespace korvul
