#pragma once

// What a run tells about a statement beyond its bytes and error number: the
// warnings (readings of the source that differ from what the notation means
// in mainstream MC6809 syntax) and the causes behind its error number. The
// rules record them as facts where they make the reading; the output layer
// puts them in words (output/diagnostic_text).

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class Warning : std::uint8_t {
    digits,
    star,
    ignored_operand,
    truncated,
    long_name,
    long_mnemonic,
    slash,
    colon,
    long_line,
    long_field,
    text_end,
    offset_dropped,
    pc_target,
    stack_self,
    register_list,
    fcb_char,
    comment_comma,
    fcc_delimiter,
    undefined_equ,
    overwrite,
    wrap,
    char_pair,
    flags_6800,
    line_ends,
    spaced_operand,
    image_span,
    empty_source,
    nul,
    tab_in_text,
};
inline constexpr int WARNING_KINDS = 29;

// The name after -W, -Wno- and in "[-WKIND]", in the order of the kinds.
inline constexpr std::array<std::string_view, WARNING_KINDS> warning_names = {
    "digits",         "star",          "ignored-operand", "truncated",     "long-name",     "long-mnemonic",
    "slash",          "colon",         "long-line",       "long-field",    "text-end",      "offset-dropped",
    "pc-target",      "stack-self",    "register-list",   "fcb-char",      "comment-comma", "fcc-delimiter",
    "undefined-equ",  "overwrite",     "wrap",            "char-pair",     "6800-flags",    "line-ends",
    "spaced-operand", "image-span",    "empty-source",    "nul",           "tab-in-text",
};

// The cases of the kinds that have several (Finding::form).
enum : std::uint8_t {
    COLON_CONSTANT = 0,   // right after an apostrophe
    COLON_FCC_TEXT,       // inside the text of an fcc
    COLON_COMMENT,        // inside a comment
    WRAP_BYTE = 0,        // a byte placed above $FFFF
    WRAP_RESERVED,        // space reserved above $FFFF
    WRAP_NEGATIVE_COUNT,  // rmb with a negative count
    LIST_AFTER_SPACE = 0, // a register after a space
    LIST_TRAILING_COMMA,  // a comma after the list names a register
    FCC_NO_SLASH = 0,     // no "/" at all
    FCC_NO_CLOSING,       // no closing "/"
    TAB_IN_FCC_TEXT = 0,  // inside the text of an fcc
    TAB_IN_CONSTANT,      // right after an apostrophe
};

constexpr std::uint32_t warning_bit(Warning kind) { return 1u << static_cast<unsigned>(kind); }
inline constexpr std::uint32_t ALL_WARNINGS = (1u << WARNING_KINDS) - 1;

// A warning or an error cause as recorded: its kind (a Warning or a Cause of
// error_numbers.h), which case of the kind, and what it concerns.
struct Finding {
    std::uint8_t kind = 0;
    std::uint8_t form = 0;    // the case of the kind, where it has several
    std::string text;         // the source text concerned
    std::string more;         // a second text: another spelling, what is not read ...
    std::int32_t value = 0;   // the value read, an address ...
    std::int32_t other = 0;   // what was kept, an offset ...
    std::int32_t last = 0;    // the end of a range
};

// The diagnostics of the run and of the current statement.
struct Diagnostics {
    std::uint32_t wanted = ALL_WARNINGS;  // kinds the run reports (-w, -Wno-KIND)
    std::uint32_t enabled = 0;            // kinds recorded now: the wanted ones in a reported pass
    bool record_causes = false;           // error causes recorded now (a reported pass)
    std::uint32_t drawn = 0;              // kinds the current statement has drawn
    std::vector<Finding> warnings;        // the current statement's, in the order drawn
    std::vector<Finding> causes;          // the current statement's error causes
    std::int32_t warnings_reported = 0;   // in the whole run
    std::string dropped;                  // characters the statement lost past column 79
    bool after_comment_colon = false;     // the statement began after a ':' in comment text
    // Where the statement's first tab after a "/" began and ended, and the
    // apostrophe a tab followed (-1: none), as the reader met them.
    struct TabNotes {
        bool noted = false;
        std::int32_t text_tab = -1;
        std::int32_t text_tab_to = -1;
        std::int32_t apostrophe = -1;
    } tabs;
    // The full symbol table: the line where it filled (0: it never did), and
    // the errors of pass 2 that follow from it, summed up instead of said.
    std::int32_t table_full_line = 0;
    std::int32_t knock_on_errors = 0;
    std::int32_t knock_on_first = 0;
    std::int32_t knock_on_last = 0;
    // The last operand evaluated while warnings are recorded: its value, and
    // what its terms naming negative equ symbols take from it to mean what
    // they say (-$10000 each: 96000 for $E000 plus a symbol of -$6900 is
    // meant as 30464).
    std::int32_t evaluated = 0;
    std::int32_t meant_shift = 0;
    // Where the image files begin, as pass 1 left it: the line of the org
    // that set the origin (0: none did), the image's extent and the index of
    // its first placed byte (the extent when none was placed).
    std::int32_t origin_line = 0;  // of the pass running
    struct ImageStart {
        std::int32_t origin_line = 0;
        std::int32_t origin = 0;
        std::int32_t extent = 0;
        std::int32_t first_placed = 0;
    } image_start;
    // Spellings of 10-character names met in this pass, by symbol row, first
    // spelling first.
    std::map<int, std::vector<std::string>> spellings;
};
