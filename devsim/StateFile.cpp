#include "devsim/StateFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace devsim {

namespace {

// Item codes are bytes; keys are their decimal codes so that any byte survives the file.
QJsonObject ItemsToJson(const std::map<uint8_t, std::string> &items) {
    QJsonObject o;
    for (const auto &[k, v] : items) o.insert(QString::number(k), QString::fromLatin1(v.data(), int(v.size())));
    return o;
}

QJsonObject ExtraToJson(const std::map<std::string, std::string> &extra) {
    QJsonObject o;
    for (const auto &[k, v] : extra) o.insert(QString::fromStdString(k), QString::fromLatin1(v.data(), int(v.size())));
    return o;
}

std::map<uint8_t, std::string> ItemsFromJson(const QJsonObject &o) {
    std::map<uint8_t, std::string> items;
    for (auto it = o.begin(); it != o.end(); ++it)
        items[static_cast<uint8_t>(it.key().toInt())] = it.value().toString().toLatin1().toStdString();
    return items;
}

QJsonObject RegistersToJson(const std::map<std::string, std::string> &regs) {
    QJsonObject o;
    for (const auto &[k, v] : regs) o.insert(QString::fromStdString(k), QString::fromStdString(v));
    return o;
}

std::map<std::string, std::string> RegistersFromJson(const QJsonObject &o) {
    std::map<std::string, std::string> regs;
    for (auto it = o.begin(); it != o.end(); ++it) regs[it.key().toStdString()] = it.value().toString().toStdString();
    return regs;
}

QString WordsToText(const std::vector<uint16_t> &words) {
    QString s;
    s.reserve(int(words.size()) * 3);
    for (uint16_t w : words) s += QString::asprintf("%03X", w);
    return s;
}

std::vector<uint16_t> WordsFromText(const QString &s) {
    std::vector<uint16_t> words;
    for (int i = 0; i + 3 <= s.size(); i += 3) words.push_back(static_cast<uint16_t>(s.mid(i, 3).toUInt(nullptr, 16)));
    return words;
}

} // namespace

bool SaveState(const QString &path, Device &device) {
    const DeviceState &st = device.Model().State();
    QJsonObject root;
    root.insert("ident", device.Model().Type().ident);
    root.insert("accessCode", QString::fromStdString(st.accessCode));
    root.insert("clockOffset", double(st.clockOffset));
    root.insert("channel", st.channel);
    root.insert("items", ItemsToJson(st.items));
    root.insert("registers", RegistersToJson(st.registers));
    QJsonArray channels;
    for (const auto &ch : st.channels) {
        QJsonObject c;
        c.insert("items", ItemsToJson(ch.items));
        c.insert("registers", RegistersToJson(ch.registers));
        c.insert("archiveSize", ch.archive.SizeBytes());
        c.insert("archive", WordsToText(ch.archive.Words()));
        channels.append(c);
    }
    root.insert("channels", channels);
    if (ModuleModel *m = device.Module()) {
        root.insert("moduleItems", ItemsToJson(m->Items()));
        root.insert("moduleState", ExtraToJson(m->Extra()));
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QJsonDocument(root).toJson());
    return f.commit();
}

bool LoadState(const QString &path, Device &device) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    if (root.value("ident").toInt(-1) != device.Model().Type().ident) return false;
    DeviceState &st = device.Model().State();
    const QJsonArray channels = root.value("channels").toArray();
    if (channels.size() != int(st.channels.size())) return false;
    st.accessCode = root.value("accessCode").toString().toStdString();
    st.clockOffset = static_cast<int64_t>(root.value("clockOffset").toDouble());
    st.channel = std::clamp(root.value("channel").toInt(), 0, int(st.channels.size()) - 1);
    st.items = ItemsFromJson(root.value("items").toObject());
    st.registers = RegistersFromJson(root.value("registers").toObject());
    for (int i = 0; i < channels.size(); ++i) {
        const QJsonObject c = channels[i].toObject();
        auto &ch = st.channels[std::size_t(i)];
        ch.items = ItemsFromJson(c.value("items").toObject());
        ch.registers = RegistersFromJson(c.value("registers").toObject());
        ArchiveSpec spec;
        spec.sizeBytes = c.value("archiveSize").toInt(ch.archive.SizeBytes());
        ch.archive = Archive(ArchiveSpec{spec.sizeBytes, 0, 60, 1, {}}, 0);
        ch.archive.SetWords(WordsFromText(c.value("archive").toString()));
    }
    if (ModuleModel *m = device.Module(); m && root.contains("moduleItems"))
        m->Items() = ItemsFromJson(root.value("moduleItems").toObject());
    if (ModuleModel *m = device.Module(); m && root.contains("moduleState"))
        for (const QString &key : root.value("moduleState").toObject().keys())
            m->Extra()[key.toStdString()] = root.value("moduleState").toObject().value(key).toString().toLatin1().toStdString();
    return true;
}

} // namespace devsim
