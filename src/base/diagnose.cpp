#include "base/diagnose.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

Finding finding(std::uint8_t kind, const Fact& fact) {
    return Finding{kind, fact.form, std::string(fact.text), std::string(fact.more), fact.value, fact.other, fact.last};
}

}  // namespace

void record_warning(AsmState& st, Warning kind, const Fact& fact) {
    st.diag.drawn |= warning_bit(kind);
    st.diag.warnings.push_back(finding(static_cast<std::uint8_t>(kind), fact));
}

namespace {

bool adds(Cause cause) { return cause == Cause::store8_immediate || cause == Cause::pair_register; }

Cause cause_of(const Finding& f) { return static_cast<Cause>(f.kind); }

}  // namespace

void record_cause(AsmState& st, Cause cause, bool added, const Fact& fact) {
    std::vector<Finding>& causes = st.diag.causes;
    if (st.error_code == 0) {
        causes.clear();  // those of an earlier statement, or of a cleared number
    }
    Finding f = finding(static_cast<std::uint8_t>(cause), fact);
    if (added) {
        causes.push_back(std::move(f));
        return;
    }
    // A name not yet defined (77) is what the lookup of an operand term
    // stores just before the term stores 78 over it: it stands provisionally
    // beside the causes before it, and the 78 takes its place.
    if (cause == Cause::not_yet_defined) {
        causes.push_back(std::move(f));
        return;
    }
    int held = st.error_code;
    if (cause == Cause::undefined_symbol && !causes.empty() && cause_of(causes.back()) == Cause::not_yet_defined &&
        causes.back().text == f.text) {
        causes.pop_back();
        held = causes.empty() ? 0 : error_number(cause_of(causes.back()));
    }
    // A store that keeps the number, over causes that each stored it, joins
    // them: two undefined names, two faulty list registers.
    const int number = error_number(cause);
    const auto stored_same = [&](const Finding& c) {
        return !adds(cause_of(c)) && error_number(cause_of(c)) == number;
    };
    if (held != number || !std::all_of(causes.begin(), causes.end(), stored_same)) {
        causes.clear();
    }
    const auto equal = [&](const Finding& c) { return c.kind == f.kind && c.text == f.text; };
    if (std::none_of(causes.begin(), causes.end(), equal)) {
        causes.push_back(std::move(f));
    }
}

const Finding* find_cause(const AsmState& st, Cause cause) {
    const std::vector<Finding>& causes = st.diag.causes;
    const auto it = std::find_if(causes.begin(), causes.end(), [&](const Finding& f) { return cause_of(f) == cause; });
    return st.error_code != 0 && it != causes.end() ? &*it : nullptr;  // causes of a cleared number are stale
}

void begin_pass_diagnostics(AsmState& st, int pass) {
    const bool reported = pass == 2 && st.diagnostics != nullptr;
    st.diag.enabled = reported ? st.diag.wanted : 0;
    st.diag.record_causes = reported;
    st.diag.spellings.clear();
    st.diag.origin_line = 0;
    st.diag.after_comment_colon = false;
    st.diag.drawn = 0;
    st.diag.warnings.clear();
    st.diag.causes.clear();
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
