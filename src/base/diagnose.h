#pragma once

// Recording what a rule reads: one call where the reading is made. Warnings
// are recorded only in a reported pass and only for the kinds the run wants,
// once per kind and statement; error numbers change only through
// store_error, add_error and clear_error, which keep the causes beside them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/asm_state.h"
#include "base/error_numbers.h"

// What a finding concerns; copied only when it is recorded.
struct Fact {
    std::uint8_t form = 0;  // the case of the kind
    std::string_view text = {};
    std::string_view more = {};
    std::int32_t value = 0;
    std::int32_t other = 0;
    std::int32_t last = 0;
};

void record_warning(AsmState& st, Warning kind, const Fact& fact);
// Called before error_code changes.
void record_cause(AsmState& st, Cause cause, bool adds, const Fact& fact);

// True when a warning of this kind would be recorded for the statement now;
// for findings whose facts cost something to gather.
inline bool wants(const AsmState& st, Warning kind) {
    return (st.diag.enabled & ~st.diag.drawn & warning_bit(kind)) != 0;
}

inline void warn(AsmState& st, Warning kind, const Fact& fact = {}) {
    if (wants(st, kind)) {
        record_warning(st, kind, fact);
    }
}

// error_code := the cause's number; the cause replaces the earlier ones (or
// joins them when the number stays the same).
inline void store_error(AsmState& st, Cause cause, const Fact& fact = {}) {
    if (st.diag.record_causes) {
        record_cause(st, cause, false, fact);
    }
    st.error_code = error_number(cause);
}

// error_code += the cause's number; the cause joins the earlier ones.
inline void add_error(AsmState& st, Cause cause, const Fact& fact = {}) {
    if (st.diag.record_causes) {
        record_cause(st, cause, true, fact);
    }
    st.error_code += error_number(cause);
}

// error_code := 0, without a cause. (The causes recorded before go with the
// number: the next cause recorded over 0 drops them.)
inline void clear_error(AsmState& st) { st.error_code = 0; }

// The cause of this kind behind the statement's error number, or nullptr.
const Finding* find_cause(const AsmState& st, Cause cause);

// The warnings the statement drew, taken once it is reported.
std::vector<Finding> take_warnings(AsmState& st);

// Pass 2 of a run with somewhere to report records; pass 1 never does.
void begin_pass_diagnostics(AsmState& st, int pass);

// While it lives, evaluation reads a value nobody uses: how it is read draws
// no warning (an immediate character constant, whose bytes the encoder takes
// from the text itself).
class UnusedValue {
public:
    explicit UnusedValue(AsmState& st) : st_(st), saved_(st.diag.enabled) { st.diag.enabled = 0; }
    ~UnusedValue() { st_.diag.enabled = saved_; }
    UnusedValue(const UnusedValue&) = delete;
    UnusedValue& operator=(const UnusedValue&) = delete;

private:
    AsmState& st_;
    std::uint32_t saved_;
};

// A name of 10 characters or more was read for `row`: a spelling that
// differs from the row's first one past the 10th character draws long-name.
void check_spelling(AsmState& st, int row, std::string_view spelling);
