#include "driver/pass_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <ios>

#include "driver/asm_state.h"
#include "driver/statement.h"
#include "output/console.h"
#include "source/fields.h"

namespace {

constexpr int END_OF_TEXT = 0xFF;  // what the reader receives at the end, as a $FF byte reads
constexpr char CTRL_Z = 0x1A;
constexpr int TAB_STOP = 8;

// Reads the source bytes a block at a time. At the end of the file it yields
// END_OF_TEXT, as a $FF byte in the text reads.
class SourceReader {
public:
    explicit SourceReader(std::streambuf& source) : source_(source) {}

    int next() {
        if (at_ == filled_ && !refill()) {
            return END_OF_TEXT;
        }
        return static_cast<unsigned char>(block_[at_++]);
    }

    // The text ends here, whatever the file still holds.
    void end_text() {
        ended_ = true;
        at_ = filled_;
    }

private:
    bool refill() {
        if (ended_) {
            return false;
        }
        at_ = 0;
        filled_ = static_cast<std::size_t>(source_.sgetn(block_.data(), static_cast<std::streamsize>(block_.size())));
        ended_ = filled_ == 0;
        return !ended_;
    }

    std::streambuf& source_;
    std::array<char, 16384> block_{};
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool ended_ = false;
};

bool open_source(AsmState& st, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
        return false;
    }
    // Unbuffered: the reader fetches its own blocks straight into its array.
    st.source.rdbuf()->pubsetbuf(nullptr, 0);
    st.source.open(name, std::ios::in | std::ios::binary);
    return st.source.is_open();
}

void reset_pass(AsmState& st) {
    st.end_seen = 0;
    st.error_count = 0;
    st.loc = 0;
    st.image_len = 0;
    st.origin = 0;
    st.source_line = 1;
    st.list_seq = 1;
    st.image_extent = 0;
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
int read_statement(AsmState& st, SourceReader& reader) {
    st.line.fill(' ');
    int column = 0;
    for (;;) {
        const int c = reader.next();
        switch (read_actions[static_cast<std::size_t>(c)]) {
            case ReadAction::store:
                if (column < LINE_MAX_CHARS) {
                    st.line[column] = static_cast<char>(c);
                    ++column;
                }
                break;
            case ReadAction::ctrl_z:
                reader.end_text();
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

}  // namespace

void move_labels_to_top(AsmState& st) {
    for (int row = 0; row < st.symbol_count; ++row) {
        SymbolEntry& sym = st.symbols[row];
        if (sym.kind != SYM_UNDEFINED && sym.kind != SYM_EQU) {
            sym.value = wrap_add(wrap_sub(sym.value, st.end_len), 0xF000) & 0xFFFF;
        }
    }
}

int run_pass(AsmState& st, const std::string& source_name, int pass) {
    if (!open_source(st, source_name)) {
        print_format(st.console, "*** Cannot open file %s\n", source_name.c_str());
        st.console << "** Assembler stoped.\n";
        return PASS_CANNOT_OPEN;
    }
    reset_pass(st);
    if (!st.quiet) {
        print_format(st.console, "**** pass %d start ****\n", pass);
    }
    SourceReader reader(*st.source.rdbuf());
    bool stop = false;
    while (!stop) {
        const int ended_by = read_statement(st, reader);
        split_fields(st);
        assemble_statement(st, pass);
        if (ended_by == '\n') {
            ++st.source_line;
        }
        stop = st.end_seen != 0;
    }
    st.source.close();
    if (pass == 1 && st.top_placement == 1) {
        move_labels_to_top(st);
    }
    return PASS_OK;
}
