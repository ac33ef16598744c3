#include "options/PortList.h"

#include "base/LangSupp.h"
#include "linedriver/OpenCause.h"
#include "linedriver/PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvul {

namespace {

constexpr uint16_t kTextNoPermissionMark = 3100;  // "no permission (group %s)"
constexpr uint16_t kTextInUseByMark = 3101;       // "in use by %s"
constexpr uint16_t kTextInUseMark = 3102;         // "in use"

QString Canonical(const QString &path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

std::vector<gid_t> UserGroups() {
    std::vector<gid_t> groups(size_t(std::max(getgroups(0, nullptr), 0)) + 1);
    const int n = getgroups(int(groups.size()) - 1, groups.data());
    groups.resize(size_t(std::max(n, 0)));
    groups.push_back(getegid());
    return groups;
}

void TakeFacts(TListedPort &port, const TSerialPortFacts &f) {
    port.Description = f.Description;
    port.Manufacturer = f.Manufacturer;
    port.SerialNumber = f.SerialNumber;
    port.VendorId = f.VendorId;
    port.ProductId = f.ProductId;
}

// Permission and in-use marks, from the device's mode and the lock directory and /proc.
void MarkAccess(TListedPort &port) {
    struct stat st {};
    if (::stat(QFile::encodeName(port.Device).constData(), &st) == 0 &&
        !PermitsReadWrite(st.st_mode, st.st_uid, st.st_gid, geteuid(), UserGroups())) {
        port.NoPermission = true;
        const group *g = getgrgid(st.st_gid);
        port.Group = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
    }
    const linqor::PortHolder holder = linqor::FindHolder(QFile::encodeName(port.Device).toStdString());
    port.InUse = holder.pid != 0;
    port.HolderPid = holder.pid;
    port.HolderName = QString::fromLocal8Bit(holder.program.c_str());
}

// The COMn entry, or false when COMn names no present port: a link in the ports folder whose
// device exists, else /dev/ttyS<n-1> when the system lists it (index into facts in `fact`).
bool ComEntry(int n, const std::vector<TSerialPortFacts> &facts, const std::vector<QString> &canon,
              TListedPort &port, int &fact) {
    port.Name = QStringLiteral("COM%1").arg(n);
    const QString link = QFile::decodeName(linqor::PortsDir().c_str()) + QLatin1Char('/') + port.Name;
    const QFileInfo info(link);
    const bool linked = info.isSymLink() || info.exists();
    const QString device = linked ? link : QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (!QFileInfo::exists(device)) return false;
    port.Device = Canonical(device);
    fact = -1;
    for (size_t i = 0; i < canon.size(); ++i)
        if (canon[i] == port.Device) fact = int(i);
    if (fact >= 0) TakeFacts(port, facts[size_t(fact)]);
    return linked || fact >= 0;
}

} // namespace

std::map<QString, QString> ByIdNames(const QString &devRoot) {
    std::map<QString, QString> names;
    const QDir dir(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !names.count(target)) names[target] = link.absoluteFilePath();
    }
    return names;
}

bool PermitsReadWrite(mode_t mode, uid_t owner, gid_t group, uid_t uid, const std::vector<gid_t> &groups) {
    if (uid == 0) return true;
    const mode_t rw = S_IRUSR | S_IWUSR;
    if (uid == owner) return (mode & rw) == rw;
    for (const gid_t g : groups)
        if (g == group) return (mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    return (mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH);
}

std::vector<TListedPort> ListPorts(const TSerialPortSource &source, const QString &devRoot) {
    const std::vector<TSerialPortFacts> facts = source.Ports();
    std::vector<QString> canon;
    for (const TSerialPortFacts &f : facts) canon.push_back(Canonical(f.Path));
    std::vector<bool> named(facts.size(), false);
    std::vector<TListedPort> ports;
    for (int n = 1; n <= 9; ++n) {
        TListedPort port;
        int fact = -1;
        if (!ComEntry(n, facts, canon, port, fact)) continue;
        if (fact >= 0) named[size_t(fact)] = true;
        ports.push_back(port);
    }
    for (size_t i = 0; i < facts.size(); ++i) {
        if (named[i] || !QFileInfo::exists(facts[i].Path)) continue;
        TListedPort port;
        port.Device = canon[i];
        TakeFacts(port, facts[i]);
        ports.push_back(port);
    }
    const std::map<QString, QString> byId = ByIdNames(devRoot);
    for (TListedPort &port : ports) {
        if (const auto it = byId.find(port.Device); it != byId.end()) port.ById = it->second;
        MarkAccess(port);
    }
    return ports;
}

QString PortEntryText(const TListedPort &port) {
    QString text = port.Name.isEmpty() ? port.Device : PortListText(port);
    QStringList facts;
    for (const QString &f : {port.Description, port.Manufacturer, port.SerialNumber})
        if (!f.isEmpty()) facts << f;
    if (port.VendorId >= 0 && port.ProductId >= 0)
        facts << QStringLiteral("%1:%2").arg(port.VendorId, 4, 16, QLatin1Char('0')).arg(port.ProductId, 4, 16, QLatin1Char('0'));
    if (!facts.isEmpty()) text += QStringLiteral(" - ") + facts.join(QStringLiteral(", "));
    if (port.NoPermission) text += QStringLiteral(" [%1]").arg(LanguageFormat(kTextNoPermissionMark, {port.Group}));
    if (port.InUse && port.HolderPid != 0)
        text += QStringLiteral(" [%1]").arg(LanguageFormat(
            kTextInUseByMark, {QStringLiteral("%1 (%2)").arg(port.HolderName).arg(port.HolderPid)}));
    else if (port.InUse)
        text += QStringLiteral(" [%1]").arg(LanguageText(kTextInUseMark));
    return text;
}

QString PresentPortsText(const std::vector<TListedPort> &ports) {
    QStringList names;
    for (const TListedPort &p : ports) names << (p.Name.isEmpty() ? p.Device : PortListText(p));
    return names.join(QStringLiteral(", "));
}

} // namespace korvul
