#include "WindowCatalog.h"

#include "support/FakeDriverHarness.h"
#include "support/TestSupport.h"

#include "app/AboutBox.h"
#include "app/HelpFile.h"
#include "app/HelpViewer.h"
#include "app/LangSupp.h"
#include "app/Settings.h"
#include "app/SettingsComm.h"
#include "app/Telephone.h"
#include "app/UserOptions.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/Dialing.h"
#include "comm/FoConnect.h"
#include "comm/FormMeldung.h"
#include "comm/FrmCancelDlg.h"
#include "comm/Password.h"
#include "comm/TStrLst.h"
#include "comm/Tcomm.h"
#include "config/FoCheckMaxima.h"
#include "config/FoConfigNX17S.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700M.h"
#include "config/FoConfigQT700V2.h"
#include "config/FoInitDevice.h"
#include "config/InputFrm.h"
#include "main/FoNDAC.h"
#include "main/FoStatusReg.h"
#include "main/MainMessages.h"
#include "main/FormMain.h"
#include "main/FormSetTime.h"
#include "module/AdjustRTC.h"
#include "module/ChnCLMac.h"
#include "module/ChnHQpsw.h"
#include "module/FoCLM300.h"
#include "module/FoCLMTerm.h"
#include "module/ResetEvent.h"
#include "module/RstFMC.h"
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
        Plain<TFormMain>("TFormMain"),
        Plain<TfoAbout>("TfoAbout"),
        Plain<korvul::THelpViewer>("THelpViewer"),
        Plain<TFoSettingsComm>("TFoSettingsComm"),
        Plain<TFoTelephone>("TFoTelephone"),
        Plain<TFormUserOptions>("TFormUserOptions"),
        Plain<TfoDialing>("TfoDialing"),
        Plain<TFoConnect>("TFoConnect"),
        Plain<TFormMeldung>("TFormMeldung"),
        Plain<TFrmCancelDlg>("TFrmCancelDlg"),
        Plain<TFoPassword>("TFoPassword"),
        Plain<TFoCheckMaxima>("TFoCheckMaxima"),
        {"TFoConfigNX17S",
         [] {
             // A script directory that exists: without one the window asks for it at once.
             korvul::Settings().CMD_DIRECTORY = QDir::tempPath();
             return std::unique_ptr<QWidget>(new TFoConfigNX17S);
         }},
        Plain<TFoConfigQT700A>("TFoConfigQT700A"),
        Plain<TFoConfigQT700M>("TFoConfigQT700M"),
        Plain<TFoConfigQT700V2>("TFoConfigQT700V2"),
        Plain<TFoInitDevice>("TFoInitDevice"),
        {"TfoInput",
         [] {
             auto box = std::make_unique<TfoInput>();
             box->SetPrompt(korvul::LanguageText(1445));  // every caller sets one; it names the entries
             return std::unique_ptr<QWidget>(box.release());
         }},
        Plain<TfoNDAC>("TfoNDAC"),
        Plain<TFoStatusReg>("TFoStatusReg"),
        {"TFormSetTime",
         [] {
             korvul::SetCommObjectForTests(&ClockComm());
             return std::unique_ptr<QWidget>(new TFormSetTime);
         }},
        Plain<TFoAdjustRTC>("TFoAdjustRTC"),
        Plain<TFoChangeCLM300AccessCode>("TFoChangeCLM300AccessCode"),
        Plain<TFoChangeHQpasswords>("TFoChangeHQpasswords"),
        Plain<TFoResetEvents>("TFoResetEvents"),
        Plain<TFoResetFaxMessCount>("TFoResetFaxMessCount"),
        Plain<TFormProcessData>("TFormProcessData"),
        {"TFormReadArch", [] { return std::unique_ptr<QWidget>(new TFormReadArch(nullptr, korvul::TReadArchHost{})); }},
        {"TFoCLM300",
         [] {
             korvul::SetCommObjectForTests(&IdleComm());
             korvul::ModuleAccess = true;
             return std::unique_ptr<QWidget>(new TFoCLM300(ModuleData()));
         }},
        {"TfoCLMTerm",
         [] {
             korvul::SetCommObjectForTests(&IdleComm());
             return std::unique_ptr<QWidget>(new TfoCLMTerm(nullptr));
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
