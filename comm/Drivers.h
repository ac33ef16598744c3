#pragma once
// Loading the driver libraries and the exception of the communication layer.
#include "linedriver/linqor32.h"

#include <QString>
#include <stdexcept>

namespace korvul {

// The communication layer's exception. Its text is "ERROR" (the connection is broken), one of the two
// library load texts below, a driver result in decimal ("-13": line or protocol error, "4": the device
// refused), or a language text that the caller shows as it stands.
class TCommClassException : public std::runtime_error {
public:
    explicit TCommClassException(const QString &message) : std::runtime_error(message.toStdString()) {}
    static TCommClassException Result(int32_t result) { return TCommClassException(QString::number(result)); }
    QString Message() const { return QString::fromStdString(what()); }
};

inline constexpr const char *kLoadErrorText = "Error onloading the DLL";
inline constexpr const char *kNoDriverProcText = "Func DRIVERPROC is not declared";
inline constexpr const char *kErrorText = "ERROR";

// The file name the loader looks for: a name ending in ".dll" (any letter case) ends in ".so" instead
// ("linqor32.dll" -> "linqor32.so"); other names stay as they are.
QString LibraryFileName(const QString &driverFile);

// Loads one driver library, from the program directory first, then by bare name through the system
// search, and returns its DriverProc. handle receives the library handle (nullptr on failure).
// Raises TCommClassException kLoadErrorText when the library cannot be loaded, and kNoDriverProcText
// (after closing the library again) when it does not export DriverProc.
DriverProcFn LoadDriver(const QString &fileName, void *&handle);
// Closes a library loaded by LoadDriver; null is ignored.
void FreeDriver(void *handle);

// The protocol driver file and family number for a family code (exact, case-sensitive comparison).
struct TDriverFamily {
    QString ProtocolDriverFile;
    uint8_t Family;
};
TDriverFamily DriverFamily(const QString &familyCode);

} // namespace korvul
