#pragma once
// Helpers shared by all test kinds: a private configuration directory per test and condition waits.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <ostream>

// Lets GoogleTest print Qt strings readably in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace korvultest {

// Points XDG_CONFIG_HOME at a fresh temporary directory for the lifetime of the object and restores
// the previous value afterwards, so a test never touches the user's real settings.
class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    TempConfigHome(const TempConfigHome &) = delete;
    TempConfigHome &operator=(const TempConfigHome &) = delete;
    QString path() const { return dir_.path(); }           // the XDG_CONFIG_HOME value
    QString korvulDir() const;                             // <path>/korvul, created
    QString iniPath() const;                               // <path>/korvul/korvul.ini
    void writeIni(const QByteArray &content) const;
private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool hadSaved_ = false;
};

// Processes events until pred() is true or the deadline passes; returns pred()'s last value.
// Never sleeps blindly: it waits for events with a short timeout between checks.
bool WaitUntil(const std::function<bool()> &pred, std::chrono::milliseconds deadline);

// Directory of the built program files (build/bin), from the environment that CTest sets.
QString BinDir();
// The source tree's root, for reading checked-in files such as the language fragments.
QString SourceDir();

} // namespace korvultest
