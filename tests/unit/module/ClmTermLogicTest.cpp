// The module terminal's interpreter on byte strings, and its key exchange against a scripted line.
#include "module/CLMTermLogic.h"

#include <QtCore/qnamespace.h>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

QString Esc(const char *rest) { return QChar(27) + QString::fromLatin1(rest); }

QString Marks(const TClmTermScreen &s) {
    QString m;
    for (int i = 0; i < s.Text().size(); ++i) m += s.UnderlinedAt(i) ? u'_' : u'.';
    return m;
}

TEST(ClmTermScreen, ClearScreenStartsAgainAtPositionZero) {
    TClmTermScreen s(false);
    s.ProcessInput("old text\r\nmore");
    s.ProcessInput(Esc("[2J") + "menu");
    EXPECT_EQ(s.Text(), "menu");
    EXPECT_EQ(s.CursorPos(), 4);
    s.ProcessInput(Esc("[1J") + "!");
    EXPECT_EQ(s.Text(), "menu!") << "only parameter 2 clears";
}

TEST(ClmTermScreen, ReverseVideoIsUnderlinedUntilReset) {
    TClmTermScreen s(false);
    s.ProcessInput("a" + Esc("[7m") + "bc" + Esc("[0m") + "d" + Esc("[1;7m") + "e" + Esc("[5m") + "f");
    EXPECT_EQ(s.Text(), "abcdef");
    EXPECT_EQ(Marks(s), ".__.__") << "1 and 5 are ignored";
}

TEST(ClmTermScreen, EscapesNotFollowedByBracketOrWithoutFinalLetterAreDropped) {
    TClmTermScreen s(false);
    s.ProcessInput("a" + Esc("Xb") + Esc("[?25") + QChar(7));
    EXPECT_EQ(s.Text(), "ab") << "ESC X dropped with its X; an unfinished sequence and the bell leave nothing";
    s.ProcessInput("c" + QString(QChar(27)));
    EXPECT_EQ(s.Text(), "abc");
}

TEST(ClmTermScreen, BackspaceMovesBackAndTheNextCharacterOverwrites) {
    TClmTermScreen s(false);
    s.ProcessInput("abc\bX");
    EXPECT_EQ(s.Text(), "abX");
    EXPECT_EQ(s.CursorPos(), 3);
    s.ProcessInput("\b\b\b\b\b");
    EXPECT_EQ(s.CursorPos(), 0) << "never before the start";
}

struct CursorRow {
    bool twoChars;
    const char *input;
    int cursor;
};

TEST(ClmTermScreen, CursorPositionsInBothLineBreakModes) {
    const QString lines = "0123456789\r\nabcdefghijkl\r\nxyz";
    const CursorRow rows[] = {
        {true, "[3;5H", 10 + 2 + 12 + 2 + 5},
        {false, "[3;5H", 10 + 1 + 12 + 1 + 5},
        {true, "[2;0f", 12},
        {false, "[2;0f", 11},
        {false, "[H", 0},
        {false, "[5;2H", 10 + 1 + 12 + 1 + 3 + 1 + 0 + 1 + 2},  // rows below the text are added
        {false, "[2D", 25},
    };
    for (const CursorRow &r : rows) {
        TClmTermScreen s(r.twoChars);
        s.ProcessInput(lines + Esc(r.input));
        EXPECT_EQ(s.CursorPos(), r.cursor) << r.input << (r.twoChars ? " two" : " one");
    }
}

TEST(ClmTermScreen, LineBreaksAreOneOrTwoPositionsAndShowAsNewLines) {
    TClmTermScreen one(false), two(true);
    for (TClmTermScreen *s : {&one, &two}) s->ProcessInput("ab\r\ncd");
    EXPECT_EQ(one.Text(), "ab\rcd");
    EXPECT_EQ(two.Text(), "ab\r\ncd");
    EXPECT_EQ(one.CursorPos(), 5);
    EXPECT_EQ(two.CursorPos(), 6);
    for (TClmTermScreen *s : {&one, &two}) {
        EXPECT_EQ(s->DisplayText(), "ab\ncd");
        EXPECT_EQ(s->DisplayCursor(), 5);
        EXPECT_EQ(s->Lines(), (QStringList{"ab", "cd"}));
    }
}

TEST(ClmTermScreen, CursorBackAfterALineBreakSkipsIt) {
    TClmTermScreen s(false);
    s.ProcessInput("ab\r" + Esc("[1D") + "Z");
    EXPECT_EQ(s.Text(), "aZ\r");
}

TEST(ClmTermScreen, PositioningThenWritingOverwritesInPlaceAndPadsBeyondTheEnd) {
    TClmTermScreen s(false);
    s.ProcessInput("line one\r\nline two\r\n" + Esc("[2;5H") + "TWO" + Esc("[4;3H") + "!");
    EXPECT_EQ(s.DisplayText(), "line one\nline TWO\n\n   !") << "row 4 is added, blanks fill up to column 3";
}

TEST(ClmTermKeys, ArrowsAreControlCodes) {
    EXPECT_EQ(ClmArrowCode(Qt::Key_Left), 3);
    EXPECT_EQ(ClmArrowCode(Qt::Key_Up), 1);
    EXPECT_EQ(ClmArrowCode(Qt::Key_Right), 4);
    EXPECT_EQ(ClmArrowCode(Qt::Key_Down), 2);
    EXPECT_EQ(ClmArrowCode(Qt::Key_A), 0);
}

// A line whose answer arrives in batches at given times.
struct ScriptedLine {
    int64_t now = 0;
    QList<QPair<int64_t, QByteArray>> batches;  // arrival time, bytes
    QByteArray waiting, written;
    int sleeps = 0;
    TClmTermIo Io() {
        TClmTermIo io;
        io.Write = [this](char b) { written += b; };
        io.InQueue = [this] {
            while (!batches.isEmpty() && batches.first().first <= now) waiting += batches.takeFirst().second;
            return int(waiting.size());
        };
        io.ReadByte = [this](char &b) {
            if (waiting.isEmpty()) return false;
            b = waiting.at(0);
            waiting.remove(0, 1);
            return true;
        };
        io.Sleep = [this](int ms) {
            ++sleeps;
            now += ms;
        };
        io.NowMs = [this] { return now; };
        return io;
    }
};

TEST(ClmTermExchange, SendsOneByteAndCollectsEveryBatchThatFollows) {
    ScriptedLine line;
    line.batches = {{300, "menu "}, {350, "rest"}, {900, "late"}};
    EXPECT_EQ(ClmTermExchange(line.Io(), "ab", 1000, 100), "menu rest");
    EXPECT_EQ(line.written, "a");
}

TEST(ClmTermExchange, NoAnswerEndsAfterTheWaitAndAnEmptyKeySendsNothing) {
    ScriptedLine line;
    EXPECT_EQ(ClmTermExchange(line.Io(), QByteArray(), 1000, 100), QByteArray());
    EXPECT_EQ(line.written, QByteArray());
    EXPECT_GE(line.now, 1000);
    EXPECT_LT(line.now, 1010);
}

TEST(ClmTermExchange, AFailingReadEndsTheExchange) {
    ScriptedLine line;
    TClmTermIo io = line.Io();
    io.InQueue = [] { return 3; };
    io.ReadByte = [](char &) { return false; };
    EXPECT_EQ(ClmTermExchange(io, "x", 1000, 100), QByteArray());
}

} // namespace
