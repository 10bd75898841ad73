#include "driver/pass_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "codegen/directives.h"
#include "codegen/insn_table.h"
#include "base/asm_state.h"
#include "base/diagnose.h"
#include "driver/statement.h"
#include "driver/whole_source.h"
#include "output/console.h"
#include "output/platform.h"
#include "source/fields.h"

namespace {

constexpr int END_OF_TEXT = 0xFF;  // what the reader receives at the end, as a $FF byte reads
constexpr char CTRL_Z = 0x1A;
constexpr int TAB_STOP = 8;

// Where the walk stands in the source. The source's last byte is followed by
// a NUL, so the walk tests for the end only when it meets a NUL byte.
struct SourceCursor {
    explicit SourceCursor(const SourceBytes& bytes)
        : at(reinterpret_cast<const unsigned char*>(bytes.data())), end(at + bytes.size()) {}

    // Bytes of the file not read yet.
    std::size_t remaining() const { return at < end ? static_cast<std::size_t>(end - at) : 0; }

    // What the physical line still holds after the character just read.
    std::string_view rest_of_line() const {
        const std::string_view rest(reinterpret_cast<const char*>(at), remaining());
        return rest.substr(0, rest.find('\n'));
    }

    const unsigned char* at;   // the next byte to read
    const unsigned char* end;  // the NUL after the text
    int walks_due = 0;         // statements the walk reads before a scan is tried again
};

void reset_pass(AsmState& st) {
    st.end_seen = 0;
    st.error_count = 0;
    st.loc = 0;
    st.image_len = 0;
    st.origin = 0;
    st.source_line = 1;
    st.list_seq = 1;
    // A byte placed lies below the extent; clearing no further leaves the
    // pages above it untouched.
    std::fill_n(st.placed.begin(), st.image_extent, false);
    st.image_extent = 0;
}

int next_tab_column(int column) { return std::min((column / TAB_STOP + 1) * TAB_STOP, LINE_MAX_CHARS); }

// How the walk treats each byte of the file, for the statement text and for
// its fields at once. The rules of a text stream are explicit here, the same
// on every platform: carriage returns are dropped, and Ctrl-Z ends the text
// as the end of the file does.
enum class ReadAction : std::uint8_t {
    store,          // a character of a word
    space,          // ends a field, together with the spaces and tabs after it
    tab,            // to the next multiple of 8, as spaces
    comma,          // ends a field and marks it
    slash,          // ends the fields; fcc reads its text from the line
    bracket,        // "]": in the line, never in the fields
    drop,           // carriage return
    nul,            // ends the fields, or the text when it is the NUL after the source
    end_statement,  // line feed, colon
    end_of_text,    // a $FF byte
    ctrl_z,
};

constexpr std::array<ReadAction, 256> read_actions = [] {
    std::array<ReadAction, 256> actions{};
    actions[' '] = ReadAction::space;
    actions['\t'] = ReadAction::tab;
    actions[','] = ReadAction::comma;
    actions['/'] = ReadAction::slash;
    actions[']'] = ReadAction::bracket;
    actions['\r'] = ReadAction::drop;
    actions['\0'] = ReadAction::nul;
    actions['\n'] = actions[':'] = ReadAction::end_statement;
    actions[END_OF_TEXT] = ReadAction::end_of_text;
    actions[CTRL_Z] = ReadAction::ctrl_z;
    return actions;
}();

bool is_comment_line(const AsmState& st) { return is_comment_marker(st.line[0]); }

bool fcc_statement(const AsmState& st) {
    const InsnEntry* row = find_insn(&st.fields[FIELD_MNEMONIC]);
    return !is_comment_line(st) && row != nullptr && row->cls == CLS_FCC;
}

// A ";" that starts a comment: not the character of a constant.
bool holds_comment(const AsmState& st) {
    for (const char* p = std::strchr(st.line.data(), ';'); p != nullptr; p = std::strchr(p + 1, ';')) {
        if (p == st.line.data() || p[-1] != '\'') {
            return true;
        }
    }
    return false;
}

// Text past column 79 was dropped (the bytes from `from` to `to` other than
// spaces, tabs and carriage returns): a fact worth telling unless it was
// comment.
void check_dropped(AsmState& st, const unsigned char* from, const unsigned char* to) {
    std::string& dropped = st.diag.dropped;
    dropped.clear();
    for (const unsigned char* p = from; p != to; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r') {
            dropped.push_back(static_cast<char>(*p));
        }
    }
    if (!dropped.empty() && !is_comment_line(st) && !holds_comment(st)) {
        warn(st, Warning::long_line, {.text = dropped});
    }
}

// A Ctrl-Z or $FF byte ended the text; what the file holds after it is never read.
void check_text_end(AsmState& st, int c, std::size_t unread) {
    if (unread != 0) {
        warn(st, Warning::text_end, {.value = static_cast<std::int32_t>(unread), .other = c});
    }
}

// A NUL byte at `at` of the line ends the text that the fields, fcc and the
// list rules read: worth telling when something other than blanks follows,
// and the NUL is not in a comment (the text before it holds no ";").
void check_nul(AsmState& st, int at, int end) {
    const std::string_view after(st.line.data() + at + 1, static_cast<std::size_t>(std::max(end - at - 1, 0)));
    if (after.find_first_not_of(std::string_view(" \0", 2)) != std::string_view::npos && !is_comment_line(st) &&
        !holds_comment(st)) {
        warn(st, Warning::nul, {.text = after.substr(after.find_first_not_of(' ')), .value = at + 1});
    }
}

bool takes_no_operand(InsnClass cls) {
    return cls == CLS_INHERENT || cls == CLS_PREFIXED_INHERENT || cls == CLS_ACC_PAIR || cls == CLS_FIXED_PAIR;
}

// Tabs the walk met where their spaces may be read as characters: after a
// "/" (in an fcc text), or after an apostrophe (as a constant's character).
// The first of each is noted; the walk's normal path pays nothing.
void note_text_tab(AsmState& st, int column) {
    Diagnostics::TabNotes& tabs = st.diag.tabs;
    if (tabs.text_tab < 0) {
        tabs.text_tab = column;
        tabs.text_tab_to = next_tab_column(column);
        tabs.noted = true;
    }
}
void note_apostrophe_tab(AsmState& st, int apostrophe) {
    Diagnostics::TabNotes& tabs = st.diag.tabs;
    if (tabs.apostrophe < 0) {
        tabs.apostrophe = apostrophe;
        tabs.noted = true;
    }
}

// A tab that the reader turned into spaces where they are read as
// characters: inside an fcc text (from column `text_tab` to `text_tab_to`), or
// as the character of a constant, after the apostrophe at `apostrophe`.
void check_tabs_read_as_spaces(AsmState& st, int text_tab, int text_tab_to, int apostrophe) {
    const InsnEntry* row = find_insn(&st.fields[FIELD_MNEMONIC]);
    if (is_comment_line(st) || row == nullptr) {
        return;
    }
    if (row->cls == CLS_FCC) {
        const char* line = st.line.data();
        const char* opening = std::strchr(line, '/');
        const char* closing = opening != nullptr ? std::strchr(opening + 1, '/') : nullptr;
        if (text_tab >= 0 && opening != nullptr && opening < line + text_tab &&
            (closing == nullptr || closing >= line + text_tab_to)) {
            warn(st, Warning::tab_in_text, {.form = TAB_IN_FCC_TEXT, .value = text_tab_to - text_tab});
        }
        return;
    }
    // The apostrophe ends the operand's first word: a constant of it, not a
    // comment's.
    const std::string_view operand = line_from(st, st.operand_at);
    if (apostrophe >= st.operand_at && !takes_no_operand(row->cls) &&
        operand.substr(0, static_cast<std::size_t>(apostrophe - st.operand_at)).find(' ') == std::string_view::npos) {
        warn(st, Warning::tab_in_text, {.form = TAB_IN_CONSTANT});
    }
}

// The noted tabs of the statement, told when they are read as spaces; the
// notes are cleared for the next statement.
void check_tab_in_text(AsmState& st) {
    const Diagnostics::TabNotes tabs = std::exchange(st.diag.tabs, {});
    if (wants(st, Warning::tab_in_text)) {
        check_tabs_read_as_spaces(st, tabs.text_tab, tabs.text_tab_to, tabs.apostrophe);
    }
}

// The speed figures below were measured when the walk read every statement
// of the benchmark source; it now reads those that are not plain, such as
// every statement of a source that separates its fields by tabs.
// One walk over the bytes of a statement: it collects the statement text
// into `line` (tabs expanded, at most 79 characters) and cuts it into the
// fields as it goes; returns the byte that ended the statement. The fields
// end at a "/" or a NUL and the text at column 79; after either the walk
// goes on with less to do. It also tells what the text lost past column 79
// or after a Ctrl-Z or $FF byte.
int read_statement(AsmState& st, SourceCursor& cursor) {
    char* const line = st.line.buffer();
    std::memset(line, ' ', LINE_SIZE);
    FieldWriter fields(st.fields.data());
    const unsigned char* p = cursor.at;
    int column = 0;
    int first_nul = -1;                           // where a NUL byte stands in the line
    const unsigned char* dropped_from = nullptr;  // the first byte read at column 79
    unsigned char c = *p++;
    ReadAction action = read_actions[c];

    // The text and its fields.
    for (;;) {
        switch (action) {
            case ReadAction::store: {
            word:
                // A word: each character to the line and to the field at
                // once, as many as both still hold, with one test each.
                // Pays: 0.9 M of the benchmark's 37.9 M instructions, over
                // a test of both ends for every character.
                const int n = std::min(LINE_MAX_CHARS - column, fields.room());
                if (n > 0) {
                    char* to_line = line + column;
                    char* const line_stop = to_line + n;
                    char* to_field = fields.cursor();
                    const char lower = fields.lower();
                    for (;;) {
                        *to_line++ = static_cast<char>(c);
                        *to_field++ = static_cast<char>(c | lower);
                        if (to_line == line_stop) {
                            break;
                        }
                        c = *p++;
                        action = read_actions[c];
                        if (action != ReadAction::store) {
                            break;
                        }
                    }
                    fields.wrote(static_cast<int>(to_line - (line + column)));
                    column = static_cast<int>(to_line - line);
                    if (to_line != line_stop) {
                        goto word_end;  // the byte after the word is read already
                    }
                    if (column == LINE_MAX_CHARS) {
                        goto full_line;
                    }
                    c = *p++;
                    action = read_actions[c];
                    if (action != ReadAction::store) {
                        goto word_end;
                    }
                }
                // The fields are full: the rest of the word goes to the line alone.
                for (;;) {
                    line[column] = static_cast<char>(c);
                    if (++column == LINE_MAX_CHARS) {
                        goto full_line;
                    }
                    c = *p++;
                    action = read_actions[c];
                    if (action != ReadAction::store) {
                        break;
                    }
                }
            word_end:
                // Straight on to a run of spaces, the usual next thing.
                // Pays: 0.3 M of the benchmark's 33.0 M instructions.
                if (action != ReadAction::space && action != ReadAction::tab) {
                    continue;
                }
            }
                [[fallthrough]];
            case ReadAction::space:
            case ReadAction::tab:
                // The line holds spaces already; a run of them ends one field.
                fields.end_field();
                if (action == ReadAction::space) {
                    ++column;
                } else {
                    if (column > 0 && line[column - 1] == '\'') {
                        note_apostrophe_tab(st, column - 1);
                    }
                    column = next_tab_column(column);
                }
                for (;;) {
                    if (column == LINE_MAX_CHARS) {
                        fields.field_starts(column);
                        goto full_line;
                    }
                    c = *p++;
                    action = read_actions[c];
                    if (action == ReadAction::space) {
                        ++column;
                    } else if (action == ReadAction::tab) {
                        column = next_tab_column(column);
                    } else if (action != ReadAction::drop) {
                        break;
                    }
                }
                fields.field_starts(column);
                if (action == ReadAction::store) {
                    goto word;
                }
                continue;  // the byte after the run is read already
            case ReadAction::comma:
                line[column] = ',';
                fields.comma();
                fields.field_starts(++column);
                if (column == LINE_MAX_CHARS) {
                    goto full_line;
                }
                break;
            case ReadAction::slash:
                line[column] = '/';
                fields.slash(column, column >= 1 ? line[column - 1] : '\0');
                ++column;
                goto text_only;
            case ReadAction::bracket:
                line[column] = ']';
                if (++column == LINE_MAX_CHARS) {
                    goto full_line;
                }
                break;
            case ReadAction::drop: break;
            case ReadAction::nul:
                if (p > cursor.end) {
                    goto statement_end;
                }
                line[column] = '\0';
                first_nul = column;
                fields.stop();
                ++column;
                goto text_only;
            default: goto statement_end;
        }
        c = *p++;
        action = read_actions[c];
    }

full_line:
    fields.stop();  // at the NUL in column 79
    goto dropping;

    // The fields have ended; the text goes on.
text_only:
    for (;;) {
        if (column == LINE_MAX_CHARS) {
            goto dropping;
        }
        c = *p++;
        action = read_actions[c];
        switch (action) {
            case ReadAction::tab:
                note_text_tab(st, column);
                column = next_tab_column(column);
                break;
            case ReadAction::drop: break;
            case ReadAction::nul:
                if (p > cursor.end) {
                    goto text_end;
                }
                if (first_nul < 0) {
                    first_nul = column;
                }
                line[column++] = '\0';
                break;
            case ReadAction::end_statement:
            case ReadAction::end_of_text:
            case ReadAction::ctrl_z: goto text_end;
            default: line[column++] = static_cast<char>(c); break;
        }
    }

    // Column 79: the rest of the statement is dropped.
dropping:
    dropped_from = p;
    for (;;) {
        c = *p++;
        action = read_actions[c];
        if (action >= ReadAction::end_statement || (action == ReadAction::nul && p > cursor.end)) {
            break;
        }
    }
    goto text_end;

statement_end:
    fields.stop();
text_end:
    cursor.at = p;
    fields.finish(st);
    int ended_by = c;
    if (action == ReadAction::ctrl_z) {
        check_text_end(st, CTRL_Z, cursor.remaining());
        ++st.end_seen;
    } else if (action == ReadAction::end_of_text) {
        check_text_end(st, END_OF_TEXT, cursor.remaining());
        ++st.end_seen;
    } else if (action == ReadAction::nul) {  // the end of the source
        ended_by = END_OF_TEXT;
        ++st.end_seen;
    }
    line[column] = '\0';
    st.line_len = first_nul >= 0 ? first_nul : column;
    if (dropped_from != nullptr && wants(st, Warning::long_line)) {
        check_dropped(st, dropped_from, p - 1);
    }
    if (first_nul >= 0 && wants(st, Warning::nul)) {
        check_nul(st, first_nul, column);
    }
    if (st.diag.tabs.noted) {
        check_tab_in_text(st);
    }
    return ended_by;
}

// A colon ended the statement where the writer meant no end: inside an fcc
// text, as the character of a constant, or inside a comment.
void check_colon(AsmState& st, const SourceCursor& cursor) {
    const std::string_view rest = cursor.rest_of_line();
    const char* slash = std::strchr(st.line.data(), '/');
    if (fcc_statement(st) && slash != nullptr && std::strchr(slash + 1, '/') == nullptr) {
        warn(st, Warning::colon, {.form = COLON_FCC_TEXT, .more = rest});
    } else if (is_comment_line(st) || holds_comment(st)) {
        // Only text after the colon is read as something new.
        if (rest.find_first_not_of(" \t\r") != std::string_view::npos) {
            warn(st, Warning::colon, {.form = COLON_COMMENT, .more = rest});
        }
    } else if (const std::size_t n = std::strlen(st.line.data()); n > 0 && st.line[n - 1] == '\'') {
        warn(st, Warning::colon, {.form = COLON_CONSTANT, .more = rest});
    }
}

// Position in `line` after the word at `at`, and after the spaces behind it.
int skip_word(const AsmState& st, int at) {
    while (st.line[at] != '\0' && st.line[at] != ' ') {
        ++at;
    }
    return at;
}
int skip_spaces(const AsmState& st, int at) {
    while (st.line[at] == ' ') {
        ++at;
    }
    return at;
}

// The colon that ended the statement lies in text it does not read as
// fields: a comment, or the text after the operand (after the mnemonic, for
// one that takes none).
bool colon_in_comment_text(const AsmState& st) {
    if (is_comment_line(st) || holds_comment(st)) {
        return true;
    }
    const InsnEntry* row = find_insn(&st.fields[FIELD_MNEMONIC]);
    if (row == nullptr || row->cls == CLS_EMPTY || row->cls == CLS_FCC) {
        return false;
    }
    const int mnemonic = skip_spaces(st, st.line[0] == ' ' ? 0 : skip_word(st, 0));
    int read_to = skip_word(st, mnemonic);
    if (!takes_no_operand(row->cls)) {
        read_to = skip_word(st, skip_spaces(st, read_to));
    }
    return st.line[read_to] != '\0';
}

// Bytes a plain statement must have after its start in the source: its
// copies below read whole fields and lines at fixed lengths.
constexpr int PLAIN_READS = LINE_SIZE + FIELD_WIDTH;

// Reads, without storing a character, the layout of a plain statement at
// `bytes`: one whose text is its bytes as they stand (no tab, carriage
// return, NUL, "]" before a "/", Ctrl-Z or $FF byte among them, shorter than
// a full line, no field's word longer than the field, ended by a line feed
// or colon). Its fields are cut as the walk cuts them: a run of spaces or a
// comma ends a field, a comma marks it, a "/" ends the fields. Any other
// statement is left to the walk (false); the layout tells whether a tab made
// it so. Inline in next_statement: 0.21 M of the benchmark's 22.9 M
// instructions.
[[gnu::always_inline]] inline bool scan_plain_statement(const unsigned char* const bytes, StatementLayout& layout) {
    constexpr int field_count = FIELDS_SIZE / FIELD_WIDTH;
    const unsigned char* const last = bytes + LINE_MAX_CHARS;  // the first column a plain text never reaches
    const unsigned char* p = bytes;
    ReadAction action;
    for (int f = 0;; ++f) {
        const unsigned char* const word = p;
        while ((action = read_actions[*p]) == ReadAction::store) {
            ++p;
        }
        if (p >= last) {
            return false;
        }
        if (f < field_count) {
            if (p - word > FIELD_WIDTH) {
                return false;
            }
            layout.starts[f] = static_cast<std::uint8_t>(word - bytes);
            layout.lengths[f] = static_cast<std::uint8_t>(p - word);
        }
        if (action == ReadAction::space) {
            while ((action = read_actions[*++p]) == ReadAction::space) {
            }
            if (p >= last || action == ReadAction::tab || action == ReadAction::drop) {
                break;
            }
        } else if (action == ReadAction::comma) {
            if (f < field_count) {
                layout.commas = static_cast<std::uint8_t>(layout.commas | 1u << f);
            }
            if (++p >= last) {
                return false;
            }
        } else if (action == ReadAction::end_statement) {
            layout.length = static_cast<std::uint8_t>(p - bytes);
            return true;
        } else if (action == ReadAction::slash) {
            if (p > bytes && p[-1] != ' ' && p[-1] != ',' && f * FIELD_WIDTH <= FIELD_OPERAND1) {
                layout.slash_field = static_cast<std::int8_t>(f * FIELD_WIDTH);
            }
            // The text after it, up to the end of the statement.
            while ((action = read_actions[*++p]) != ReadAction::end_statement) {
                if (action == ReadAction::tab || action == ReadAction::drop || action >= ReadAction::nul) {
                    layout.tab = action == ReadAction::tab;
                    return false;
                }
            }
            if (p >= last) {
                return false;
            }
            layout.length = static_cast<std::uint8_t>(p - bytes);
            return true;
        } else {
            break;
        }
        if (f + 1 == FIELD_OPERAND1 / FIELD_WIDTH) {
            layout.operand_at = static_cast<std::uint8_t>(p - bytes);
        }
    }
    layout.tab = action == ReadAction::tab && p < last;
    return false;
}

// Sixteen characters in one register. The first 16 columns of each field of
// a plain statement are made in a register and stored once, so that a read
// of them that follows (the mnemonic's 4 characters, a name's 10) never waits
// for overlapping stores to drain. Over copies that laid spaces over the tail
// of each (the line was made so too then): the benchmark 3.7 % less CPU time
// (median of 500 runs each, taking turns), for 2.3 M more instructions
// (24.8 M).
typedef signed char Chars16 __attribute__((vector_size(16)));

constexpr Chars16 SPACES = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

Chars16 load16(const void* bytes) {
    Chars16 loaded;
    std::memcpy(&loaded, bytes, sizeof loaded);
    return loaded;
}

// Masks for a word `length` long (at most 32), read from 32 - length on:
// `kept` holds -1 for each of its columns and 0 after them, `spaces` 0 for
// each of them and a space for each column after.
struct WordMasks {
    std::array<signed char, 64> kept{};
    std::array<signed char, 64> spaces{};
};
constexpr WordMasks WORD_MASKS = [] {
    WordMasks masks;
    for (std::size_t i = 0; i < masks.kept.size(); ++i) {
        masks.kept[i] = i < 32 ? -1 : 0;
        masks.spaces[i] = i < 32 ? 0 : ' ';
    }
    return masks;
}();

// The first 16 columns of a word `length` long from the bytes at `text`,
// spaces after it, ORed with `lowered`, at `to`.
[[gnu::always_inline]] inline void put_word16(char* to, const unsigned char* text, int length, Chars16 lowered) {
    const signed char* const kept = WORD_MASKS.kept.data() + 32 - length;
    const signed char* const spaces = WORD_MASKS.spaces.data() + 32 - length;
    const Chars16 word = (load16(text) & load16(kept)) | load16(spaces) | lowered;
    std::memcpy(to, &word, sizeof word);
}

// Columns 16 on of a field's word, which few words reach.
[[gnu::cold, gnu::noinline]] void finish_long_word(char* field, const unsigned char* word, int length, bool lowered) {
    for (int i = 16; i < length; ++i) {
        field[i] = static_cast<char>(word[i] | (lowered ? 0x20 : 0));
    }
}

// Field f of a plain statement over spaces laid under all the fields: its
// word from the bytes and spaces after it in its first 16 columns, lowered
// in the mnemonic field (a space stays one); the rest of a word longer than
// 16 characters, which few are, after them. An empty field, as most labels
// and fifth fields are, is left as the spaces are: 1.3 M fewer of the
// benchmark's 24.6 M instructions.
[[gnu::always_inline]] inline void put_field(char* fields, const unsigned char* bytes, const StatementLayout& layout,
                                             int f, bool lowered) {
    const unsigned char* const word = bytes + layout.starts[f];
    const int length = layout.lengths[f];
    if (length == 0) {
        return;
    }
    char* const field = fields + f * FIELD_WIDTH;
    put_word16(field, word, length, lowered ? SPACES : Chars16{});
    if (length > 16) [[unlikely]] {
        finish_long_word(field, word, length, lowered);
    }
}

// Makes the text and fields of a plain statement at the cursor from its
// layout, exactly as the walk makes them; returns the byte that ended it.
// Inline in both readers, as next_statement is in run_statements: the calls
// and their saved registers cost 0.47 M of the benchmark's 23.4 M
// instructions.
[[gnu::always_inline]] inline int put_plain_statement(AsmState& st, SourceCursor& cursor, const StatementLayout& layout) {
    const unsigned char* const bytes = cursor.at;
    st.line.stand_in(bytes, layout.length);
    st.line_len = layout.length;

    char* const fields = st.fields.data();
    for (int i = 0; i + 16 <= FIELDS_SIZE; i += 16) {
        std::memcpy(fields + i, &SPACES, sizeof SPACES);
    }
    std::memcpy(fields + FIELDS_SIZE - 16, &SPACES, sizeof SPACES);
    put_field(fields, bytes, layout, 0, false);
    put_field(fields, bytes, layout, 1, true);
    put_field(fields, bytes, layout, 2, false);
    put_field(fields, bytes, layout, 3, false);
    put_field(fields, bytes, layout, 4, false);
    for (unsigned commas = layout.commas; commas != 0; commas &= commas - 1) {
        fields[std::countr_zero(commas) * FIELD_WIDTH + FIELD_WIDTH - 1] = ',';
    }
    st.operand_at = layout.operand_at;
    st.slash_field = layout.slash_field;
    st.long_fields = 0;
    const int ended_by = bytes[layout.length];
    cursor.at += layout.length + 1;
    return ended_by;
}

// A source whose fields are separated by tabs has them on nearly every
// line: after a statement with a tab, this many go straight to the walk, so
// that such a source pays for a scan that finds a tab only every 16th
// statement. Pays, with the benchmark's first space of each line a tab: 1.3 M
// of its 32.2 M instructions.
constexpr int WALKS_AFTER_TAB = 15;

// Reads the statement at the cursor into `line` and `fields`: a plain one
// from its scanned layout, any other by the walk; returns the byte that
// ended it. `layout` is left as the record of the statement for pass 2.
[[gnu::always_inline]] inline int next_statement(AsmState& st, SourceCursor& cursor, StatementLayout& layout) {
    if (cursor.walks_due == 0 && cursor.end - cursor.at >= PLAIN_READS) {
        if (scan_plain_statement(cursor.at, layout)) {
            return put_plain_statement(st, cursor, layout);
        }
        if (layout.tab) {
            cursor.walks_due = WALKS_AFTER_TAB + 1;
        }
    }
    if (cursor.walks_due > 0) {
        --cursor.walks_due;
    }
    layout.length = StatementLayout::WALKED;
    return read_statement(st, cursor);
}

// Pass 2 reads a statement as pass 1 did: a plain one from pass 1's record
// of its layout, not scanning it again; any other by the walk.
[[gnu::always_inline]] inline int next_statement_again(AsmState& st, SourceCursor& cursor, std::size_t index) {
    if (index < st.statements.size() && st.statements[index].length != StatementLayout::WALKED) {
        return put_plain_statement(st, cursor, st.statements[index]);
    }
    return read_statement(st, cursor);
}

// Records are kept for the first million statements (15 MB at most); room
// is made at first for one of every 8 bytes of the source.
constexpr std::size_t MAX_STATEMENT_RECORDS = std::size_t{1} << 20;
constexpr std::size_t BYTES_A_STATEMENT = 8;

// The pages of the records are asked for this many at a time, as the first
// of them is written: of the benchmark's records (73 pages), like those of
// the source, at 0.36 µs a page rather than a page fault's 0.66. The two
// save 1.1 % of its run's CPU time (A/B, 400 runs each).
constexpr std::size_t RECORDS_PREPARED = 65536 / sizeof(StatementLayout);

// Returns the index of the next record to prepare.
std::size_t prepare_records(std::vector<StatementLayout>& records, std::size_t from) {
    const std::size_t count = std::min(RECORDS_PREPARED, records.capacity() - from);
    prepare_pages(records.data() + from, count * sizeof(StatementLayout));
    return from + RECORDS_PREPARED;
}

// The statements of a pass, each read, split and assembled in turn. Pass 1
// keeps the layout of each, for pass 2 to read it again without a scan.
// Pays: 1.9 M of the benchmark's 28.0 M instructions, for 75 page faults.
void run_statements(AsmState& st, int pass) {
    SourceCursor cursor(st.source);
    if (pass == 1) {
        st.statements.clear();
        st.statements.reserve(std::min(st.source.size() / BYTES_A_STATEMENT, MAX_STATEMENT_RECORDS));
    }
    std::size_t next_prepared = 0;
    bool stop = false;
    for (std::size_t index = 0; !stop; ++index) {
        int ended_by;
        if (pass == 2) {
            ended_by = next_statement_again(st, cursor, index);
        } else if (index < MAX_STATEMENT_RECORDS) {
            if (index == next_prepared) {
                next_prepared = prepare_records(st.statements, index);
            }
            ended_by = next_statement(st, cursor, st.statements.emplace_back());
        } else {
            StatementLayout unkept;
            ended_by = next_statement(st, cursor, unkept);
        }
        if (ended_by == ':' && wants(st, Warning::colon)) {
            check_colon(st, cursor);
        }
        assemble_statement(st, pass);
        st.diag.after_comment_colon = ended_by == ':' && st.diag.record_causes && colon_in_comment_text(st);
        if (ended_by == '\n') {
            ++st.source_line;
        }
        stop = st.end_seen != 0;
    }
}

// Reads `file` to its end into `bytes`, at most SOURCE_SIZE_LIMIT of them;
// `expected` is how many the file holds, when known, or 0. Room for them all
// at once spares the copies and the fresh pages of a growing string: for the
// benchmark source 0.2 M fewer instructions (of 30.9 M) and 18 fewer page
// faults (of 315). The bytes are read straight into that room, not through
// a block of their own: 16 page faults fewer again.
bool read_whole(std::FILE* file, SourceBytes& bytes, std::uintmax_t expected, std::error_code& error) {
    constexpr std::size_t chunk = 65536;
    bytes.clear();
    const auto expected_bytes = static_cast<std::size_t>(std::min<std::uintmax_t>(expected, SOURCE_SIZE_LIMIT));
    prepare_pages(bytes.room(expected_bytes + 1), expected_bytes);
    for (;;) {
        // As much as the room left holds, so that the expected size never
        // makes the room grow; a chunk once it is used up.
        const std::size_t want = bytes.spare() > 0 ? std::min(chunk, bytes.spare()) : chunk;
        char* const to = bytes.room(want);
        errno = 0;
        const std::size_t n = std::fread(to, 1, want, file);
        bytes.add(n);
        if (bytes.size() > SOURCE_SIZE_LIMIT) {
            error = std::make_error_code(std::errc::file_too_large);
            return false;
        }
        if (n < want) {
            if (std::ferror(file)) {
                error = last_error();
                return false;
            }
            return true;
        }
    }
}

}  // namespace

bool load_source(AsmState& st, const std::string& source_name, std::error_code& error) {
    std::FILE* file = std::fopen(source_name.c_str(), "rb");
    if (file == nullptr) {
        error = last_error();
        return false;
    }
    std::error_code size_unknown;
    const std::uintmax_t size = std::filesystem::file_size(source_name, size_unknown);
    const bool read = read_whole(file, st.source, size_unknown ? 0 : size, error);
    std::fclose(file);
    return read;
}

bool load_standard_input(AsmState& st, std::error_code& error) {
    read_standard_input_as_binary();
    return read_whole(stdin, st.source, 0, error);
}

void run_pass(AsmState& st, int pass) {
    reset_pass(st);
    begin_pass_diagnostics(st, pass);
    if (!st.quiet) {
        print_format(st.console, "**** pass %d start ****\n", pass);
    }
    if (pass == 2) {
        check_whole_source(st);
    }
    run_statements(st, pass);
    if (pass == 1) {
        note_image_start(st);
        if (st.top_placement == 1) {
            move_labels_to_top(st);
        }
    }
}
