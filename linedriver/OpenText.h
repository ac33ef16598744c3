#pragma once
// The dpOpen text "PORT:baud,parity,databits,stopbits[,more pieces]" taken apart. Pure logic.
#include "linedriver/Port.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace linqor {

// Each piece is cut to this many characters, as the driver always has (a 100-byte work buffer).
inline constexpr size_t kMaxPiece = 99;

struct OpenText {
    bool hasColon = false;
    bool portTooLong = false;    // the name before the colon exceeds kMaxPiece characters
    std::string port;            // text before the first colon (after HOST:PORT of a network name)
    PortSettings settings;       // fields present in the text; invalid ones hold out-of-range values
    bool ignoreParity = false;   // an "IGP..." piece: parity errors are not line errors
    std::optional<int64_t> receiveTimeoutMs;  // last valid "TO<ms>" piece
    bool badTimeout = false;     // a "TO" piece whose number is not a decimal 0..4294967295
};

// Never fails: fields that are not decimal numbers come back as values the port rejects.
OpenText ParseOpenText(std::string_view text);

// A decimal integer with optional blanks around it and an optional sign; nothing else.
std::optional<int64_t> ParseDecimal(std::string_view s);

} // namespace linqor
