#include "readout/ReadoutDialogs.h"

#include "app/Settings.h"
#include "main/FormMain.h"
#include "main/MainDialogs.h"
#include "readout/FormProcessData.h"
#include "readout/FormReadArch.h"

#include <QPointer>
#include <QTabBar>
#include <algorithm>

namespace korvul {

namespace {

// The readout reads the channel of the selected tab and shows each channel's common data in the main
// window as it goes.
TReadArchHost HostOf(QWidget *parent) {
    TReadArchHost host;
    if (auto *main = qobject_cast<TFormMain *>(parent)) {
        host.CurrentChannel = std::max(0, main->TabControl1()->currentIndex());
        QPointer<TFormMain> window(main);
        host.CommonDataRead = [window](const TStrList &list) {
            if (!window) return;
            window->CommonData() = list;
            window->ShowCommonData();
        };
    }
    return host;
}

} // namespace

void InstallReadoutDialogs() {
    TMainDialogs &dialogs = MainDialogs();
    dialogs.ReadArchive = [](QWidget *parent) { ShowArchiveReadout(parent, HostOf(parent)); };
    dialogs.ReadProcessData = [](QWidget *parent, const TProcessDataHeader &header) {
        ShowProcessData(parent, header);
    };
    // The memory dump is the archive readout in mode "dump"; the setting keeps "dump" afterwards.
    dialogs.MemoryDump = [](QWidget *parent) {
        Settings().READOUTMODE = QStringLiteral("dump");
        if (auto *main = qobject_cast<TFormMain *>(parent)) main->acReadArchivDataExecute();
        else ShowMemoryDump(parent, HostOf(parent));
    };
}

} // namespace korvul
