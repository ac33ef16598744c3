#pragma once
// TFormReadArch: the modal archive readout window (text base 200). A file-copy animation, a progress
// bar and a status bar with three panels (records, channel, state). The readout runs when the window is
// first shown; Escape asks TFrmCancelDlg whether to cancel. At the end the window says "finished" or
// "cancelled", lists the files written (and says when they went to the home directory because no file
// directory is set), offers "Open folder" and "Close", and closes itself with result 1 after 5000 ms
// (scaled by KORVUL_TIME_SCALE) unless the operator points at it or uses it: then it stays until closed.
//
// Failures: a broken connection ("ERROR" or a negative result) is reported to the host (message 1127 of
// the main window: it closes this window, shows text 2207 and disconnects); a device refusal shows text
// 258; a file that cannot be written shows a message naming it. Files of finished channels stay.
#include "comm/StrList.h"
#include "ui/MainDialogs.h"

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <memory>

namespace Ui {
class TFormReadArch;
}
class QLabel;
namespace korvul {
struct TReadArchFiles;
}

namespace korvul {

// What the readout window needs from the main window.
struct TReadArchHost {
    int CurrentChannel = 0;   // the selected channel tab (0-based)
    QString Mode;             // readout mode keyword; empty: the READOUTMODE setting
    // The readout read a channel's common data: copy them into CommonData and show them.
    std::function<void(const TStrList &list)> CommonDataRead;
    // The connection broke; empty: message 1127 (TDialogBrokenEvent) is posted to the parent window,
    // or to the main window when the readout window has no parent.
    std::function<void(QWidget *window)> ConnectionBroken;
};

// Messages of the readout windows (caption, text). Tests install a hook; empty restores the box.
using TReadoutMessageHook = std::function<void(const QString &caption, const QString &text)>;
void SetReadoutMessageHook(TReadoutMessageHook hook);
void ReadoutMessage(QWidget *parent, const QString &caption, const QString &text);

// Shows the readout window modally and runs the readout; returns the window's result (1 when it
// closed itself). The caller has stopped polling; it re-reads the common data afterwards.
int ShowArchiveReadout(QWidget *parent, const TReadArchHost &host);
// The memory dump: the same with mode "dump".
int ShowMemoryDump(QWidget *parent, TReadArchHost host);

} // namespace korvul

namespace korvul {

class TFormReadArch : public QDialog {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 200;
    static constexpr int kCloseMs = 5000;

    TFormReadArch(QWidget *parent, const korvul::TReadArchHost &host);
    ~TFormReadArch() override;

    bool Cancelled() const { return cancelled_; }
    bool Finished() const { return finished_; }
    QStringList WrittenFiles() const { return written_; }
    QString PanelText(int panel) const;
    QString StateText() const;
    int Progress() const;

    // Parts the readout drives (through its view).
    void StartAnimation();
    void StopAnimation();
    void SetPanel(int panel, const QString &text);
    void SetProgress(int position, int maximum);
    const korvul::TReadArchHost &Host() const { return host_; }
    void ShowFiles(const korvul::TReadArchFiles &files);
    // The folder "Open folder" opens (the folder of the files written).
    QString Folder() const { return folder_; }
    // The window closes itself at the end (false once the operator used it).
    bool ClosesItself() const { return Timer1.isActive(); }

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpStatusBar();
    void RunReadout();
    void HandleFailure(const QString &exceptionText);
    void Finish();
    void DrawAnimationFrames();
    void NextAnimationFrame();
    void AskCancel();
    void OpenFolder();
    void StayOpen();

    std::unique_ptr<Ui::TFormReadArch> ui;
    korvul::TReadArchHost host_;
    QLabel *panels_[3] = {};
    QTimer Timer1;
    QTimer animation_;
    QList<QPixmap> frames_;
    int frame_ = 0;
    bool started_ = false;
    bool running_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    bool asking_ = false;
    QStringList written_;
    QString folder_;
};

} // namespace korvul
