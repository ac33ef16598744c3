/* Public interface of the serial line driver linqor32.so.
 *
 * One entry point, DriverProc, with a plain C ABI. The library owns one serial port per loaded copy.
 * The program and the protocol driver include this header; the library exports nothing else.
 *
 *   int32_t DriverProc(uint8_t Command, void *Data, int32_t *Arg3, int32_t *Arg4);
 *
 * Only the low 7 bits of Command count (0x80 is dpReset). Result 0 is success, negative values are the
 * driver's own error codes below, positive values are platform error numbers (errno) from a failed port
 * configuration or read, or raw error bits from a dpSetParam reconfiguration.
 */
#ifndef KORVUL_LINQOR32_H
#define KORVUL_LINQOR32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Command numbers, shared with the protocol drivers. */
enum {
    dpReset = 0,      /* reset; closes the port if open. Result: that close's result or 0 */
    dpBind = 1,       /* line driver: deUnknownCommand (protocol driver: Data = line driver's DriverProc) */
    dpOpen = 2,       /* Data = "PORT:baud,parity,databits,stopbits[,IGP...][,TO<ms>]" zero-terminated;
                         on failure *Arg3 = OpenStage, *Arg4 = errno of the failure (0 when none).
                         PORT may be tcp://HOST:PORT (bytes as they are) or rfc2217://HOST:PORT (telnet
                         COM-PORT option: the line settings and purges reach the remote port) */
    dpWrite = 3,      /* Data = bytes, *Arg3 = count in, *Arg4 = bytes written out */
    dpRead = 4,       /* Data = buffer, *Arg3 = bytes wanted (>= 1), *Arg4 = bytes received out */
    dpPurge = 5,      /* *Arg3 = flags: 1 transmit, 2 receive, 3 both */
    dpClose = 6,      /* close the port */
    dpRelease = 7,    /* line driver: deUnknownCommand */
    dpStop = 8,       /* close the port if open and forget the reset */
    dpStatus = 9,     /* *Arg3 = LineState bits, *Arg4 = CommErrors */
    dpVersion = 10,   /* *Arg3 = 0, *Arg4 = 203 */
    dpSetParam = 11,  /* *Arg3 = parameter number (sp...), *Arg4 = value; Data = callback for spAbortCheck */
    dpInQueue = 12,   /* result: bytes waiting in the receive queue, or deLineError */
    dpWriteOem = 18   /* line driver: deUnknownCommand (protocol driver: write OEM text item) */
};

/* Result codes of the line driver. */
enum {
    deOK = 0,
    deOpenFailed = -3,       /* the port could not be opened (missing, busy, not a terminal) */
    deTimeout = -13,         /* no byte received within the receive time-out */
    deBusy = -20,            /* another command of this library is still running (re-entry) */
    deUnknownCommand = -21,  /* command number not served (1, 7, 13 and up) */
    deNotInitialised = -23,  /* dpOpen or dpStop before dpReset */
    deNotOpen = -24,         /* the command needs an initialised driver with an open port */
    deLineError = -30,       /* the port reported errors, or a purge or status query failed */
    deAborted = -31,         /* the abort callback asked to stop */
    deNoCTS = -33,           /* clear-to-send watched and absent */
    deNoDataSetReady = -34,  /* data-set-ready watched and absent */
    deNoCarrier = -35,       /* carrier-detect watched and absent */
    deBadArgument = -36,     /* linqor32 addition: a null or negative argument the command needs */
    deNetConnection = -37    /* linqor32 addition: a network port (tcp://HOST:PORT, rfc2217://HOST:PORT)
                                could not be connected (refused, unreachable, no answer within 5 s,
                                COM-PORT option refused) or the connection was closed or dropped;
                                dpOpen, dpRead, dpWrite, dpPurge and dpSetParam report it */
};

/* Where a failed dpOpen stopped (*Arg3), with the errno of that step in *Arg4. */
enum {
    osPort = 0,          /* the port itself: ENOENT/ENXIO/ENODEV missing, EACCES no permission,
                            EBUSY/EWOULDBLOCK held by another program (or its UUCP lock file),
                            ENOTTY not a terminal; 0 when the name names no port at all */
    osSpeed = 1,         /* INIT field 1, the speed, is refused (the result is then EINVAL) */
    osParity = 2,        /* field 2, the parity letter */
    osDataBits = 3,      /* field 3, the data bits */
    osStopBits = 4,      /* field 4, the stop bits */
    osTimeout = 5,       /* a TO<ms> piece */
    osCombination = 6    /* each field is valid, the port refused them together (result: its errno) */
};

/* dpSetParam parameter numbers (*Arg3). */
enum {
    spBaudRate = 0,    /* *Arg4 = baud rate; reconfigures the port */
    spTimeout = 1,     /* *Arg4 = receive time-out in ms */
    spDataBits = 2,    /* *Arg4 low byte = data bits (5..8) */
    spParity = 3,      /* *Arg4 low byte = 0 none, 1 odd, 2 even, 3 mark, 4 space */
    spStopBits = 4,    /* *Arg4 low byte = 0 one, 1 one and a half, 2 two */
    spAbortCheck = 5,  /* Data = LineAbortCheck or null */
    spLineChecks = 6,  /* *Arg4 low byte: lcCTS | lcDSR | lcCarrier */
    spCharTimeout = 7  /* *Arg4 = ms each single-byte port read waits */
};

/* LineState bits (dpStatus *Arg3). lsPortGone: since the port was opened a read or write found it
   gone (hang-up, USB adapter unplugged: EIO, ENXIO, ENODEV); cleared by the next open or close. */
enum { lsInitialised = 1, lsPortOpen = 8, lsPortGone = 16 };

/* Line check bits (spLineChecks). */
enum { lcCTS = 1, lcDSR = 2, lcCarrier = 4 };

/* Error bits (dpStatus *Arg4, dpSetParam results). */
enum { ceRxOverflow = 1, ceOverrun = 2, ceParity = 4, ceFraming = 8, ceBreak = 16 };

/* Version number answered by dpVersion in *Arg4. */
enum { LINQOR32_VERSION = 203 };

/* Abort callback: asked before every received byte; non-zero stops the read with deAborted. */
typedef int32_t (*LineAbortCheck)(void);

/* The entry point's type, as found with dlsym(handle, "DriverProc"). */
typedef int32_t (*DriverProcFn)(uint8_t Command, void *Data, int32_t *Arg3, int32_t *Arg4);

#if defined(KORVUL_LINQOR_BUILD)
#define LINQOR32_EXPORT __attribute__((visibility("default")))
#else
#define LINQOR32_EXPORT
#endif

LINQOR32_EXPORT int32_t DriverProc(uint8_t Command, void *Data, int32_t *Arg3, int32_t *Arg4);

#ifdef __cplusplus
}
#endif

#endif /* KORVUL_LINQOR32_H */
