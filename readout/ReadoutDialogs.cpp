#include "readout/ReadoutDialogs.h"

#include "base/Settings.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainDialogs.h"
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
    IMainWindow *main = MainWindow();
    if (main && main->Widget() == parent) {
        host.CurrentChannel = main->CurrentChannel();
        QPointer<QWidget> window(parent);
        host.CommonDataRead = [window](const TStrList &list) {
            if (!window || !MainWindow()) return;
            MainWindow()->CommonData() = list;
            MainWindow()->ShowCommonData();
        };
    }
    return host;
}

} // namespace

void ReadArchiveFrom(QWidget *parent) { ShowArchiveReadout(parent, HostOf(parent)); }

void ReadProcessDataFrom(QWidget *parent, const TProcessDataHeader &header) { ShowProcessData(parent, header); }

// The memory dump is the archive readout in mode "dump"; the setting keeps "dump" afterwards.
void MemoryDumpFrom(QWidget *parent) {
    Settings().READOUTMODE = QStringLiteral("dump");
    if (MainWindow() && MainWindow()->Widget() == parent) MainWindow()->ReadArchive();
    else ShowMemoryDump(parent, HostOf(parent));
}

} // namespace korvul
