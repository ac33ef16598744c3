#pragma once
// The module terminal's interpreter: what the CLM-300 sends for its menu (text with a small subset of
// ANSI sequences) turned into a screen model, and the key exchange on the line. Pure logic; the window
// (module/FoCLMTerm) shows the model in a fixed-pitch text area.
//
// The model is the text area's character sequence. CursorPos counts positions in it; a line break
// counts as two positions ("\r\n") when LineBreakIsTwoChars is set, else as one ("\r"). The window sets
// LineBreakIsTwoChars to false: the Qt text widget counts one position per line break.
//
// ProcessInput, character by character:
//   7 bell: ignored.   8 backspace: CursorPos - 1 (never below 0).
//   10 line feed: two-char mode: an empty line appended, CursorPos + 2; else ignored.
//   13 carriage return: two-char mode: ignored; else written like any other character (a line break).
//   27 escape: the next character is taken too; unless it is "[", both are dropped. After "[",
//      characters are taken up to a final letter H, J, f, m or D (or the end of the text, which drops
//      the sequence); digits and ";" form the parameter text, other characters are skipped.
//        m  each number 0 sets normal, 7 underline (reverse video is shown underlined)
//        J  "2" clears the area, CursorPos 0
//        D  back n (empty: 1); one more when the character before CursorPos is a CR
//        H f  row;column: CursorPos = the lengths of lines 1 .. row-1, each plus the break's width,
//             plus column (missing numbers count as 0; rows beyond the text count as empty lines;
//             row and column are held to at most 999)
//   any other character: overwrites the character at CursorPos with the current style (appends at the
//   end; blanks fill up to a CursorPos beyond the end), CursorPos + 1.
#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

namespace korvul {

// Whether a line break counts as two positions of the text area (see above).
inline bool LineBreakIsTwoChars = false;

class TClmTermScreen {
public:
    explicit TClmTermScreen(bool lineBreakIsTwoChars) : twoChars_(lineBreakIsTwoChars) {}

    void ProcessInput(const QString &text);
    void Clear();

    int CursorPos() const { return cursor_; }
    bool Underline() const { return underline_; }   // the TextStyle of the next written character
    bool LineBreakIsTwoChars() const { return twoChars_; }
    // The raw model: characters with their breaks ("\r" or "\r\n") and their underline marks.
    const QString &Text() const { return text_; }
    bool UnderlinedAt(int pos) const { return pos >= 0 && pos < underlined_.size() && underlined_.at(pos); }

    // The lines of the area, without their breaks.
    QStringList Lines() const;
    // The text as the window shows it (each break a "\n"), with underline marks and the cursor mapped
    // to positions in it.
    QString DisplayText() const;
    QVector<bool> DisplayUnderline() const;
    int DisplayCursor() const;

private:
    int Escape(const QString &text, int i);
    void RunSequence(QChar final, const QString &params);
    void MoveTo(int row, int column);
    void Put(QChar c);
    QString Break() const { return twoChars_ ? QStringLiteral("\r\n") : QStringLiteral("\r"); }

    bool twoChars_;
    QString text_;
    QVector<bool> underlined_;
    int cursor_ = 0;
    bool underline_ = false;
};

// The line operations the key exchange needs (the window binds them to CommObject().CallLine).
// Results are not examined: a failed write or read simply yields no text.
struct TClmTermIo {
    std::function<void(char byte)> Write;
    std::function<int()> InQueue;               // bytes waiting (a failure counts as 0)
    std::function<bool(char &byte)> ReadByte;
    std::function<void(int ms)> Sleep;          // a wait without event processing
    std::function<int64_t()> NowMs;             // monotonic milliseconds
};

// One exchange of ProcessOutput: sends the first byte of key (already in the OEM code page; an empty
// key sends nothing), waits up to answerMs for bytes to arrive, then reads batches while bytes keep
// coming, with batchMs between the batches (at most 64 KiB). Returns the received bytes.
QByteArray ClmTermExchange(const TClmTermIo &io, const QByteArray &key, int answerMs, int batchMs);

// The control code sent for an arrow key: Left 3, Up 1, Right 4, Down 2; 0 for other keys (Qt key
// codes).
char ClmArrowCode(int qtKey);

} // namespace korvul
