#pragma once
// The archive readout without its window: the channel loop, the archive of one channel into the file's
// list, the stop rules and the archive files. The window (TFormReadArch) shows what the readout reports
// through TReadArchView and asks the operator what the readout needs to know.
//
// Errors: a broken connection raises TCommClassException (text "ERROR", a negative result, or a
// language text); a file that cannot be created or written raises TArchiveFileError with a message that
// names the file. Either way the current channel leaves no file, and files of earlier channels stay.
#include "comm/StrList.h"
#include "readout/ArchiveRules.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace korvul {

// Text numbers of the readout.
enum : uint16_t {
    kTextSkipCaption = 51, kTextChannel = 210, kTextRecords = 215, kTextFileNo = 220, kTextSaving = 222,
    kTextCodeMark = 223, kTextFinished = 224, kTextCancelled = 225, kTextCodeMarkFailed = 251,
    kTextSaveTitle = 253, kTextNoFileNumber = 254, kTextNoCustomer = 257, kTextReadFailed = 258,
    kTextWriteFailed = 259, kTextFileExists = 260, kTextReadDamaged = 275, kTextReadSilent = 276,
    kTextUnknownMode = 42012, kTextFilesSaved = 235,
};

// The message of a failed record read: text 258, then its cause when the driver result names one
// (-40/-43 answers damaged even when repeated, -13 no answer).
QString ReadFailureText(int32_t result);

class TArchiveFileError : public std::runtime_error {
public:
    explicit TArchiveFileError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString Text() const { return QString::fromStdString(what()); }
};

// Where the files of a readout went, told to the view once at its end (finished, cancelled or failed).
struct TReadArchFiles {
    QStringList Files;            // absolute paths of the files written, in order; may be empty
    QString Directory;            // absolute: the folder of the last file, else the archive directory
    bool HomeDirectory = false;   // TempFilePath is empty, so the archive directory is the home directory
};

// Status bar panels of the readout window.
enum TReadArchPanel { kPanelRecords = 0, kPanelChannel = 1, kPanelState = 2 };

class TReadArchView {
public:
    virtual ~TReadArchView() = default;
    virtual void StartAnimation() {}
    virtual void StopAnimation() {}
    virtual void SetPanel(int /*panel*/, const QString & /*text*/) {}
    // Position and maximum of the progress bar (maximum below 0: unchanged).
    virtual void SetProgress(int /*position*/, int /*maximum*/) {}
    // Lets the window repaint and the Escape key arrive between two device requests.
    virtual void ProcessMessages() {}
    virtual void Repaint() {}
    // The operator asked to cancel (Escape, answered Yes).
    virtual bool Cancelled() const { return false; }
    // A modal note with a caption (the skipped channel) and a plain message.
    virtual void ShowNote(const QString & /*caption*/, const QString & /*text*/) {}
    virtual void ShowMessage(const QString & /*text*/) {}
    // The save dialog when every file number is taken; nothing when the operator cancels it.
    virtual std::optional<QString> AskFileName(const QString & /*title*/, const QString & /*directory*/) {
        return std::nullopt;
    }
    // A file name of the caller's own for the channel (1-based) in the archive directory, free when
    // asked; empty: the numbered name tempz.NNN. A named file is never replaced.
    virtual QString NamedFile(int /*channel*/, const QString & /*directory*/) { return {}; }
    // The channel's common data were read (they name the channel): the main window shows them.
    virtual void CommonDataRead(const TStrList & /*list*/) {}
    // The readout has ended: where its files are (TArchiveReadout::ReportEnd).
    virtual void ShowFiles(const TReadArchFiles & /*files*/) {}
};

class TArchiveReadout {
public:
    // Least time between two updates of the record count, in milliseconds.
    static constexpr qint64 kShowEveryMs = 100;

    // currentChannel: the main window's selected channel tab (0-based). mode: the READOUTMODE keyword.
    TArchiveReadout(TReadArchView &view, int currentChannel, const QString &mode);

    // The channel loop over one channel, or every channel when CHANNELMODE is "all" in any letter case.
    void Run();
    bool Cancelled() const { return view_.Cancelled(); }
    // Files written by this readout, in order.
    const QStringList &WrittenFiles() const { return written_; }
    const TStrList &List() const { return list_; }
    // Every channel of the run was read (Run returned without being cancelled).
    bool Complete() const { return complete_; }

    // The end of the readout, whatever ended it; call once after Run, also when Run raised. The state
    // panel says how many files were written (no longer "Saving ..."), the progress bar stands at its
    // end when the readout is complete, and the view learns where the files are.
    void ReportEnd();
    TReadArchFiles Files() const;

    // The archive of the connected channel into list: "[IVDATA]" and one "x<n>=<answer>" per record,
    // up to where the readout mode stops. Sets DeviceInfo().ArchiveBlocks to the archive size.
    void ReadArchive(TStrList &list);

private:
    bool ReadChannel(int current);
    void ShowRecordCount(int counter);
    QString ChooseFileName(int current = -1);
    void SaveList();
    void WriteCodeMarkOf();
    void NextChannel(int &current, int channelCount);

    TReadArchView &view_;
    int current_;
    QString mode_;
    TStrList list_;
    QString fileName_;
    bool fileNameChosen_ = false;   // chosen in the save dialog: never replaced by another number
    QStringList written_;
    bool complete_ = false;
};

} // namespace korvul
