#pragma once
// Answers to the raw process data requests: "P55"/"P56" (NX-17, one line ending in CR) and "P67"
// (all other correctors: data after the "ZQV" header, "%" end, 4-digit byte-sum checksum, 4 trailer bytes).
#include "devsim/DeviceTypes.h"

#include <ctime>
#include <string>

namespace devsim {

// 16-bit sum of the byte values of `text`.
unsigned ByteSum(const std::string &text);

// The complete answer to `command` at time `now` (sample number `n` varies the values), or empty when
// the type does not answer that command. `corruptChecksum` makes the P67 checksum wrong by one;
// `status` is the P67 status field (8 hex digits).
std::string ProcessAnswer(const TypeInfo &type, const std::string &command, std::time_t now, int n,
                          bool corruptChecksum, const std::string &status = "80000000");

} // namespace devsim
