#pragma once
// TFormMain: the program's main window (text base 100). Toolbar buttons, identification panel, the tab
// control TabControl1 (one tab per device channel) above the common data fields, status bar stbMain,
// menus Program/Settings/Action/Help and the action list.
//
// Properties of the components:
//  - "tag" (int) is the text number relative to the base; TranslateForm applies it at creation. The
//    data edit fields of the tab page carry tag 1: edits have no caption, so it only marks them as the
//    group of common data fields that the display clears at once.
//  - "changed" (bool) is the edit mark of the combo boxes cbDayBound, cbPeriod, cbCpVal and
//    cbAlarmCycle; an edit field's mark is its QLineEdit modified flag.
//  - Button hints are texts 500 + the button's tag. They are set at creation and set again whenever a
//    tooltip is about to show for one of the window's push buttons (the hint change of the application).
#include <QMainWindow>
#include <cstdint>
#include <memory>

namespace Ui {
class TFormMain;
}
class QAction;
class QPushButton;
class QTabBar;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 100;
    static constexpr uint16_t kTabText = 139;        // a tab reads this text and its channel number
    static constexpr uint16_t kHintBase = 500;
    static constexpr uint16_t kSaveChangesText = 42014;
    static constexpr uint16_t kPrintFailedText = 174;
    static constexpr int kStartAboutMs = 1000;      // About box shown at the first activation

    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    QTabBar *TabControl1() const;

    // Empties every edit field (text and modified flag), every combo box (no selection, empty text)
    // and every check box of the window; there is nothing left to set or reject afterwards.
    void ClearDataFields();
    // The window after a disconnect: tab control off, only the disconnected state's actions on, every
    // data field cleared. acDKMACode is left as it is.
    void ApplyDisconnectedState();

    // An operator's edit of a common data field or combo box: marks the sending combo box (one of the
    // four above; other senders mark nothing) and enables Set and Reject.
    void MarkCompAsChanged(QObject *sender);
    static bool IsMarkedChanged(const QObject *comboBox);
    void ResetChangeMarks();

    void RefreshButtonHints();
    // With unsaved edits (Set enabled) asks text 42014 and runs Set on Yes.
    void OfferToSetEdits();

signals:
    // The window has accepted a close (or Exit ran): the program ends.
    void Closed();

public slots:
    void acAboutExecute();
    void acExitExecute();
    void acPrintExecute();
    void acPrinterSetupExecute();
    void miContentsClick();
    void miSearchClick();
    void TabControl1Change(int index);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void SetUpFirstTab();
    void SetUpWindowFrame();
    void FillValueCombos();
    void BindButton(QPushButton *button, QAction *action);
    void BindButtons();
    void ConnectActions();
    void ConnectChangeMarks();
    void ShowStartAbout();

    std::unique_ptr<Ui::TFormMain> ui;
    bool activatedOnce_ = false;
    bool exiting_ = false;
};

// The program's main window while it exists, else nullptr.
TFormMain *FormMain();

// Creates the main window and the hidden status register window, shows the main window and runs the
// event loop until the main window closes; frees both windows and returns the loop's exit code.
// Needs the language module loaded and a QApplication.
int RunMainWindow();
