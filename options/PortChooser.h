#pragma once
// The port field of the serial interface settings: an editable list of the ports present (see
// options/PortList.h), refreshed while it is shown when a device node appears or goes (inotify on the
// watched folders, so an idle program does no work), plus a typed name or path. The choice becomes
// a COMn number; an adapter or a typed path gets its stable COMn link (options/PortMapping.h).
#include "options/OptionRules.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QComboBox;

namespace korvul {

class TPortChooser : public QObject {
    Q_OBJECT
public:
    using TEnumeration = std::function<std::vector<TListedPort>()>;

    // Fills `box` (made editable) from `enumeration` and selects the entry of COM `currentCom`.
    TPortChooser(QComboBox *box, TEnumeration enumeration, int currentCom, QObject *parent);

    // The COMn the choice stands for (n >= 1, a link made where needed); -1 when nothing is chosen
    // (the setting stays); 0 when the choice cannot be used, with the reason in `error`.
    int ChosenCom(QString *error);

    // Lists the ports again, keeping the chosen entry (by its device) or the typed text.
    void Refresh();

    const std::vector<TListedPort> &Ports() const { return ports_; }

    // Folders whose changes refresh the list; tests point them at a temporary tree.
    static QStringList &WatchedFolders();
    // Quiet time after the last change before the list is read again, in ms.
    static constexpr int kSettleMs = 250;

private:
    void Fill(int com, const QString &keepDevice, const QString &keepText);
    void Watch();
    int ChosenEntry() const;  // index of the listed entry shown, -1 for typed text
    int TypedCom(const QString &text, QString *error);

    QComboBox *box_;
    TEnumeration enumeration_;
    std::vector<TListedPort> ports_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace korvul
