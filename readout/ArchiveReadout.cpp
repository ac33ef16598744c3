#include "readout/ArchiveReadout.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/Drivers.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "readout/ArchiveFile.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

namespace korvul {

namespace {

// A device read as a result code: 0 and the answer, the device's positive refusal, or a negative
// line or protocol error. ReadItem raises with the result in decimal; other texts pass on.
int32_t ReadResult(uint8_t item, QString &answer) {
    try {
        ReadItem(item, answer);
        return 0;
    } catch (const TCommClassException &e) {
        bool number = false;
        const int32_t r = e.Message().toInt(&number);
        if (!number || r == 0) throw;
        return r;
    }
}

TArchiveSizeDevice CommSizeDevice() {
    TArchiveSizeDevice device;
    device.Read = [](int item) -> std::optional<QString> {
        QString answer;
        if (ReadResult(static_cast<uint8_t>(item), answer) != 0) return std::nullopt;
        return answer;
    };
    device.Write = [](int item, const QString &value) {
        try {
            WriteItemOrRaise(static_cast<uint8_t>(item), value.toLatin1());
            return true;
        } catch (const TCommClassException &) {
            return false;
        }
    };
    return device;
}

bool AllChannelsLower() { return Settings().CHANNELMODE.toLower() == QLatin1String("all"); }

// The customer number (item h) is 0; a missing or unreadable number does not skip the channel.
bool NoCustomerNumber(const TStrList &list) {
    bool ok = false;
    const qlonglong h = list.GetValue(QStringLiteral("h")).trimmed().toLongLong(&ok);
    return ok && h == 0;
}

} // namespace

QString ReadFailureText(int32_t result) {
    QString text = LanguageText(kTextReadFailed);
    if (result == -40 || result == -43) text += QLatin1Char('\n') + LanguageText(kTextReadDamaged);
    else if (result == deTimeout) text += QLatin1Char('\n') + LanguageText(kTextReadSilent);
    return text;
}

TArchiveReadout::TArchiveReadout(TReadArchView &view, int currentChannel, const QString &mode)
    : view_(view), current_(std::max(0, currentChannel)), mode_(mode) {}

void TArchiveReadout::Run() {
    const int channelCount = std::max(1, DeviceInfo().ChannelCount);
    const int passes = AllChannelsLower() ? channelCount : 1;
    int current = current_;
    for (int pass = 0; pass < passes; ++pass) {
        if (!ReadChannel(current)) return;
        NextChannel(current, channelCount);
    }
    complete_ = true;
}

// One pass of the channel loop; false when the operator cancelled (the channel's file is not written).
bool TArchiveReadout::ReadChannel(int current) {
    list_.clear();
    fileName_ = ChooseFileName(current);
    view_.StartAnimation();
    view_.SetPanel(kPanelRecords, LanguageFormat(kTextRecords, {0}));
    view_.SetPanel(kPanelChannel, LanguageFormat(kTextChannel, {current + 1}));
    view_.SetPanel(kPanelState, LanguageFormat(kTextFileNo, {ArchiveFileNumberText(fileName_)}));
    view_.ProcessMessages();
    list_ << QStringLiteral("[COMMONDATA]");
    ReadCapabilityItems(list_);
    if (!list_.GetValue(QStringLiteral("Y")).isEmpty()) view_.CommonDataRead(list_);
    view_.ProcessMessages();
    if (NoCustomerNumber(list_) && Settings().AllChannels()) {
        view_.SetPanel(kPanelRecords, LanguageFormat(kTextRecords, {0}));
        view_.SetPanel(kPanelState, LanguageFormat(kTextFileNo, {QStringLiteral("0")}));
        view_.ShowNote(LanguageText(kTextSkipCaption), LanguageFormat(kTextNoCustomer, {current + 1}));
        return true;
    }
    ReadArchive(list_);
    if (view_.Cancelled()) return false;
    WriteReaderName();
    view_.SetPanel(kPanelState, LanguageText(kTextSaving));
    SaveList();
    WriteCodeMarkOf();
    return true;
}

QString TArchiveReadout::ChooseFileName(int current) {
    const QString dir = ArchiveDirectory(Settings().TempFilePath);
    if (const QString named = current >= 0 ? view_.NamedFile(current + 1, dir) : QString(); !named.isEmpty()) {
        fileNameChosen_ = true;
        return named;
    }
    if (const std::optional<int> n = FreeArchiveFileNumber(dir, Settings().TempFileNo)) {
        fileNameChosen_ = false;
        return ArchiveFileName(dir, *n);
    }
    const std::optional<QString> chosen = view_.AskFileName(LanguageText(kTextSaveTitle), dir);
    if (!chosen || chosen->isEmpty()) throw TArchiveFileError(LanguageText(kTextNoFileNumber));
    // Said before the channel is read, not after: an existing file is never replaced.
    if (QFileInfo::exists(*chosen)) throw TArchiveFileError(LanguageFormat(kTextFileExists, {*chosen}));
    fileNameChosen_ = true;
    return *chosen;
}

// Saves the list under the chosen name. A numbered name that was taken meanwhile moves on to the next
// free number; a name chosen in the save dialog is never replaced.
void TArchiveReadout::SaveList() {
    for (int tries = 0; tries < 1000; ++tries) {
        const TArchiveWriteResult r = WriteArchiveFile(fileName_, list_);
        if (r.Status == TArchiveWrite::Written) {
            written_ << fileName_;
            return;
        }
        if (r.Status == TArchiveWrite::Failed)
            throw TArchiveFileError(LanguageFormat(kTextWriteFailed, {fileName_, r.Reason}));
        if (fileNameChosen_) throw TArchiveFileError(LanguageFormat(kTextFileExists, {fileName_}));
        fileName_ = ChooseFileName();
    }
    throw TArchiveFileError(LanguageFormat(kTextFileExists, {fileName_}));
}

void TArchiveReadout::WriteCodeMarkOf() {
    if (Settings().CODEMARK <= 0) return;
    view_.SetPanel(kPanelState, LanguageText(kTextCodeMark));
    view_.Repaint();
    if (WriteCodeMark() != 0) view_.ShowMessage(LanguageText(kTextCodeMarkFailed));
}

// The QT-700/M takes its channel through the channel register (as when the main window reads a
// channel's common data); stepping it by reconnection could read one channel twice under two numbers.
void TArchiveReadout::NextChannel(int &current, int channelCount) {
    current = (current + 1) % channelCount;
    if (channelCount <= 1 || !AllChannelsLower()) return;
    if (DeviceInfo().TypeCode == 42) SelectChannelByCommand(static_cast<uint16_t>(current));
    else SelectChannelByReconnect(static_cast<uint16_t>(current));
}

// The bar ends full at the record count of the last channel, so its value still says how many
// records were read (a readout mode stops before the archive's end).
void TArchiveReadout::ReportEnd() {
    if (complete_ && !view_.Cancelled()) {
        const qsizetype data = list_.indexOf(QStringLiteral("[IVDATA]"));
        const int records = data < 0 ? 0 : int(list_.size() - data - 1);
        view_.SetProgress(std::max(records, 1), records);
    }
    view_.SetPanel(kPanelState, LanguageFormat(kTextFilesSaved, {int(written_.size())}));
    view_.ShowFiles(Files());
}

TReadArchFiles TArchiveReadout::Files() const {
    TReadArchFiles files;
    for (const QString &f : written_) files.Files << QFileInfo(f).absoluteFilePath();
    files.HomeDirectory = Settings().TempFilePath.isEmpty();
    const QString dir = files.Files.isEmpty() ? ArchiveDirectory(Settings().TempFilePath)
                                              : QFileInfo(files.Files.last()).absolutePath();
    files.Directory = QFileInfo(dir).absoluteFilePath();
    return files;
}

void TArchiveReadout::ReadArchive(TStrList &list) {
    DeviceInfo().ArchiveBlocks = 0;
    const int size = ArchiveSize(DeviceInfo().TypeCode, CommSizeDevice());
    DeviceInfo().ArchiveBlocks = size;
    view_.SetProgress(0, -1);
    if (size <= 0) return;
    list << QStringLiteral("[IVDATA]");
    const TReadoutMode mode = ReadoutModeFromSetting(mode_);
    if (mode == TReadoutMode::Unknown) {
        view_.ShowMessage(LanguageText(kTextUnknownMode));
        return;
    }
    const int records = size / 6;
    view_.SetProgress(0, records);
    TStopRule rule(mode, Settings().CODEMARK);
    QElapsedTimer shown;  // invalid until the first record is shown
    int counter = 0;
    bool stop = false;
    do {
        QString answer;
        const int32_t r = ReadResult('x', answer);
        if (r < 0) {
            view_.StopAnimation();
            view_.ShowMessage(ReadFailureText(r));
            throw TCommClassException::Result(r);
        }
        if (r > 0) break;
        ++counter;
        list << QLatin1Char('x') + QString::number(counter) + QLatin1Char('=') + answer;
        stop = FeedRecord(rule, answer);
        if (!shown.isValid() || shown.hasExpired(kShowEveryMs)) {
            ShowRecordCount(counter);
            shown.start();
        }
    } while (!stop && counter < records && !view_.Cancelled());
    ShowRecordCount(counter);
}

// Panel, progress bar and the window's events between two device requests. At 38400 baud records
// come every 4 ms; showing each would cost more CPU than reading it, so the readout shows the count
// at most every kShowEveryMs and once more after the last record.
void TArchiveReadout::ShowRecordCount(int counter) {
    view_.SetPanel(kPanelRecords, LanguageFormat(kTextRecords, {counter}));
    view_.SetProgress(counter, -1);
    view_.ProcessMessages();
}

} // namespace korvul
