#include "driver/pass_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

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

// Walks the source bytes. Past the end of the text it yields END_OF_TEXT, as
// a $FF byte in the text reads.
class SourceCursor {
public:
    explicit SourceCursor(const std::string& bytes) : at_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    int next() { return at_ != end_ ? static_cast<unsigned char>(*at_++) : END_OF_TEXT; }

    // The text ends here, whatever the file still holds.
    void end_text() { at_ = end_; }

    // Bytes of the file not read yet.
    std::size_t remaining() const { return static_cast<std::size_t>(end_ - at_); }

    // What the physical line still holds after the character just read.
    std::string_view rest_of_line() const {
        const std::string_view rest(at_, remaining());
        return rest.substr(0, rest.find('\n'));
    }

private:
    const char* at_;
    const char* end_;
};

void reset_pass(AsmState& st) {
    st.end_seen = 0;
    st.error_count = 0;
    st.loc = 0;
    st.image_len = 0;
    st.origin = 0;
    st.source_line = 1;
    st.list_seq = 1;
    st.image_extent = 0;
    st.placed.fill(false);
}

int next_tab_column(int column) { return std::min((column / TAB_STOP + 1) * TAB_STOP, LINE_MAX_CHARS); }

// How the reader treats each byte of the file. The rules of a text stream
// are explicit here, the same on every platform: carriage returns are
// dropped, and Ctrl-Z ends the text as the end of the file does.
enum class ReadAction : std::uint8_t { store, end_statement, end_of_text, tab, drop, ctrl_z };

constexpr std::array<ReadAction, 256> read_actions = [] {
    std::array<ReadAction, 256> actions{};
    actions['\n'] = actions[':'] = ReadAction::end_statement;
    actions[END_OF_TEXT] = ReadAction::end_of_text;  // the end of the file, or a $FF byte
    actions['\t'] = ReadAction::tab;
    actions['\r'] = ReadAction::drop;
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

// A character other than a space lost past column 79.
void note_dropped(AsmState& st, int c) { st.diag.dropped.push_back(static_cast<char>(c)); }

// Text past column 79 was dropped: a fact worth telling unless it was comment.
void check_dropped(AsmState& st) {
    if (!st.diag.dropped.empty() && !is_comment_line(st) && !holds_comment(st)) {
        warn(st, Warning::long_line, {.text = st.diag.dropped});
    }
    st.diag.dropped.clear();
}

// A Ctrl-Z or $FF byte ended the text; what the file holds after it is never read.
void check_text_end(AsmState& st, int c, std::size_t unread) {
    if (unread != 0) {
        warn(st, Warning::text_end, {.value = static_cast<std::int32_t>(unread), .other = c});
    }
}

// Collects one statement into `line`; returns the character that ended it.
// It also tells what the text lost past column 79 or after a Ctrl-Z or $FF
// byte.
int read_statement(AsmState& st, SourceCursor& cursor) {
    st.line.fill(' ');
    int column = 0;
    for (;;) {
        const int c = cursor.next();
        switch (read_actions[static_cast<std::size_t>(c)]) {
            case ReadAction::store:
                if (column < LINE_MAX_CHARS) {
                    st.line[column] = static_cast<char>(c);
                    ++column;
                } else if (c != ' ') {
                    note_dropped(st, c);
                }
                break;
            case ReadAction::ctrl_z:
                check_text_end(st, CTRL_Z, cursor.remaining());
                cursor.end_text();
                [[fallthrough]];
            case ReadAction::end_of_text:
                check_text_end(st, END_OF_TEXT, cursor.remaining());  // nothing remains after a Ctrl-Z
                ++st.end_seen;
                [[fallthrough]];
            case ReadAction::end_statement:
                st.line[column] = '\0';
                if (column == LINE_MAX_CHARS) {
                    check_dropped(st);
                }
                return c;
            case ReadAction::tab:
                column = next_tab_column(column);
                break;
            case ReadAction::drop:
                break;
        }
    }
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

bool takes_no_operand(InsnClass cls) {
    return cls == CLS_INHERENT || cls == CLS_PREFIXED_INHERENT || cls == CLS_ACC_PAIR || cls == CLS_FIXED_PAIR;
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

// The statements of a pass, each read, split and assembled in turn.
void run_statements(AsmState& st, int pass) {
    SourceCursor cursor(st.source);
    bool stop = false;
    while (!stop) {
        const int ended_by = read_statement(st, cursor);
        split_fields(st);
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

// Reads `file` to its end into `bytes`, at most SOURCE_SIZE_LIMIT of them.
bool read_whole(std::FILE* file, std::string& bytes, std::error_code& error) {
    bytes.clear();
    std::array<char, 65536> block;
    for (;;) {
        errno = 0;
        const std::size_t n = std::fread(block.data(), 1, block.size(), file);
        if (bytes.size() + n > SOURCE_SIZE_LIMIT) {
            error = std::make_error_code(std::errc::file_too_large);
            return false;
        }
        bytes.append(block.data(), n);
        if (n < block.size()) {
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
    const bool read = read_whole(file, st.source, error);
    std::fclose(file);
    return read;
}

bool load_standard_input(AsmState& st, std::error_code& error) {
    read_standard_input_as_binary();
    return read_whole(stdin, st.source, error);
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
