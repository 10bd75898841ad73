#include "output/diagnostic_text.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "base/asm_state.h"
#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "output/console.h"
#include "source/symbols.h"

namespace {

// Source text in quotes, with control characters shown as \xNN.
std::string quoted(std::string_view text) {
    std::string q = "'";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            q += format_text("\\x%02X", u);
        } else {
            q += c;
        }
    }
    return q + "'";
}

// "$1F", "$0400", "$12345": at least two or four digits.
std::string hex(std::int32_t v) {
    return format_text(v >= 0 && v <= 0xFF ? "$%02X" : "$%04X", static_cast<unsigned>(v));
}

// "$0100": four digits.
std::string hex4(std::int32_t v) { return format_text("$%04X", static_cast<unsigned>(v)); }

std::string without_spaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

// A value read from the source: in decimal, with its bits in hexadecimal.
std::string number(std::int32_t v) { return v >= 0 ? format_text("%d (%s)", v, hex(v).c_str()) : format_text("%d", v); }

std::string_view trim(std::string_view s) { return s.substr(0, s.find_last_not_of(' ') + 1); }
std::string_view trim_both(std::string_view s) {
    const std::string_view t = trim(s);
    return t.substr(std::min(t.find_first_not_of(' '), t.size()));
}

std::string or_rest(std::string_view rest) {
    return rest.find_first_not_of(" \t\r") == std::string_view::npos
               ? std::string()
               : ", and " + quoted(rest) + " is read as a new statement";
}

std::string warning_text(const Finding& f) {
    const char* what = f.form == 16 ? "hexadecimal" : "decimal";
    switch (static_cast<Warning>(f.kind)) {
        case Warning::digits:
            return format_text("%s is not a %s number: it reads as %s", quoted(f.text).c_str(), what,
                               number(static_cast<std::int32_t>(static_cast<std::uint32_t>(f.value))).c_str());
        case Warning::star:
            return format_text("'*' in %s is a digit worth 10, not the location counter: the term reads as %s",
                               quoted(f.text).c_str(), number(f.value).c_str());
        case Warning::ignored_operand:
            return format_text("%s of the operand %s is not read", quoted(f.more).c_str(), quoted(f.text).c_str());
        case Warning::truncated:
            return format_text("%s does not fit in %d bits: %s is kept", number(f.value).c_str(), f.form,
                               hex(f.other).c_str());
        case Warning::long_name:
            return format_text("%s and %s are one symbol: only the first 10 characters of a name count",
                               quoted(f.text).c_str(), quoted(f.more).c_str());
        case Warning::long_mnemonic:
            return format_text("%s is read as %s: only the first 4 characters of a mnemonic count",
                               quoted(f.text).c_str(), quoted(trim(f.more)).c_str());
        case Warning::slash: return format_text("'/' ends the fields: %s is not read", quoted(f.more).c_str());
        case Warning::colon: {
            const char* where = f.form == COLON_CONSTANT   ? "right after an apostrophe (the constant has no character)"
                                : f.form == COLON_FCC_TEXT ? "inside the fcc text"
                                                           : "inside a comment";
            return format_text("':' ends the statement %s%s", where, or_rest(f.more).c_str());
        }
        case Warning::long_line:
            return format_text("characters past column 79 are dropped: %s", quoted(f.text).c_str());
        case Warning::long_field: {
            const char* field = f.form == 0 ? "label" : f.form == 1 ? "mnemonic" : "operand";
            return format_text("the %s %s... is longer than 20 characters and runs on into the next field", field,
                               quoted(f.text).c_str());
        }
        case Warning::text_end:
            return format_text("a %s byte ends the text: the %d %s after it %s not read",
                               f.other == 0x1A ? "Ctrl-Z" : "$FF", f.value, f.value == 1 ? "byte" : "bytes",
                               f.value == 1 ? "is" : "are");
        case Warning::offset_dropped:
            return format_text("the offset %s before ',%s' is not encoded: auto-increment and auto-decrement take none",
                               quoted(f.text).c_str(), std::string(f.more).c_str());
        case Warning::pc_target:
            return format_text("in %s the value is the target address, as with ',pcr', not an offset from PC",
                               quoted(f.text + "," + f.more).c_str());
        case Warning::stack_self:
            return f.value == 's' ? format_text("%s in a pshs or puls list stands for U", quoted(f.text).c_str())
                                  : format_text("%s in a pshu or pulu list stands for S", quoted(f.text).c_str());
        case Warning::register_list:
            return f.form == LIST_AFTER_SPACE
                       ? format_text("the register list %s is read only up to its first space", quoted(f.text).c_str())
                       : format_text("a comma in the text after the list, %s, names a register",
                                     quoted(f.text).c_str());
        case Warning::fcb_char: {
            const char* effect = f.value == ','   ? "splits the list"
                                 : f.value == '*' ? "ends the list"
                                                  : "ends the field";
            return format_text("the character constant %s %s: write %s",
                               quoted(std::string(1, static_cast<char>(f.value))).c_str(), effect,
                               hex(f.value).c_str());
        }
        case Warning::comment_comma:
            return format_text("a comma in the text after the list, %s, adds an item", quoted(f.text).c_str());
        case Warning::fcc_delimiter:
            return f.form == FCC_NO_SLASH
                       ? format_text("the fcc text %s is not between two '/': nothing is stored",
                                     quoted(f.text).c_str())
                       : format_text("the fcc text %s has no closing '/': it runs to the end of the statement",
                                     quoted(f.text).c_str());
        case Warning::undefined_equ:
            return f.text.empty()
                       ? format_text("%s is defined nowhere, and no error is counted", quoted(f.more).c_str())
                       : format_text("%s is defined nowhere: %s takes %s and no error is counted",
                                     quoted(f.more).c_str(), quoted(f.text).c_str(), hex(f.value).c_str());
        case Warning::overwrite:
            return format_text("the byte at %s is placed over one an earlier statement placed", hex(f.value).c_str());
        case Warning::wrap:
            return f.form == WRAP_BYTE ? format_text("a byte is placed at %s, above $FFFF", hex(f.value).c_str())
                   : f.form == WRAP_RESERVED
                       ? format_text("space is reserved up to %s, above $FFFF", hex(f.value - 1).c_str())
                       : format_text("rmb with the count %d reserves %d bytes", f.value, f.other);
        case Warning::char_pair:
            return f.form == 16
                       ? format_text("%s gives %s: a 16-bit immediate takes two characters", quoted(f.text).c_str(),
                                     format_text("$%04X", static_cast<unsigned>(f.value)).c_str())
                       : format_text("%s gives %s: an 8-bit immediate takes one character", quoted(f.text).c_str(),
                                     hex(f.value).c_str());
        case Warning::flags_6800:
            return f.text == "cpx"
                       ? std::string(
                             "cpx is cmpx here, which sets C from all 16 bits (the MC6800's cpx leaves C "
                             "unchanged)")
                       : format_text(
                             "%s is tfr %s here, which sets no condition codes (the MC6800's %s sets N and Z and "
                             "clears V)",
                             f.text.c_str(), f.text == "tab" ? "a,b" : "b,a", f.text.c_str());
        case Warning::line_ends:
            return format_text(
                "%d %s not followed by a line feed: %s no line, and the lines %s run together (end lines with LF "
                "or CR LF)",
                f.value, f.value == 1 ? "carriage return is" : "carriage returns are", f.value == 1 ? "it ends" : "they end",
                f.value == 1 ? "around it" : "around them");
        case Warning::spaced_operand:
            return format_text("the operand %s ends at the space before %s, which is not read: %s",
                               quoted(f.text).c_str(), quoted(f.more).c_str(),
                               f.more.starts_with('*')
                                   ? "there is no multiplication, compute the value"
                                   : ("write " + quoted(without_spaces(f.text + f.more))).c_str());
        case Warning::image_span:
            return format_text(
                "the image files cover %s-%s, though the first byte placed is at %s: the space reserved before it "
                "is in them (reserve RAM with equ or after the code, or give --range for the .s19, .hex and .bin)",
                hex4(f.value).c_str(), hex4(f.last).c_str(), hex4(f.other).c_str());
        case Warning::empty_source: return "the source holds no statement: the image files are empty";
        case Warning::nul:
            return format_text("a NUL byte in column %d ends what is read of the line: %s is not read", f.value,
                               quoted(f.text).c_str());
        case Warning::tab_in_text:
            return f.form == TAB_IN_FCC_TEXT
                       ? format_text("a tab in the fcc text is read as %d %s: write $09 with fcb", f.value,
                                     f.value == 1 ? "space" : "spaces")
                       : std::string("a tab right after an apostrophe is read as a space ($20): write $09");
    }
    return "warning";
}

std::string register_text(const Finding& f, const char* which, const char* names) {
    return f.text.empty()
               ? format_text("%s name missing", which)
               : format_text("%s is not a%s %s%s", quoted(f.text).c_str(), *which == 'i' ? "n" : "", which, names);
}

std::string cause_text(const Finding& f) {
    switch (static_cast<Cause>(f.kind)) {
        case Cause::store8_immediate:
        case Cause::store16_prefixed_immediate: return "immediate operand on a store";
        case Cause::store16_immediate:
            return f.text == "jsr" ? "immediate operand on jsr" : "immediate operand on a store";
        case Cause::pair_register:
        case Cause::list_register_suffix:
        case Cause::list_register_unknown: return register_text(f, "register", "");
        case Cause::no_index_register: return register_text(f, "index register", " (x, y, u or s)");
        case Cause::unknown_mnemonic:
            return format_text("unknown mnemonic %s%s", quoted(f.text).c_str(),
                               f.text.starts_with(';') || f.text.starts_with('*')
                                   ? " (a comment line begins with '*' or ';' in the first column)"
                                   : "");
        case Cause::branch_range: {
            const std::string range = format_text("branch to %s is out of range (offset %+d)",
                                                  format_text("$%04X", static_cast<unsigned>(f.value)).c_str(),
                                                  f.other);
            return f.text.empty() ? range
                                  : format_text("undefined symbol %s: the %s", quoted(f.text).c_str(), range.c_str());
        }
        case Cause::byte_outside_image:
            return format_text("the byte at %s lies outside the code image, which starts at %s", hex(f.value).c_str(),
                               hex(f.other).c_str());
        case Cause::location_outside_image:
            return format_text("the location %s lies past the end of the code image, which starts at %s",
                               hex(f.value).c_str(), hex(f.other).c_str());
        case Cause::symbol_overflow:
            return format_text("the symbol table is full: %s is not stored", quoted(f.text).c_str());
        case Cause::immediate_with_comma:
            return format_text("immediate operand %s followed by ','", quoted(f.text).c_str());
        case Cause::label_moved:
            return f.form != 0
                       ? format_text("label %s is defined more than once", quoted(f.text).c_str())
                       : format_text(
                             "label %s moved between the passes, from %s to %s: a statement before it "
                             "changed its size",
                             quoted(f.text).c_str(), format_text("$%04X", static_cast<unsigned>(f.value)).c_str(),
                             format_text("$%04X", static_cast<unsigned>(f.other)).c_str());
        case Cause::not_yet_defined: return format_text("%s was not defined in pass 1", quoted(f.text).c_str());
        case Cause::undefined_symbol: return format_text("undefined symbol %s", quoted(f.text).c_str());
    }
    return "error";
}

// Each diagnostic goes out whole, in one write: standard error writes every
// piece it is given at once.
void put_line(const AsmState& st, const std::string& text) { *st.diagnostics << text; }

void write_line(AsmState& st, std::int32_t line, const char* severity, const std::string& text,
                const std::string& tag) {
    put_line(st, st.source_name + ':' + std::to_string(line) + ": " + severity + ": " + text + " [" + tag + "]\n");
}

// The names whose errors follow from a full table: the name that filled it
// (stored, but its first definition went elsewhere), and the name of the
// row that every name after it stands in for.
bool concerns_unstored_names(const AsmState& st, const Finding& cause) {
    switch (static_cast<Cause>(cause.kind)) {
        case Cause::symbol_overflow: return true;
        case Cause::label_moved:
        case Cause::not_yet_defined:
        case Cause::undefined_symbol:
            return cause.text == symbol_name(st.symbols[OVERFLOW_ROW]) ||
                   cause.text == symbol_name(st.symbols[SYMBOL_CAPACITY - 1]);
        default: return false;
    }
}

bool follows_from_full_table(const AsmState& st) {
    const std::vector<Finding>& causes = st.diag.causes;
    return st.symbol_count == SYMBOL_CAPACITY && !causes.empty() &&
           std::all_of(causes.begin(), causes.end(), [&](const Finding& c) { return concerns_unstored_names(st, c); });
}

void count_knock_on_error(AsmState& st) {
    if (st.diag.knock_on_errors++ == 0) {
        st.diag.knock_on_first = st.source_line;
    }
    st.diag.knock_on_last = st.source_line;
}

void report_table_full(const AsmState& st) {
    report_run_error(st, st.source_line,
                     format_text("the symbol table is full: it holds %d names, and %s and every new name after it "
                                 "are not stored",
                                 SYMBOL_CAPACITY - 1,
                                 quoted(symbol_name(st.symbols[SYMBOL_CAPACITY - 1])).c_str()));
}

}  // namespace

void report_statement_diagnostics(AsmState& st) {
    if (st.diagnostics == nullptr) {
        return;
    }
    if (st.source_line == st.diag.table_full_line) {
        report_table_full(st);
        st.diag.table_full_line = -1;  // said once
    }
    if (st.error_code != 0 && follows_from_full_table(st)) {
        count_knock_on_error(st);
    } else if (st.error_code != 0) {
        std::string causes;
        for (const Finding& cause : st.diag.causes) {
            causes += (causes.empty() ? "" : "; ") + cause_text(cause);
        }
        if (causes.empty()) {
            causes = "error";
        }
        if (st.diag.after_comment_colon) {
            causes += " (a ':' in the comment text before it ended a statement there, so " +
                      quoted(trim_both(std::string_view(st.line.data()))) + " is read as a statement of its own)";
        }
        write_line(st, st.source_line, "error", causes, format_text("%x", static_cast<unsigned>(st.error_code)));
    }
    for (const Finding& warning : take_warnings(st)) {
        write_line(st, st.source_line, "warning", warning_text(warning),
                   "-W" + std::string(warning_names[warning.kind]));
        ++st.diag.warnings_reported;
    }
}

void report_undefined_symbol(AsmState& st, int row) {
    if (st.diagnostics != nullptr) {
        put_line(st, st.source_name + ':' + std::to_string(st.symbol_lines[row]) + ": error: undefined symbol " +
                         quoted(symbol_name(st.symbols[row])) + "\n");
    }
}

void report_knock_on_errors(AsmState& st) {
    const std::int32_t n = st.diag.knock_on_errors;
    if (n == 0) {
        return;
    }
    const std::string lines = n == 1 ? format_text("on line %d", st.diag.knock_on_first)
                                     : format_text("on lines %d to %d", st.diag.knock_on_first, st.diag.knock_on_last);
    report_run_error(st, 0,
                     format_text("%d more %s, %s, %s from the full symbol table (a name it did not store is read "
                                 "as %s)",
                                 n, n == 1 ? "error" : "errors", lines.c_str(), n == 1 ? "follows" : "follow",
                                 quoted(symbol_name(st.symbols[OVERFLOW_ROW])).c_str()));
}

void report_warnings_are_errors(AsmState& st) {
    const bool one = st.diag.warnings_reported == 1;
    report_run_error(st, 0,
                     std::to_string(st.diag.warnings_reported) +
                         (one ? " warning treated as an error" : " warnings treated as errors") + " [-Werror]");
}

void report_run_error(const AsmState& st, std::int32_t line, const std::string& message) {
    if (st.diagnostics != nullptr) {
        const std::string where = line != 0 ? st.source_name + ':' + std::to_string(line) : st.source_name;
        put_line(st, where + ": error: " + message + "\n");
    }
}

void report_reason(const AsmState& st, const char* action, const std::string& name, const std::string& reason) {
    if (st.diagnostics != nullptr) {
        put_line(st, "x09asm: cannot " + std::string(action) + " '" + name + "': " + reason + "\n");
    }
}

void report_standard_input_reason(const AsmState& st, const std::string& reason) {
    if (st.diagnostics != nullptr) {
        put_line(st, "x09asm: cannot read standard input: " + reason + "\n");
    }
}
