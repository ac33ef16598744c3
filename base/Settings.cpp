#include "base/Settings.h"

#include "base/IniFile.h"
#include "base/Paths.h"

namespace korvul {

namespace {

const QString kUserOptions = QStringLiteral("USER_OPTIONS");
const QString kComm = QStringLiteral("COMM");
const QString kModem = QStringLiteral("MODEM");
const QString kClm300 = QStringLiteral("CLM-300");
const QString kLanguage = QStringLiteral("LANGUAGE");

QString PhoneKey(int index) { return QStringLiteral("Ph%1").arg(index); }

// A PHCOUNT outside 0..49 (a hand-edited file) is read as the count of numbers present: entries up to
// the last stored number, so that the list shows every one of them and a new number pushes none out.
int PhoneCountPresent(const TSettings &s) {
    int count = 0;
    for (int i = 0; i < kPhoneListSize; ++i)
        if (!s.Ph[i].trimmed().isEmpty()) count = i + 1;
    return qMin(count, kPhoneListSize - 1);
}

QString LanguageOf(const TIniFile &ini) {
    const QString code = ini.ReadString(kLanguage, kLanguage, QString());
    return code.isEmpty() ? QStringLiteral("DE") : code;
}

void LoadUserOptions(const TIniFile &ini, TSettings &s, const TSettings &d) {
    s.TempFilePath = ini.ReadString(kUserOptions, "TempFilePath", d.TempFilePath);
    s.CMD_DIRECTORY = ini.ReadString(kUserOptions, "CMD_DIRECTORY", d.CMD_DIRECTORY);
    s.TempFileNo = ini.ReadInteger(kUserOptions, "TempFileNo", d.TempFileNo);
    s.READOUTMODE = ini.ReadString(kUserOptions, "READOUTMODE", d.READOUTMODE).toLower();
    s.READER = ini.ReadString(kUserOptions, "READER", d.READER);
    s.CODEMARK = ini.ReadInteger(kUserOptions, "CODEMARK", d.CODEMARK);
    s.CHANNELMODE = ini.ReadString(kUserOptions, "CHANNELMODE", d.CHANNELMODE);
    s.ACCESSCODE = ini.ReadString(kUserOptions, "ACCESSCODE", d.ACCESSCODE).trimmed().left(8);
    s.PDBPERIOD = ini.ReadInteger(kUserOptions, "PDBPERIOD", d.PDBPERIOD);
    s.PDBSEPARATORCHARACTER = ini.ReadInteger(kUserOptions, "PDBSEPARATORCHARACTER", d.PDBSEPARATORCHARACTER);
    s.SENSORADJUSTMENT = ini.ReadString(kUserOptions, "SENSORADJUSTMENT", d.SENSORADJUSTMENT);
}

void LoadComm(const TIniFile &ini, TSettings &s, const TSettings &d) {
    s.COM = ini.ReadInteger(kComm, "COM", d.COM);
    s.TIMEOUT = ini.ReadInteger(kComm, "TIMEOUT", d.TIMEOUT);
    s.CLMTIMEOUT = ini.ReadInteger(kComm, "CLMTIMEOUT", d.CLMTIMEOUT);
    s.INIT = ini.ReadString(kComm, "INIT", d.INIT);
    s.CHECKTIME = ini.ReadInteger(kComm, "CHECKTIME", d.CHECKTIME);
}

void LoadModem(const TIniFile &ini, TSettings &s, const TSettings &d) {
    s.VIAMODEM = ini.ReadBool(kModem, "VIAMODEM", d.VIAMODEM);
    s.RLBMODE = ini.ReadBool(kModem, "RLBMODE", d.RLBMODE);
    s.GX500 = ini.ReadBool(kModem, "GX500", d.GX500);
    s.CLM300 = ini.ReadBool(kModem, "CLM300", d.CLM300);
    s.NORMAL = ini.ReadString(kModem, "NORMAL", d.NORMAL);
    s.RELIABLE = ini.ReadString(kModem, "RELIABLE", d.RELIABLE);
    s.PREFIX = ini.ReadString(kModem, "PREFIX", d.PREFIX);
    s.DIAL_TIMEOUT = ini.ReadInteger(kModem, "DIAL_TIMEOUT", d.DIAL_TIMEOUT);
    s.RESET_STRING = ini.ReadString(kModem, "RESET_STRING", d.RESET_STRING);
    // Every stored number is read whatever PHCOUNT says: a save writes Ph0..Ph9 back from memory, so a
    // number left unread would be blanked in the file.
    for (int i = 0; i < kPhoneListSize; ++i) s.Ph[i] = ini.ReadString(kModem, PhoneKey(i), QString());
    s.PHCOUNT = ini.ReadInteger(kModem, "PHCOUNT", d.PHCOUNT);
    if (s.PHCOUNT < 0 || s.PHCOUNT >= kPhoneListSize) s.PHCOUNT = PhoneCountPresent(s);
}

} // namespace

TSettings &Settings() {
    static TSettings settings;
    return settings;
}

QString LoadSettingsFrom(const QString &path, TSettings &s) {
    const TIniFile ini(path);
    const TSettings d;
    s = d;
    LoadUserOptions(ini, s, d);
    LoadComm(ini, s, d);
    LoadModem(ini, s, d);
    s.CLM300ACCESSCODE = ini.ReadString(kClm300, "CLM300ACCESSCODE", d.CLM300ACCESSCODE);
    s.LANGUAGE = LanguageOf(ini);
    return ini.ReadError();
}

QString LoadSettings() { return LoadSettingsFrom(SettingsFilePath(), Settings()); }

QString SettingsReadError(const QString &path) { return TIniFile(path).ReadError(); }

// The file is read again before writing, so that keys the program never writes (and every other line)
// keep what the user put there since the start.
void SaveSettingsTo(const QString &path, const TSettings &s) {
    TIniFile ini(path);
    ini.WriteString(kUserOptions, "TempFilePath", s.TempFilePath);
    ini.WriteString(kUserOptions, "CMD_DIRECTORY", s.CMD_DIRECTORY);
    ini.WriteInteger(kUserOptions, "TempFileNo", s.TempFileNo);
    ini.WriteString(kUserOptions, "READOUTMODE", s.READOUTMODE);
    ini.WriteString(kUserOptions, "READER", s.READER);
    ini.WriteInteger(kUserOptions, "CODEMARK", s.CODEMARK);
    ini.WriteString(kUserOptions, "CHANNELMODE", s.CHANNELMODE);
    ini.WriteString(kUserOptions, "ACCESSCODE", s.ACCESSCODE);
    ini.WriteString(kUserOptions, "SENSORADJUSTMENT", s.SENSORADJUSTMENT);

    ini.WriteInteger(kComm, "COM", s.COM);
    ini.WriteString(kComm, "INIT", s.INIT);
    ini.WriteInteger(kComm, "CHECKTIME", s.CHECKTIME);
    ini.WriteInteger(kComm, "TIMEOUT", s.TIMEOUT);
    ini.WriteInteger(kComm, "CLMTIMEOUT", s.CLMTIMEOUT);

    ini.WriteBool(kModem, "VIAMODEM", s.VIAMODEM);
    ini.WriteBool(kModem, "RLBMODE", s.RLBMODE);
    ini.WriteBool(kModem, "CLM300", s.CLM300);
    ini.WriteBool(kModem, "GX500", s.GX500);
    ini.WriteString(kModem, "NORMAL", s.NORMAL);
    ini.WriteString(kModem, "RELIABLE", s.RELIABLE);
    ini.WriteString(kModem, "PREFIX", s.PREFIX);
    ini.WriteString(kModem, "RESET_STRING", s.RESET_STRING);

    ini.WriteInteger(kUserOptions, "PDBPERIOD", s.PDBPERIOD);
    ini.WriteString(kClm300, "CLM300ACCESSCODE", s.CLM300ACCESSCODE);
    for (int i = 0; i < kPhoneSaved; ++i) ini.WriteString(kModem, PhoneKey(i), s.Ph[i]);
    ini.Save();
}

void SaveSettings() { SaveSettingsTo(SettingsFilePath(), Settings()); }

QString ReadLanguageCode(const QString &path) { return LanguageOf(TIniFile(path)); }

} // namespace korvul
