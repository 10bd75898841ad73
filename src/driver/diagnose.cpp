#include "driver/diagnose.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

Finding finding(std::uint8_t kind, const Fact& fact) {
    return Finding{kind, fact.form, std::string(fact.text), std::string(fact.more), fact.value, fact.other};
}

}  // namespace

void record_warning(AsmState& st, Warning kind, const Fact& fact) {
    st.diag.drawn |= warning_bit(kind);
    st.diag.warnings.push_back(finding(static_cast<std::uint8_t>(kind), fact));
}

void record_cause(AsmState& st, Cause cause, bool adds, const Fact& fact) {
    std::vector<Finding>& causes = st.diag.causes;
    Finding f = finding(static_cast<std::uint8_t>(cause), fact);
    // A store that keeps the number, over causes that each stored it, joins
    // them: two undefined names, two faulty list registers.
    if (st.error_code == 0) {
        causes.clear();  // those of an earlier statement, or of a cleared number
    }
    const int number = error_number(cause);
    const auto stored_same = [&](const Finding& c) { return error_number(static_cast<Cause>(c.kind)) == number; };
    const bool joins = st.error_code == number && std::all_of(causes.begin(), causes.end(), stored_same);
    if (!adds && !joins) {
        causes.clear();
    }
    const auto equal = [&](const Finding& c) { return c.kind == f.kind && c.text == f.text; };
    if (adds || std::none_of(causes.begin(), causes.end(), equal)) {
        causes.push_back(std::move(f));
    }
}

void begin_pass_diagnostics(AsmState& st, int pass) {
    const bool reported = pass == 2 && st.diagnostics != nullptr;
    st.diag.enabled = reported ? st.diag.wanted : 0;
    st.diag.record_causes = reported;
    st.diag.spellings.clear();
    st.diag.drawn = 0;
    st.diag.warnings.clear();
}

std::vector<Finding> take_warnings(AsmState& st) {
    st.diag.drawn = 0;
    return std::exchange(st.diag.warnings, {});
}

void check_spelling(AsmState& st, int row, std::string_view spelling) {
    std::vector<std::string>& seen = st.diag.spellings[row];
    if (std::find(seen.begin(), seen.end(), spelling) != seen.end()) {
        return;
    }
    if (!seen.empty()) {
        warn(st, Warning::long_name, {.text = spelling, .more = seen.front()});
    }
    seen.emplace_back(spelling);
}
