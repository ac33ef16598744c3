#pragma once
// TfoCLMTerm: the terminal to a CLM-300 module on the local line (text base 1940). Each key typed is
// sent to the module as one byte (OEM code page; arrows as 3/1/4/2) and the module's answer is shown
// through the interpreter of module/CLMTermLogic in a fixed-pitch text area; reverse video is shown
// underlined. The text area never edits itself: every key goes to the module.
//
// Timer1 (200 ms) fetches what the module sends on its own; it is stopped while ProcessOutput reads.
// The main window is hidden while the terminal is open; closing the terminal (menu or window) frees
// it, shows the main window again and runs its disconnect action.
#include "module/CLMTermLogic.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace Ui {
class TfoCLMTerm;
}
namespace korvul {
class IMainWindow;
}
class QTextEdit;

namespace korvul {

class TfoCLMTerm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 1940;
    static constexpr int kTimerMs = 200;
    static constexpr int kAnswerMs = 1000;
    static constexpr int kBatchMs = 100;

    // FormCreate: translates, takes the main window's position and size, clears the area and sends
    // Escape so that the module draws its menu.
    explicit TfoCLMTerm(IMainWindow *mainWindow);
    ~TfoCLMTerm() override;

    void ProcessOutput(const QString &text);
    void ProcessInput(const QString &text);
    const korvul::TClmTermScreen &Screen() const { return screen_; }
    QTextEdit *reTerminal() const;
    QTimer *Timer1() { return &timer1_; }

public slots:
    void Timer1Timer();
    void Close1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Render();
    void reTerminalKeyPress(QChar key);
    bool reTerminalKeyDown(int key, const QString &text);

    std::unique_ptr<Ui::TfoCLMTerm> ui;
    QPointer<QWidget> main_;  // the main window's widget, while it exists
    korvul::TClmTermScreen screen_;
    QTimer timer1_;
};

// Opens the terminal for the main window (MainDialogs().ModuleTerminal); the window frees itself.
void OpenModuleTerminal(QWidget *parent);

} // namespace korvul
