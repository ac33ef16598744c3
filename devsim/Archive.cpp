#include "devsim/Archive.h"

#include <algorithm>
#include <cstdio>

namespace devsim {

uint16_t ValueWord(uint32_t seed, int64_t n) {
    uint64_t x = (static_cast<uint64_t>(seed) << 32) ^ static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<uint16_t>(1 + x % 0x3FF);
}

Archive::Archive(const ArchiveSpec &spec, std::time_t now) : sizeBytes_(std::max(0, spec.sizeBytes)) {
    const int records = Records();
    const int filled = spec.filledRecords < 0 ? records * 3 / 4 : std::min(spec.filledRecords, records);
    const std::size_t wantWords = static_cast<std::size_t>(filled) * 4;
    const std::time_t step = std::max(1, spec.periodMinutes) * 60;
    std::time_t t = now - now % step;
    std::tm prev{};
    localtime_r(&t, &prev);
    for (int64_t n = 0; words_.size() < wantWords; ++n, t -= step) {
        std::tm cur{};
        localtime_r(&t, &cur);
        // Walking back in time: crossing into an earlier day (month) leaves its marker behind.
        if (cur.tm_mon != prev.tm_mon) words_.push_back(WordMonth);
        if (cur.tm_mday != prev.tm_mday) words_.push_back(WordDay);
        words_.push_back(ValueWord(spec.seed, n));
        prev = cur;
    }
    words_.resize(wantWords);
    for (const auto &m : spec.codeMarks) {
        std::size_t at = std::min(words_.size(), static_cast<std::size_t>(std::max(0, m.record - 1)) * 4);
        words_.insert(words_.begin() + static_cast<std::ptrdiff_t>(at),
                      {static_cast<uint16_t>(m.value & 0xFFF), WordCodeMark});
    }
    words_.resize(std::min(words_.size(), wantWords));
    if (filled < records) words_.push_back(WordEnd);
    FitToSize();
}

void Archive::FitToSize() {
    const std::size_t total = static_cast<std::size_t>(Records()) * 4;
    // A full memory has no end marker: the oldest words give way to new ones, and a readout ends
    // with the last record.
    words_.resize(total, WordErased);
}

std::string Archive::Record(int index) const {
    if (index < 0 || index >= Records()) return {};
    char buf[32];
    const std::size_t i = static_cast<std::size_t>(index) * 4;
    std::snprintf(buf, sizeof buf, "%03X%03X%03X%03X", words_[i], words_[i + 1], words_[i + 2], words_[i + 3]);
    return buf;
}

void Archive::AddCodeMark(int value) {
    words_.insert(words_.begin(), {static_cast<uint16_t>(value & 0xFFF), WordCodeMark});
    FitToSize();
}

void Archive::Clear() {
    words_.clear();
    words_.push_back(WordEnd);
    FitToSize();
}

void Archive::SetWords(std::vector<uint16_t> words) {
    words_ = std::move(words);
    FitToSize();
}

} // namespace devsim
