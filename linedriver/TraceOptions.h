#pragma once
// The trace option file TRRS232.TXT: "NAME=value" lines, and where it is.
#include <cstdint>
#include <string>
#include <string_view>

namespace linqor {

inline constexpr const char *kTraceOptionFile = "TRRS232.TXT";
inline constexpr size_t kMaxOptionFileBytes = 64 * 1024;  // more than that is not an option file

struct TraceOptions {
    std::string file;       // output path; empty leaves tracing off
    bool realtime = false;  // clock-time stamps instead of counter ticks
    bool diff = false;      // stamps are the time since the previous stamp
    bool autoRemove = false;  // delete an output file last written more than a day ago
    int64_t maxSize = 0;    // non-zero: no event lines once the file has reached this many bytes
};

// The first line with a given name counts; names match in any letter case; the value is the rest
// of the line after the first "=", blanks around names and values dropped. A number that is not a
// decimal integer counts as 0.
TraceOptions ParseTraceOptions(std::string_view content);

// Path of the option file in `dir`, its name in any letter case ("trrs232.txt" counts): the name as
// kTraceOptionFile spells it when that exists, else the first matching entry in byte order. Empty when
// the folder holds none (or cannot be read).
std::string FindTraceOptionFile(const std::string &dir);

} // namespace linqor
