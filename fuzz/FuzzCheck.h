#pragma once
// What every fuzz target shares: a broken invariant aborts, which libFuzzer reports as a finding.
#include <cstdlib>

namespace fuzzcheck {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace fuzzcheck
