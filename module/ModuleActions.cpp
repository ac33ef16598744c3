#include "module/ModuleActions.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/SettingsUi.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/Drivers.h"
#include "comm/Items.h"
#include "comm/Oem.h"
#include "comm/StrList.h"
#include "ui/DeviceAction.h"
#include "comm/DeviceFailure.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "module/FoAdjustRTC.h"
#include "module/FoChangeCLM300AccessCode.h"
#include "module/FoChangeHQpasswords.h"
#include "module/ModuleItems.h"
#include "module/FoResetUnit.h"

#include <QDateTime>

namespace korvul {

namespace {

constexpr uint16_t kConnectionFailedText = 2207;
constexpr int kNoHelpContext = 0;

using TEnd = TModuleActionEnd;

// The shared reaction to a failed transfer: refusal text and stay; a negative status disconnects;
// "ERROR" shows 2207 first; any other text goes to the standard exception display.
TEnd ReportFailure(QWidget *parent, uint16_t refusedText, const TCommClassException &e) {
    switch (ClassifyDeviceFailure(e)) {
    case TDeviceFailure::DeviceRefusal:
        ShowMessageText(parent, LanguageText(refusedText));
        return TEnd::Stay;
    case TDeviceFailure::ConnectionBroken:
        if (e.Message() == QLatin1String(kErrorText)) ShowMessageText(parent, ConnectionBrokenText(kConnectionFailedText));
        return TEnd::Disconnect;
    case TDeviceFailure::Other: break;
    }
    ShowException(e);
    return TEnd::Stay;
}

// Runs one transfer; a communication error is reported by the shared rule.
TEnd Transfer(QWidget *parent, uint16_t refusedText, const std::function<TEnd()> &body) {
    try {
        return body();
    } catch (const TCommClassException &e) {
        return ReportFailure(parent, refusedText, e);
    }
}

// As Transfer, for the actions that hold OperationActive: nothing while another operation runs, and
// the flag is cleared before any failure is reported.
TEnd ExclusiveTransfer(QWidget *parent, uint16_t refusedText, const std::function<TEnd()> &body) {
    if (OperationActive) return TEnd::Stay;
    OperationActive = true;
    try {
        const TEnd end = body();
        OperationActive = false;
        return end;
    } catch (const TCommClassException &e) {
        OperationActive = false;
        return ReportFailure(parent, refusedText, e);
    } catch (...) {
        OperationActive = false;
        throw;
    }
}

// A protected write; a refusal (status > 0) raises like a broken line does.
void Write(uint8_t letter, const QString &record) { RaiseOnResult(WriteProtectedItem(letter, record)); }

// Reads one item into ModuleData in place (an empty answer kept as an empty line, like the page reads).
void ReadInto(TStrList &moduleData, char letter) {
    const QString value = FromOemText(ReadItemBytes(static_cast<uint8_t>(letter)));
    const QString key(QLatin1Char{letter});
    const int i = moduleData.IndexOfKey(key);
    if (i < 0) moduleData.append(key + QLatin1Char('=') + value);
    else moduleData[i] = key + QLatin1Char('=') + value;
}

// Question, write, re-read of one item of the common data page.
TEnd ResetAndReread(QWidget *parent, TStrList &moduleData, uint16_t question, uint16_t refusedText, uint8_t letter,
                    const QString &record) {
    if (!AskYesNo(parent, LanguageText(question), kNoHelpContext)) return TEnd::Stay;
    return Transfer(parent, refusedText, [&] {
        Write(letter, record);
        ReadInto(moduleData, char(RereadItem(QLatin1Char(char(letter))).unicode()));
        return TEnd::Redisplay;
    });
}

// Dialog, then one write and an optional confirmation text.
TEnd DialogWrite(QWidget *parent, const std::optional<QString> &record, uint16_t refusedText, uint8_t letter,
                 uint16_t doneText, TEnd done) {
    if (!record) return TEnd::Stay;
    return Transfer(parent, refusedText, [&] {
        Write(letter, *record);
        if (doneText) ShowMessageText(parent, LanguageText(doneText));
        return done;
    });
}

// For the Action menu entries that hold OperationActive: the dialog, the write and the confirmation
// text all run under the flag; it is cleared before any text is shown.
TEnd GuardedDialogWrite(QWidget *parent, const std::function<std::optional<QString>()> &dialog, uint16_t refusedText,
                        uint8_t letter, uint16_t doneText, const std::function<void(const QString &)> &written = {}) {
    std::optional<QString> record;
    bool sent = false;
    const TEnd end = ExclusiveTransfer(parent, refusedText, [&] {
        record = dialog();
        if (record) Write(letter, *record);
        sent = record.has_value();
        return TEnd::Stay;
    });
    if (!sent) return end;
    if (written) written(*record);
    ShowMessageText(parent, LanguageText(doneText));
    return TEnd::Stay;
}

} // namespace

TModuleActionEnd TakePcTime(QWidget *parent, TStrList &moduleData) {
    return ExclusiveTransfer(parent, 4181, [&] {
        Write('G', PcTimeRecord(QDateTime::currentDateTime()));
        ReadInto(moduleData, 'g');
        return TEnd::Redisplay;
    });
}

TModuleActionEnd ResetStatusRegister(QWidget *parent, TStrList &moduleData) {
    return ResetAndReread(parent, moduleData, 1697, 4182, 'E', QStringLiteral("0"));
}

TModuleActionEnd ResetWorkingHours(QWidget *parent, TStrList &moduleData) {
    return ResetAndReread(parent, moduleData, 1698, 4183, 'F', QStringLiteral("000000"));
}

TModuleActionEnd ChangeHqPasswords(QWidget *parent, TStrList &) {
    return GuardedDialogWrite(parent, [parent] { return TFoChangeHQpasswords::Run(parent); }, 4185, 'B', 4186);
}

TModuleActionEnd ResetEventInputs(QWidget *parent, TStrList &) {
    return DialogWrite(parent, TFoResetUnit::Run(TResetUnitKind::EventInputs, parent), 4187, 'S', 0, TEnd::RereadPage);
}

TModuleActionEnd ResetFaxMessageCounter(QWidget *parent, TStrList &) {
    return DialogWrite(parent, TFoResetUnit::Run(TResetUnitKind::FaxReceivers, parent), 4188, 'T', 4197, TEnd::Stay);
}

TModuleActionEnd TestFaxReceiver(QWidget *parent, TStrList &, int receiver) {
    if (receiver < 1 || receiver > kModuleUnits) return TEnd::Stay;
    return DialogWrite(parent, QString::number(receiver), 4189, 'R', 0, TEnd::Stay);
}

TModuleActionEnd ChangeModuleAccessCode(QWidget *parent, TStrList &) {
    return GuardedDialogWrite(parent, [parent] { return TFoChangeCLM300AccessCode::Run(parent); }, 4192, 'L', 4193,
                              [parent](const QString &code) {
                                  // The module has the new code: keep it for the next login (a file
                                  // that cannot be written is reported by TrySaveSettings).
                                  Settings().CLM300ACCESSCODE = code;
                                  TrySaveSettings(parent);
                              });
}

TModuleActionEnd AdjustModuleRtc(QWidget *parent, TStrList &) {
    return GuardedDialogWrite(parent, [parent] { return TFoAdjustRTC::Run(parent); }, 4195, 'M', 4196);
}

TModuleActionEnd ChangeQtAccessCode(QWidget *parent, TStrList &) {
    // The dialog does its own write, refusal text (42006) and broken-line report.
    if (OperationActive) return TEnd::Stay;
    OperationActive = true;
    if (MainDialogs().NewZCode) MainDialogs().NewZCode(parent);
    OperationActive = false;
    return TEnd::Stay;
}

std::optional<QString> AskModuleAccessCodeFromMain(QWidget *parent) { return TFoChangeCLM300AccessCode::Run(parent, true); }

} // namespace korvul
