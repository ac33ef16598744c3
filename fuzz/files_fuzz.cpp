// libFuzzer target for the text files korvul reads: NX-17S command scripts (parsed and run against a
// test double of the line), language modules, and the settings file. The first input byte picks the
// routine, the rest is the file's bytes. A broken invariant aborts (a finding).
#include "FuzzCheck.h"
#include "base/IniFile.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommClass.h"
#include "config/NxScript.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

// The script run here never reaches the serial line: its io is a test double.
namespace korvul {
int32_t TCommClass::CallLine(uint8_t, void *, int32_t *, int32_t *) { std::abort(); }
TCommClass &CommObject() { std::abort(); }
} // namespace korvul

using namespace korvul;

namespace {

using fuzzcheck::Check;

// Every line parsed, then the whole script run; operator input is the line itself, device answers
// are the script's own bytes.
void Script(const QByteArray &bytes) {
    const QStringList lines = NxScriptLines(bytes);
    for (const QString &line : lines) {
        Check(!line.isEmpty() && line == line.trimmed());
        try {
            const TNxLine l = ParseNxLine(line);
            Check(l.Kind != TNxLineKind::Get || l.Number >= 0);
            const QString value = NxInputValue(line, l.Number);
            Check(value.size() <= qMax(0, l.Number));
            for (int p : NxPatternMismatches(value, l.Pattern, l.Number)) Check(p >= 1 && p <= l.Number);
        } catch (const TNxScriptError &) {
        }
    }
    int asked = 0;
    TNxScriptIo io;
    io.Write = [](const QByteArray &) {};
    io.ReadAnswer = [&] { return bytes.left(64); };
    io.Pause = [](int) {};
    io.AskInput = [&](const QString &, const QString &, int) -> std::optional<QString> {
        if (++asked > 3) return std::nullopt;
        return lines.value(asked);
    };
    TNxScriptRun run(io);
    try {
        run.Run(lines);
    } catch (const TNxScriptError &) {
    }
    NxLogHasErrorMarker(run.LogLines());
}

void Language(const QByteArray &bytes) {
    const QHash<uint16_t, QString> texts = ParseLanguageModule(bytes);
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        FormatText(it.value(), {QStringLiteral("a"), 12, 3.5});
        FormatSignature(it.value());
    }
}

// The file read, its text kept byte for byte, a value written and read back without touching another.
void SettingsFile(const QByteArray &bytes) {
    static const QString path = QStringLiteral("/tmp/korvul-files-fuzz-%1.ini").arg(::getpid());
    static const QString copy = path + QStringLiteral(".copy");
    QFile f(path);
    Check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    f.close();
    TIniFile ini(path);
    Check(ini.Contents() == bytes);
    const QString other = ini.ReadString(QStringLiteral("COMM"), QStringLiteral("INIT"), QStringLiteral("-"));
    ini.WriteString(QStringLiteral("USER_OPTIONS"), QStringLiteral("READER"), QStringLiteral("Fuzz reader"));
    Check(ini.ReadString(QStringLiteral("USER_OPTIONS"), QStringLiteral("READER"), {}) == QStringLiteral("Fuzz reader"));
    Check(ini.ReadString(QStringLiteral("COMM"), QStringLiteral("INIT"), QStringLiteral("-")) == other);
    ini.ReadInteger(QStringLiteral("COMM"), QStringLiteral("COM"), 1);
    ReadLanguageCode(path);
}

// The settings record loaded, saved and loaded again unchanged (slow: a save syncs the disk).
void SettingsRoundTrip(const QByteArray &bytes) {
    static const QString path = QStringLiteral("/tmp/korvul-files-fuzz-%1.ini").arg(::getpid());
    static const QString copy = path + QStringLiteral(".copy");
    QFile f(path);
    Check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    f.close();
    TSettings first, second;
    LoadSettingsFrom(path, first);
    QFile::remove(copy);
    Check(QFile::copy(path, copy));
    SaveSettingsTo(copy, first);
    LoadSettingsFrom(copy, second);
    // A CR inside a value is written as a blank on purpose (a value never breaks its line).
    const auto same = [](const QString &a, const QString &b) { return a.contains(u'\r') || a == b; };
    for (QString TSettings::*text :
         {&TSettings::TempFilePath, &TSettings::CMD_DIRECTORY, &TSettings::READOUTMODE, &TSettings::READER,
          &TSettings::CHANNELMODE, &TSettings::SENSORADJUSTMENT, &TSettings::INIT,
          &TSettings::NORMAL, &TSettings::RELIABLE, &TSettings::PREFIX, &TSettings::RESET_STRING,
          &TSettings::CLM300ACCESSCODE})
        Check(same(first.*text, second.*text));
    // The access code is cut to 8 characters after trimming, so a blank at the cut is trimmed next time.
    Check(same(first.ACCESSCODE.trimmed(), second.ACCESSCODE));
    for (int TSettings::*number : {&TSettings::TempFileNo, &TSettings::CODEMARK, &TSettings::PDBPERIOD, &TSettings::COM,
                                   &TSettings::TIMEOUT, &TSettings::CLMTIMEOUT, &TSettings::CHECKTIME})
        Check(first.*number == second.*number);
    for (bool TSettings::*flag : {&TSettings::VIAMODEM, &TSettings::RLBMODE, &TSettings::GX500, &TSettings::CLM300})
        Check(first.*flag == second.*flag);
    for (int i = 0; i <= qMin(first.PHCOUNT, kPhoneSaved - 1); ++i) Check(same(first.Ph[size_t(i)], second.Ph[size_t(i)]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    switch (data[0] % 4) {
    case 0: Script(bytes); break;
    case 1: Language(bytes); break;
    case 2: SettingsFile(bytes); break;
    default: SettingsRoundTrip(bytes); break;
    }
    return 0;
}
