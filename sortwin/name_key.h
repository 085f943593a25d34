// A name prepared once for many comparisons: the name cut to the bytes that
// take part, and where its runs lie with the value of every digit run. A sort
// builds one key per item and compares keys, so no comparison copies, splits
// or parses a name again.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "sortwin/name_compare.h"

namespace tervo {

// One run of a name, in place: offset and length within the cut name.
struct NameRun {
    uint8_t start = 0;
    uint8_t length = 0;
    bool digits = false;
    int32_t value = 0;  // the run's wrapped value, for digit runs only
};

class NameKey {
public:
    NameKey() = default;
    // The key views the name's bytes: the name must outlive the key. Runs are
    // found only when with_runs is set (mode 0 compares whole names).
    NameKey(std::string_view name, bool with_runs);

    // The compared part: at most 255 bytes, up to the first NUL.
    std::string_view text() const { return text_; }
    int run_count() const { return run_count_; }
    // Run k; past run_count, the empty text run an empty slot compares as.
    const NameRun& run(int k) const { return runs_[k]; }
    // Bit k set when run k is a digit run.
    uint32_t digit_runs() const { return digit_runs_; }
    // The text runs in order, each followed by a NUL that compares as the
    // run's end: between two keys whose runs are of the same kinds, the text
    // runs compare as these bytes do.
    std::string_view text_runs() const {
        return std::string_view(reinterpret_cast<const char*>(text_runs_.data()), text_runs_length_);
    }

private:
    std::string_view text_;
    int run_count_ = 0;
    uint32_t digit_runs_ = 0;
    std::array<NameRun, kMaxNameRuns> runs_{};
    uint16_t text_runs_length_ = 0;
    std::array<unsigned char, kCompareNameBytes + kMaxNameRuns> text_runs_;
};

// The comparison of compare_names on two prepared keys. The keys must have
// been built with runs unless sort_mode is 0.
int32_t compare_keys(const NameKey& a, const NameKey& b, int32_t sort_mode, int32_t direction);

}  // namespace tervo
