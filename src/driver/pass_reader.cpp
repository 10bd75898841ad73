#include "driver/pass_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "codegen/directives.h"
#include "driver/asm_state.h"
#include "driver/statement.h"
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
    explicit SourceCursor(const std::string& bytes) : bytes_(bytes) {}

    int next() { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : END_OF_TEXT; }

    // The text ends here, whatever the file still holds.
    void end_text() { at_ = bytes_.size(); }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
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

// Collects one statement into `line`; returns the character that ended it.
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
                }
                break;
            case ReadAction::ctrl_z:
                cursor.end_text();
                [[fallthrough]];
            case ReadAction::end_of_text:
                ++st.end_seen;
                [[fallthrough]];
            case ReadAction::end_statement:
                st.line[column] = '\0';
                return c;
            case ReadAction::tab:
                column = next_tab_column(column);
                break;
            case ReadAction::drop:
                break;
        }
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
    if (!st.quiet) {
        print_format(st.console, "**** pass %d start ****\n", pass);
    }
    SourceCursor cursor(st.source);
    bool stop = false;
    while (!stop) {
        const int ended_by = read_statement(st, cursor);
        split_fields(st);
        assemble_statement(st, pass);
        if (ended_by == '\n') {
            ++st.source_line;
        }
        stop = st.end_seen != 0;
    }
    if (pass == 1 && st.top_placement == 1) {
        move_labels_to_top(st);
    }
}
