#pragma once
// Command scripts of the NX-17S correctors: the line parser, the operator input check and the run.
//
// A script is a text file of lines (CR LF or LF), stored in the OEM code page. Each line is trimmed;
// empty lines are skipped; a line is recognised by the keyword at its start (exact, case-sensitive):
//   ;          comment
//   TRANSMIT   "text" with an optional suffix ^A (append 01h, no answer), ^M (append CR, answer read),
//              ^W (append 17h, no answer); no or another suffix: nothing appended, answer read.
//              Without a double quote: the value of the variable named after the first blank is sent
//              and no answer is read.
//   PAUSE n    n seconds; a ";" comment may follow
//   GET v n    operator input of at most n characters into variable v
//   MESSAGE "prompt:pattern"  prompt and input pattern of the following GET
// Anything else is ignored. No part of the parser ever reads past the end of a line.
//
// The run itself talks through TNxScriptIo, so the same code runs against the serial line (the dialog)
// and against test doubles.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

namespace korvul {

// A PAUSE or GET number that is not a whole number (or a negative GET count). The run ends with it;
// its text names the offending number.
class TNxScriptError : public std::runtime_error {
public:
    explicit TNxScriptError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

enum class TNxLineKind { Comment, Transmit, Pause, Get, Message, Other };

struct TNxLine {
    TNxLineKind Kind = TNxLineKind::Other;
    // Transmit: the text to send including its control byte (Quoted), or the variable's name.
    bool Quoted = false;
    QString Text;
    QString Variable;     // Transmit without quote, Get
    bool ReadAnswer = false;
    int Number = 0;       // Pause: seconds; Get: characters to accept
    // Message: SetsPrompt is false for a MESSAGE without a double quote (it changes nothing).
    bool SetsPrompt = false;
    QString Prompt, Pattern;
};

// Parses one trimmed, non-empty script line. Raises TNxScriptError for a PAUSE or GET number that is
// not a whole number (GET: also a negative count).
TNxLine ParseNxLine(const QString &line);

// Splits a script file's bytes into trimmed, non-empty lines after converting them from the OEM code
// page (CR LF and LF both end a line).
QStringList NxScriptLines(const QByteArray &fileBytes);

// The 1-based positions (1..count) at which value does not match pattern: "*" accepts any character,
// every other pattern character must be matched exactly. A position beyond the pattern accepts
// anything; a position beyond the value counts as a mismatch only where the pattern asks for a fixed
// character (so a shorter input passes under "*").
QVector<int> NxPatternMismatches(const QString &value, const QString &pattern, int count);
// The operator's text as GET stores it: trimmed, cut to count characters, first "," turned into ".".
QString NxInputValue(const QString &text, int count);

// One entry of the script list: the name shown and the file name it opens (as named on disk; file
// systems tell letter cases apart).
struct TNxScriptEntry {
    QString Shown;
    QString File;
};
// The list entries for the script file names of a folder, in their order: each name shown in lower
// case, except names that another name of the list equals ignoring case; those are shown as named on
// disk, so that the operator can tell them apart.
QVector<TNxScriptEntry> NxScriptListEntries(const QStringList &fileNames);

// Error markers of a device answer: "-01-", "-04-", "-05-", "-06-", "-07-", "-11-".
bool NxHasErrorMarker(const QString &logLine);
bool NxLogHasErrorMarker(const QStringList &log);

// What the run needs from its surroundings. Write and ReadAnswer raise (TCommClassException) on a line
// failure; the run does not catch it.
struct TNxScriptIo {
    std::function<void(const QByteArray &bytes)> Write;
    std::function<QByteArray()> ReadAnswer;              // bytes up to and including 03h
    std::function<void(int seconds)> Pause;
    // Operator input for GET: the accepted (pattern-checked) text, or nothing when cancelled.
    std::function<std::optional<QString>(const QString &prompt, const QString &pattern, int count)> AskInput;
    std::function<void(const QString &text)> ShowNotice;  // e.g. a variable without a value
    std::function<void(const QString &line)> Log;
};

enum class TNxRunEnd { Completed, Cancelled };

// One script run: variables, prompt and pattern live for the run only.
class TNxScriptRun {
public:
    explicit TNxScriptRun(TNxScriptIo io) : io_(std::move(io)) {}
    // Runs every line in order. Cancelled: an input was cancelled; 17h has been written. Raises what
    // the io raises and TNxScriptError.
    TNxRunEnd Run(const QStringList &lines);
    // Executes one line (exposed for the step-by-step driver and the tests); false: the run stops.
    bool Step(const QString &line);

    const QStringList &LogLines() const { return log_; }
    std::optional<QString> Variable(const QString &name) const;
    QString Prompt() const { return prompt_; }
    QString Pattern() const { return pattern_; }

private:
    void Transmit(const TNxLine &l);
    bool Get(const TNxLine &l);
    void AddLog(const QString &line);

    TNxScriptIo io_;
    QStringList log_;
    QStringList names_, values_;
    QString prompt_, pattern_;
};

// Write and ReadAnswer over the open serial line (CommObject().CallLine): a driver result other than 0
// raises TCommClassException with the result in decimal. ReadAnswer reads byte by byte until 03h; the
// line driver's receive time-out ends a missing answer, and 64 KiB without an 03h count as a line
// fault (deLineError) rather than reading on for ever.
void NxLineWrite(const QByteArray &bytes);
QByteArray NxLineReadAnswer();

// Program text of a log line for bytes exchanged with the device (the device's code page).
QString NxLogText(const QByteArray &bytes);

} // namespace korvul
