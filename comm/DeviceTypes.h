#pragma once
// DeviceInfo, the one program-wide record of the identified device, and the device type table.
#include <QString>
#include <stdexcept>

namespace korvul {

struct TDeviceInfo {
    QString IdentText;        // answer of data item "a": type code x 100 + version, decimal
    QString TypeName;
    int TypeCode = 0;
    int Version = 0;
    int ChannelCount = 0;
    int ArchiveBlocks = 0;    // set by the archive readout
    QString ItemLetters;      // data items read as common data
    bool HasProcessData = false;
    bool HasArchive = false;
    bool IsCorrector = false;
    bool WriteAccess = false; // the device accepted the access code
    bool ValueLock = false;   // write result 4 for day boundary, period or Cp code means "locked"
};

// The program-wide record; lives for the whole run, filled anew at each identification.
TDeviceInfo &DeviceInfo();

// Raised when the identification answer is not a type number; the text says so in plain words.
class TIdentificationError : public std::runtime_error {
public:
    explicit TIdentificationError(const QString &identText);
};

// IdentText as a number: 1 to 9 decimal digits, blanks around allowed. Anything else raises
// TIdentificationError.
int IdentNumber(const QString &identText);

// What the type table says about one identification number.
struct TDeviceType {
    QString TypeName;
    int ChannelCount = 0;
    QString ItemLetters;
    bool HasProcessData = false;
    bool HasArchive = true;
    bool IsCorrector = false;
    bool ValueLock = false;
};
TDeviceType LookUpDeviceType(int typeCode, int version);

// The data items every known type reads as common data, before its type's suffix.
inline constexpr const char *kBaseItemLetters = "abzegljh^tsr\\p|n";

// Fills TypeCode, Version, TypeName, ChannelCount, ItemLetters and the flags of info from its IdentText
// and returns TypeName. WriteAccess and ArchiveBlocks are left alone. Raises TIdentificationError when
// IdentText is not a decimal number (info is then unchanged).
QString IdentifyDeviceType(TDeviceInfo &info);
inline QString IdentifyDeviceType() { return IdentifyDeviceType(DeviceInfo()); }

} // namespace korvul
