#pragma once
// TStrList: an ordered list of lines "key=value" holding data item answers under their item keys
// (the main window's CommonData, an archive file's content, the module's ModuleData).
#include <QString>
#include <QStringList>

namespace korvul {

class TStrList : public QStringList {
public:
    using QStringList::QStringList;
    TStrList() = default;
    TStrList(const QStringList &lines) : QStringList(lines) {}  // copy from another list

    // Index of the first line whose text before its first "=" equals key exactly; -1 if none.
    // Lines without "=" never match.
    int IndexOfKey(const QString &key) const;
    // The text after "key=" in that line; empty when no line matches.
    QString GetValue(const QString &key) const;
    // Non-empty value: replaces the matching line by "key=value" or appends one. Empty value: deletes
    // the matching line, if any.
    void SetValue(const QString &key, const QString &value);

    // Writes every line followed by CR LF, in the program code page (CP1252). Returns false (and leaves
    // no partial file behind) when the file cannot be written.
    bool SaveToFile(const QString &path) const;
    // Replaces the content by the lines of a CP1252 file (CR LF or LF). False when it cannot be read.
    bool LoadFromFile(const QString &path);
};

} // namespace korvul
