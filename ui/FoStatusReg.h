#pragma once
// The status register window (text base 500): a read-only text without word wrap that lists the status
// bits of a device, and a Close button. Created hidden at program start and shown non-modally; on every
// showing it makes itself as wide as its longest line, measured in "w" characters, but never wider
// than the screen.
#include <QDialog>
#include <memory>

namespace Ui {
class TFoStatusReg;
}
class QPlainTextEdit;

namespace korvul {

class TFoStatusReg : public QDialog {
    Q_OBJECT
public:
    explicit TFoStatusReg(QWidget *parent = nullptr);
    ~TFoStatusReg() override;

    QPlainTextEdit *Memo() const;
    // Replaces the text and shows the window (not modal) in front, active. over: the window the
    // operator asked from, when that is a modal dialog (a window shown beside a running modal dialog
    // would stay behind it, blocked); the status window then stands over that dialog until the
    // dialog hides, and is hidden with it.
    void ShowText(const QString &text, QWidget *over = nullptr);

    // Window width for a longest line of longestLine characters: longestLine * wWidth (the width of one
    // "w") plus chrome (frame, margins, scroll bar), limited to screenWidth. All in pixels.
    static int FittingWidth(int longestLine, int wWidth, int chrome, int screenWidth);
    // Length in characters of the longest line of text (lines split at LF, a CR before it ignored).
    static int LongestLineLength(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FitWidthToText();
    void StandOver(QWidget *owner);

    std::unique_ptr<Ui::TFoStatusReg> ui;
};

// The one status register window of the program (created hidden at start by CreateStatusRegWindow);
// nullptr before it exists and after it is gone.
TFoStatusReg *FoStatusReg();
void CreateStatusRegWindow();
void DestroyStatusRegWindow();

} // namespace korvul
