#pragma once
// The settings record: every value of korvul.ini, loaded once at start (LoadSettings) and written whole
// after every confirmed change (SaveSettings). Windows read and change the record, never the file.
#include <QString>
#include <array>

namespace korvul {

constexpr int kPhoneListSize = 50;   // Ph0..Ph49
constexpr int kPhoneSaved = 10;      // SaveSettings writes Ph0..Ph9 only

struct TSettings {
    // [USER_OPTIONS]
    QString TempFilePath;                 // archive readout directory
    QString CMD_DIRECTORY;                // command script directory
    int TempFileNo = 999;
    QString READOUTMODE = "complete";     // held in lower case: bom, codemark, complete, dump
    QString READER;
    int CODEMARK = 0;
    QString CHANNELMODE = "Current";      // only the exact value "all" means all channels
    QString ACCESSCODE;                   // trimmed, at most 8 characters
    int PDBPERIOD = 15;                   // seconds
    int PDBSEPARATORCHARACTER = 9;        // never written
    QString SENSORADJUSTMENT = "ANALOG";
    // [COMM]
    int COM = 1;
    int TIMEOUT = 300;
    int CLMTIMEOUT = 7000;
    QString INIT = "4800,N,8,1,BIN,IGP0,T0700";
    int CHECKTIME = 15000;                // ms
    // [MODEM]
    bool VIAMODEM = false;
    bool RLBMODE = false;
    bool GX500 = false;
    bool CLM300 = false;
    QString NORMAL = "&F";
    QString RELIABLE = "&F";
    QString PREFIX = "P";
    int DIAL_TIMEOUT = 90;                // s, never written
    QString RESET_STRING = "&F";
    int PHCOUNT = 9;                      // last list index; never written; outside 0..49: numbers present
    std::array<QString, kPhoneListSize> Ph; // most recently dialled first
    // [CLM-300]
    QString CLM300ACCESSCODE;
    // [LANGUAGE] (read by the language module loader too; never written)
    QString LANGUAGE = "DE";

    bool AllChannels() const { return CHANNELMODE == QLatin1String("all"); }
};

// The one program-wide record.
TSettings &Settings();

// Fills Settings() from SettingsFilePath() in the documented key order; never fails (defaults).
// Returns why an existing file could not be read (then every value is its default), else empty.
QString LoadSettings();
// Same from a given file, into a given record (tests, korvul-read).
QString LoadSettingsFrom(const QString &path, TSettings &s);
// Why the file at path exists but cannot be read ("Permission denied", ...); empty when it can be read
// or does not exist.
QString SettingsReadError(const QString &path);

// Writes Settings() to SettingsFilePath(). Throws TIniFileError naming the file when it cannot write;
// the file on disk then stays as it was.
void SaveSettings();
void SaveSettingsTo(const QString &path, const TSettings &s);

// The language code as the loader sees it: [LANGUAGE] LANGUAGE, empty meaning "DE".
QString ReadLanguageCode(const QString &path);

} // namespace korvul
