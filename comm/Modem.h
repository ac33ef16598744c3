#pragma once
// The Hayes modem dialogue in front of a remote device. The program talks to the modem itself through
// the line driver (CommObject().CallLine: dpWrite, single-byte dpRead, dpPurge, dpInQueue, dpSetParam)
// before the protocol driver signs on, and hangs up after it signed off. Commands go out without a
// terminating zero byte. ModemState (comm/CommState.h) follows the dialogue: 0 idle, 1 initialised,
// 2 dialling, 3 connected.
//
// Failures raise TModemError, whose text is the language text the user reads:
//   2202 no "OK" after a command (with the line driver's result), 2203 no telephone number to dial,
//   2204 no answer within the dial time, 2205 an answer other than CONNECT or BUSY, 2206 read error while
//   waiting for the dial result (with the result), 2208 BUSY, 2209 cancelled by the user.
//
// ModemInit, ModemDial and ModemHangUp leave the line with its normal receive time-out (TIMEOUT) however
// they end; ModemReadLine sets its own.
//
// Fixed waits (500 ms after a command, the 1500 ms guard before "+++") are scaled by KORVUL_TIME_SCALE;
// read time-outs and the dial time are not.
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace korvul {

// The input/output error of the modem dialogue; TextNumber is the language text it carries.
class TModemError : public std::runtime_error {
public:
    TModemError(uint16_t textNumber, const QString &text)
        : std::runtime_error(text.toStdString()), TextNumber(textNumber) {}
    uint16_t TextNumber;
};

// The line driver's abort callback while the modem is talked to: processes pending events (so that the
// dialling window's Cancel works while a read waits) and answers 1 when CancelRequested is set.
extern "C" int32_t ModemAbortCheck(void);

// One text line from the modem: bytes of 32 and above are kept, a carriage return ends a non-empty
// line, other control bytes (line feed included) are dropped; at most 254 characters. TimeoutMs is the
// line driver's receive time-out (it restarts with every byte). Returns 0 or the line driver's result
// (deTimeout, deAborted, ...); Line is changed only on 0.
int32_t ModemReadLine(QString &line, int timeoutMs);

// Sends the reset command and then the mode command (each skipped when empty), each followed by CR and
// answered by a line starting with "OK" in any letter case. ModemState := 1.
void ModemInit(const QString &resetCommand, const QString &modeCommand);

// Dials "ATD" + prefix + number and waits up to dialTimeoutSeconds for the answer; ModemState := 3 and
// the abort callback removed on CONNECT. On a failure the abort callback stays installed. An empty (or
// blank) number sends nothing and raises 2203.
void ModemDial(const QString &prefix, const QString &number, int dialTimeoutSeconds);

// State 2: sends "ATH" CR. State 3: waits 1500 ms, sends "+++", reads lines for up to 2500 ms until
// "OK" or "0", then sends "ATH" CR whether or not the modem answered. Both end in ModemState 0; in
// states 0 and 1 nothing is sent.
void ModemHangUp();

// The headquarter password as the module expects it: the headquarter digit followed by the typed
// password, cut or padded with blanks to exactly 9 characters.
QString HeadquarterPassword(const QString &headQuarter, const QString &typed);

// Installs ModemInit, ModemDial and ModemHangUp as the connection's modem routines (ModemRoutines()).
void InstallModemRoutines();

} // namespace korvul
