#pragma once
// Archive memory of one channel: a list of 12-bit words, newest first, read out as records of four
// words (12 hexadecimal characters, 6 bytes of memory each).
//
// Word values: 0x000-0xFEF measured values (one per measuring period); markers 0xFFC day boundary,
// 0xFFA month boundary, value + 0xFF9 a code mark with that value, 0xFF1 end of the recorded data,
// 0xFFF erased memory after the end.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace devsim {

constexpr uint16_t WordDay = 0xFFC, WordMonth = 0xFFA, WordCodeMark = 0xFF9, WordEnd = 0xFF1,
                   WordErased = 0xFFF;

struct ArchiveSpec {
    int sizeBytes = 6144;       // memory size; records = sizeBytes / 6
    int filledRecords = -1;     // records holding data before the end marker; -1: three quarters
    int periodMinutes = 60;     // one value word per period
    uint32_t seed = 1;          // values are a deterministic function of the seed
    struct Mark { int value; int record; };  // code mark `value` placed at 1-based record `record`
    std::vector<Mark> codeMarks;
};

class Archive {
public:
    Archive() = default;
    // Builds the memory as recorded up to `now` (local time decides day and month boundaries).
    Archive(const ArchiveSpec &spec, std::time_t now);

    int SizeBytes() const { return sizeBytes_; }
    int Records() const { return sizeBytes_ / 6; }
    // Record `index` (0-based, newest first) as 12 upper-case hexadecimal digits.
    std::string Record(int index) const;
    // A code mark written now: the words `value`, 0xFF9 become the newest words.
    void AddCodeMark(int value);
    // Deleting the measurements leaves an empty memory: the end marker, then erased words.
    void Clear();
    const std::vector<uint16_t> &Words() const { return words_; }
    void SetWords(std::vector<uint16_t> words);

private:
    void FitToSize();
    int sizeBytes_ = 0;
    std::vector<uint16_t> words_;
};

// Value word of period `n` for `seed`: small pseudo-random counts, never a marker.
uint16_t ValueWord(uint32_t seed, int64_t n);

} // namespace devsim
