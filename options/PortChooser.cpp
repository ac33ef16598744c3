#include "options/PortChooser.h"

#include "base/LangSupp.h"
#include "options/PortList.h"
#include "options/PortMapping.h"
#include "linedriver/PortNames.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>

namespace korvul {

namespace {
constexpr uint16_t kTextNoName = 3109;  // "The port name %s names no serial port. ..."

int ComOfName(const QString &name) { return linqor::ComNumber(name.toStdString()); }
} // namespace

QStringList &TPortChooser::WatchedFolders() {
    static QStringList folders{QStringLiteral("/dev"), QStringLiteral("/dev/serial"), QStringLiteral("/dev/serial/by-id")};
    return folders;
}

TPortChooser::TPortChooser(QComboBox *box, TEnumeration enumeration, int currentCom, QObject *parent)
    : QObject(parent), box_(box), enumeration_(std::move(enumeration)) {
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &TPortChooser::Refresh);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    Fill(currentCom, {}, {});
    Watch();
}

// Folders that appear later (/dev/serial with the first adapter) are added at each refresh.
void TPortChooser::Watch() {
    for (const QString &folder : WatchedFolders())
        if (QFileInfo(folder).isDir() && !watcher_.directories().contains(folder)) watcher_.addPath(folder);
}

void TPortChooser::Fill(int com, const QString &keepDevice, const QString &keepText) {
    ports_ = enumeration_();
    box_->clear();
    int chosen = -1;
    for (size_t i = 0; i < ports_.size(); ++i) {
        const TListedPort &port = ports_[i];
        box_->addItem(PortEntryText(port), port.Name);
        box_->setItemData(int(i), port.ById.isEmpty() ? port.Device : port.ById, Qt::ToolTipRole);
        const bool same = keepDevice.isEmpty() ? (com >= 0 && !port.Name.isEmpty() && PortDigit(port.Name) == com)
                                               : port.Device == keepDevice;
        if (same && chosen < 0) chosen = int(i);
    }
    box_->setCurrentIndex(chosen);
    if (chosen < 0 && !keepText.isEmpty()) box_->setEditText(keepText);
}

void TPortChooser::Refresh() {
    const int entry = ChosenEntry();
    const QString device = entry >= 0 ? ports_[size_t(entry)].Device : QString();
    const QString typed = entry >= 0 ? QString() : box_->currentText();
    Fill(-1, device, typed);
    Watch();
}

int TPortChooser::ChosenEntry() const {
    const int index = box_->currentIndex();
    if (index < 0 || size_t(index) >= ports_.size() || box_->itemText(index) != box_->currentText()) return -1;
    return index;
}

int TPortChooser::ChosenCom(QString *error) {
    const int entry = ChosenEntry();
    if (entry >= 0) {
        const TListedPort &port = ports_[size_t(entry)];
        if (!port.Name.isEmpty()) return PortDigit(port.Name);
        return MapPortToCom(StableTarget(port), ports_, error);
    }
    return TypedCom(box_->currentText().trimmed(), error);
}

// A typed COMn is that number; a typed path gets a link (a listed port's by-id name when the path
// leads to one); anything else is refused.
int TPortChooser::TypedCom(const QString &text, QString *error) {
    if (text.isEmpty()) return -1;
    if (const int n = ComOfName(text)) return n;
    if (!text.contains(QLatin1Char('/'))) {
        if (error) *error = LanguageFormat(kTextNoName, {text});
        return 0;
    }
    const QString device = QFileInfo(text).canonicalFilePath();
    for (const TListedPort &port : ports_)
        if (!device.isEmpty() && port.Device == device) return MapPortToCom(StableTarget(port), ports_, error);
    return MapPortToCom(text, ports_, error);
}

} // namespace korvul
