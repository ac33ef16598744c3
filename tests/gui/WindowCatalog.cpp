#include "gui/WindowCatalog.h"

#include "support/FakeDriverHarness.h"
#include "support/TestSupport.h"

#include "ui/FoAbout.h"
#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "options/FoSettingsComm.h"
#include "options/FoTelephone.h"
#include "options/FormUserOptions.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "ui/FoDialing.h"
#include "ui/FoConnect.h"
#include "ui/FormMeldung.h"
#include "ui/FrmCancelDlg.h"
#include "ui/FoPassword.h"
#include "comm/StrList.h"
#include "comm/CommClass.h"
#include "config/FoCheckMaxima.h"
#include "config/FoConfigNX17S.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700M.h"
#include "config/FoConfigQT700V2.h"
#include "config/FoInitDevice.h"
#include "ui/FoInput.h"
#include "main/FoNDAC.h"
#include "ui/FoStatusReg.h"
#include "ui/MainMessages.h"
#include "main/FormMain.h"
#include "main/FormSetTime.h"
#include "module/FoAdjustRTC.h"
#include "module/FoChangeCLM300AccessCode.h"
#include "module/FoChangeHQpasswords.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "module/FoResetUnit.h"
#include "readout/FormProcessData.h"
#include "readout/FormReadArch.h"

#include <QDir>
#include <gtest/gtest.h>

namespace korvultest {

namespace {

// An object without port or drivers: windows that talk to the device at creation get a refusal, which
// they report through the message hooks, and no line is ever opened.
korvul::TCommClass &IdleComm() {
    static korvul::TCommClass comm(QStringLiteral("QT"));
    return comm;
}

// The set-time window reads the device clock when it is made: a connection on the fake drivers answers.
korvul::TCommClass &ClockComm() {
    static korvultest::FakeDrivers fakes;
    static std::unique_ptr<korvul::TCommClass> comm;
    if (!comm) {
        comm = std::make_unique<korvul::TCommClass>(QStringLiteral("QT"));
        comm->LineDriverFile = fakes.LineFile();
        comm->ProtocolDriverFile = fakes.ProtoFile();
        comm->SetPortName(QStringLiteral("COM1"));
        comm->SetPortSettings(QStringLiteral("4800,N,8,1"));
        fakes.items['z'] = "240517101112";
        korvul::SetCommObjectForTests(comm.get());
        comm->SetConnected(true);
    }
    return *comm;
}

template <class T>
TWindowEntry Plain(const char *name) {
    return {name, [] {
                korvul::SetCommObjectForTests(&IdleComm());
                return std::unique_ptr<QWidget>(new T);
            }};
}

// The module window keeps a reference to its data; they live as long as the test program.
korvul::TStrList &ModuleData() {
    static korvul::TStrList data;
    return data;
}

} // namespace

const QList<TWindowEntry> &AllWindows() {
    static const QList<TWindowEntry> windows = {
        Plain<korvul::TFormMain>("TFormMain"),
        Plain<korvul::TfoAbout>("TfoAbout"),
        Plain<korvul::THelpViewer>("THelpViewer"),
        Plain<korvul::TFoSettingsComm>("TFoSettingsComm"),
        Plain<korvul::TFoTelephone>("TFoTelephone"),
        Plain<korvul::TFormUserOptions>("TFormUserOptions"),
        Plain<korvul::TfoDialing>("TfoDialing"),
        Plain<korvul::TFoConnect>("TFoConnect"),
        Plain<korvul::TFormMeldung>("TFormMeldung"),
        Plain<korvul::TFrmCancelDlg>("TFrmCancelDlg"),
        Plain<korvul::TFoPassword>("TFoPassword"),
        Plain<korvul::TFoCheckMaxima>("TFoCheckMaxima"),
        {"TFoConfigNX17S",
         [] {
             // A script directory that exists: without one the window asks for it at once.
             korvul::Settings().CMD_DIRECTORY = QDir::tempPath();
             return std::unique_ptr<QWidget>(new korvul::TFoConfigNX17S);
         }},
        Plain<korvul::TFoConfigQT700A>("TFoConfigQT700A"),
        Plain<korvul::TFoConfigQT700M>("TFoConfigQT700M"),
        Plain<korvul::TFoConfigQT700V2>("TFoConfigQT700V2"),
        Plain<korvul::TFoInitDevice>("TFoInitDevice"),
        {"TfoInput",
         [] {
             auto box = std::make_unique<korvul::TfoInput>();
             box->SetPrompt(korvul::LanguageText(1445));  // every caller sets one; it names the entries
             return std::unique_ptr<QWidget>(box.release());
         }},
        Plain<korvul::TfoNDAC>("TfoNDAC"),
        Plain<korvul::TFoStatusReg>("TFoStatusReg"),
        {"TFormSetTime",
         [] {
             korvul::SetCommObjectForTests(&ClockComm());
             return std::unique_ptr<QWidget>(new korvul::TFormSetTime);
         }},
        Plain<korvul::TFoAdjustRTC>("TFoAdjustRTC"),
        Plain<korvul::TFoChangeCLM300AccessCode>("TFoChangeCLM300AccessCode"),
        Plain<korvul::TFoChangeHQpasswords>("TFoChangeHQpasswords"),
        {"TFoResetEvents", [] { return std::unique_ptr<QWidget>(new korvul::TFoResetUnit(korvul::TResetUnitKind::EventInputs)); }},
        {"TFoResetFaxMessCount",
         [] { return std::unique_ptr<QWidget>(new korvul::TFoResetUnit(korvul::TResetUnitKind::FaxReceivers)); }},
        Plain<korvul::TFormProcessData>("TFormProcessData"),
        {"TFormReadArch", [] { return std::unique_ptr<QWidget>(new korvul::TFormReadArch(nullptr, korvul::TReadArchHost{})); }},
        {"TFoCLM300",
         [] {
             korvul::SetCommObjectForTests(&IdleComm());
             korvul::ModuleAccess = true;
             return std::unique_ptr<QWidget>(new korvul::TFoCLM300(ModuleData()));
         }},
        {"TfoCLMTerm",
         [] {
             korvul::SetCommObjectForTests(&IdleComm());
             return std::unique_ptr<QWidget>(new korvul::TfoCLMTerm(nullptr));
         }},
    };
    return windows;
}

std::unique_ptr<QWidget> MakeWindow(const TWindowEntry &entry) {
    try {
        return entry.Make();
    } catch (const std::exception &e) {
        ADD_FAILURE() << entry.Name << " cannot be made: " << e.what();
    }
    return nullptr;
}

void RestoreAfterWindows() {
    korvul::ModuleAccess = false;
    korvul::SetCommObjectForTests(nullptr);
    korvul::PollItem = 'z';
}

bool PrepareWindowWalk(const QString &languageCode) {
    if (!korvul::LoadLanguageModuleFile(BinDir() + "/korvul" + languageCode + ".lng")) return false;
    korvul::SetLocaleFormats({QStringLiteral("dd.mm.yyyy"), QStringLiteral("hh:mm:ss"), u','});
    korvul::SetShowMessageHook([](const QString &) {});
    korvul::SetAskYesNoHook([](const QString &, int) { return false; });
    korvul::SetHelpErrorBoxHook([](const QString &, const QString &) {});
    return true;
}

} // namespace korvultest
