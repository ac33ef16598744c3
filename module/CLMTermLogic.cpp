#include "module/CLMTermLogic.h"

#include <QStringList>
#include <Qt>

#include <algorithm>

namespace korvul {

void TClmTermScreen::Clear() {
    text_.clear();
    underlined_.clear();
    cursor_ = 0;
}

void TClmTermScreen::ProcessInput(const QString &text) {
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case 7: break;
        case 8: cursor_ = std::max(0, cursor_ - 1); break;
        case 10:
            if (twoChars_) {
                text_ += QStringLiteral("\r\n");
                underlined_ << false << false;
                cursor_ += 2;
            }
            break;
        case 13:
            if (!twoChars_) Put(c);
            break;
        case 27: i = Escape(text, i); break;
        default: Put(c); break;
        }
    }
}

// The escape at text[i]; returns the index of the sequence's last character.
int TClmTermScreen::Escape(const QString &text, int i) {
    if (i + 1 >= text.size()) return i;
    if (text.at(i + 1) != u'[') return i + 1;
    QString params;
    for (int j = i + 2; j < text.size(); ++j) {
        const QChar c = text.at(j);
        if (c == u'H' || c == u'J' || c == u'f' || c == u'm' || c == u'D') {
            RunSequence(c, params);
            return j;
        }
        if (c.isDigit() || c == u';') params += c;
    }
    return int(text.size()) - 1;  // no final letter: the sequence is dropped
}

void TClmTermScreen::RunSequence(QChar final, const QString &params) {
    const QStringList numbers = params.split(u';');
    switch (final.unicode()) {
    case 'm':
        for (const QString &n : numbers) {
            if (n == QLatin1String("0")) underline_ = false;
            else if (n == QLatin1String("7")) underline_ = true;
        }
        break;
    case 'J':
        if (params == QLatin1String("2")) Clear();
        break;
    case 'D': {
        const int n = params.isEmpty() ? 1 : params.toInt();
        const bool afterCr = cursor_ > 0 && cursor_ <= text_.size() && text_.at(cursor_ - 1) == u'\r';
        cursor_ = std::max(0, cursor_ - n - (afterCr ? 1 : 0));
        break;
    }
    default:  // H, f
        MoveTo(numbers.value(0).toInt(), numbers.value(1).toInt());
        break;
    }
}

namespace {
// The module's menu fits a small screen; a garbled sequence naming a far row or column must not make
// the model grow without bound (or the position arithmetic overflow).
constexpr int kMostRows = 999, kMostColumns = 999;
} // namespace

void TClmTermScreen::MoveTo(int row, int column) {
    row = std::clamp(row, 0, kMostRows);
    column = std::clamp(column, 0, kMostColumns);
    const QStringList lines = Lines();
    const int breakWidth = twoChars_ ? 2 : 1;
    int pos = 0;
    for (int r = 0; r < row - 1; ++r) pos += (r < lines.size() ? int(lines.at(r).size()) : 0) + breakWidth;
    // Rows beyond the text get their line breaks, so that the position lies on the wanted row.
    for (int missing = row - int(lines.size()); missing > 0; --missing) {
        text_ += Break();
        underlined_.resize(text_.size(), false);
    }
    cursor_ = pos + column;
}

void TClmTermScreen::Put(QChar c) {
    if (cursor_ > text_.size()) {
        underlined_.resize(cursor_, false);
        text_ += QString(cursor_ - text_.size(), u' ');
    }
    if (cursor_ < text_.size()) {
        text_[cursor_] = c;
        underlined_[cursor_] = underline_;
    } else {
        text_ += c;
        underlined_ << underline_;
    }
    ++cursor_;
}

QStringList TClmTermScreen::Lines() const { return text_.split(Break()); }

QString TClmTermScreen::DisplayText() const {
    QString shown = text_;
    if (twoChars_) shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');  // also a stray CR of two-char mode
    return shown;
}

// Display position of each model position: a two-char break shrinks to one.
QVector<bool> TClmTermScreen::DisplayUnderline() const {
    QVector<bool> marks;
    for (int i = 0; i < text_.size(); ++i) {
        if (twoChars_ && text_.at(i) == u'\n' && i > 0 && text_.at(i - 1) == u'\r') continue;
        marks << underlined_.at(i);
    }
    return marks;
}

int TClmTermScreen::DisplayCursor() const {
    int pos = 0;
    for (int i = 0; i < cursor_ && i < text_.size(); ++i)
        if (!(twoChars_ && text_.at(i) == u'\n' && i > 0 && text_.at(i - 1) == u'\r')) ++pos;
    return pos + std::max(0, cursor_ - int(text_.size()));
}

QByteArray ClmTermExchange(const TClmTermIo &io, const QByteArray &key, int answerMs, int batchMs) {
    if (!key.isEmpty()) io.Write(key.at(0));
    const int64_t deadline = io.NowMs() + answerMs;
    while (io.InQueue() <= 0 && io.NowMs() < deadline) io.Sleep(2);
    QByteArray received;
    // A module that never stops sending must not hold the window for ever.
    constexpr int kMostBytes = 65536;
    for (int waiting = io.InQueue(); waiting > 0 && received.size() < kMostBytes; waiting = io.InQueue()) {
        for (char byte = 0; waiting > 0; --waiting) {
            if (!io.ReadByte(byte)) return received;
            received += byte;
        }
        io.Sleep(batchMs);
    }
    return received;
}

char ClmArrowCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left: return 3;
    case Qt::Key_Up: return 1;
    case Qt::Key_Right: return 4;
    case Qt::Key_Down: return 2;
    default: return 0;
    }
}

} // namespace korvul
