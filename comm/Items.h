#pragma once
// Reading and writing device data items through the protocol driver, and the raw line exchange of the
// process data request. Every answer is read into a full 256-byte buffer that is zero-terminated after
// the call and then cut to the length its item allows, so no device answer can overrun a buffer.
#include "comm/StrList.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace korvul {

// Longest answer kept: any item; a common data item; the channel item 'Y'.
inline constexpr int kItemTextMax = 255;
inline constexpr int kCommonItemMax = 20;
inline constexpr int kChannelItemMax = 9;

// Reads one item; any non-zero protocol result raises TCommClassException with the result in decimal.
// expectedLength (0: unknown) goes to the driver as the answer length it may deliver.
void ReadItem(uint8_t code, QString &value, int32_t expectedLength = 0);
// The same, as raw bytes (for texts in the OEM code page).
QByteArray ReadItemBytes(uint8_t code, int32_t expectedLength = 0);
// Item 'Y' as the channel selection reads it: cut to 9 characters, "0" characters where the driver
// left the buffer untouched.
QString ReadChannelItem();
// Writes raw bytes; any non-zero result raises TCommClassException with the result in decimal.
void WriteItemOrRaise(uint8_t code, const QByteArray &value);

// Writes Value (empty: nothing is sent, result 0). On success and Key other than "\x14", CommonData's
// line Key is set to Value. Negative results raise; 0 or the device's positive refusal is returned.
int32_t WriteItem(uint8_t code, const QString &key, const QString &value, TStrList &commonData);
// Writes Value converted to the OEM code page with dpWriteOem. Empty: nothing sent, 0. Negative raises.
int32_t WriteProtectedItem(uint8_t code, const QString &value);

// Reads every letter of DeviceInfo().ItemLetters into List (answers cut to 20 characters; a refused
// item is skipped), then sends the access code (WriteAccess when accepted) and the reader name; a reader
// name the device refused is reported through the message hook (language text 256).
void ReadCapabilityItems(TStrList &list);
// Reads the module items Letters into ModuleData (OEM texts), after sending the module access code when
// HQFlag and WithAccessCode are set (ModuleAccess when accepted).
void ReadModuleItems(TStrList &moduleData, const QString &letters, bool withAccessCode);
// The reader name (12 characters, blank-padded) as item 102; 0 for a KP-40/T. A negative result raises
// with language text 256.
int32_t WriteReaderName();
// The code mark as two hexadecimal digits (item 126); 0 when CODEMARK is 0. A time-out raises with
// language text 251.
int32_t WriteCodeMark();

// Sends "\x01" + Command + CR through the line driver and collects the answer (P67: up to "%" or LF, with
// a 16-bit byte sum check that empties a mismatching answer; others: up to CR, at most 79 characters);
// up to 3 attempts; then 0x17. Raises "ERROR" when the last attempt failed or 0x17 cannot be sent.
void ExchangeRawCommand(const QString &command, QString &answer);

} // namespace korvul
