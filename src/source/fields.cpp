#include "source/fields.h"

#include <array>
#include <cstdint>


std::string_view line_from(const AsmState& st, int from) {
    const std::string_view text(st.line.data());
    return (from >= 0 && from < static_cast<int>(text.size())) ? text.substr(static_cast<std::size_t>(from))
                                                               : std::string_view();
}

std::string_view field_word(const AsmState& st, int start) {
    int end = start;
    while (end < FIELDS_SIZE && st.fields[end] != ' ' && st.fields[end] != ',') {
        ++end;
    }
    return {&st.fields[start], static_cast<std::size_t>(end - start)};
}

namespace {

// What the splitter does with each character.
enum class SplitAction : std::uint8_t { store, stop, space, comma, ignore };

constexpr std::array<SplitAction, 256> split_actions = [] {
    std::array<SplitAction, 256> actions{};
    actions['\0'] = actions['/'] = SplitAction::stop;  // fcc reads its text itself
    actions[' '] = SplitAction::space;
    actions[','] = SplitAction::comma;
    // A closing bracket of an indirect operand never reaches the fields.
    actions['\n'] = actions['\r'] = actions[']'] = SplitAction::ignore;
    return actions;
}();

}  // namespace

namespace {

// A "/" at line[r - 1] ends the fields: note it when it follows a character
// of the label, mnemonic or operand 1.
void note_slash(AsmState& st, const SourceText& line, int r, int s) {
    const char before = line.at(r - 2);
    if (r >= 2 && before != ' ' && before != ',' && s <= FIELD_OPERAND1) {
        st.slash_field = s;
    }
}

// The field that starts at s ends with w: note a label, mnemonic or operand 1
// that ran on past its 20 characters.
void note_field_end(AsmState& st, int s, int w) {
    if (w - s > FIELD_WIDTH && s <= FIELD_OPERAND1) {
        st.long_fields |= static_cast<std::uint8_t>(1u << (s / FIELD_WIDTH));
    }
}

// The splitter. It also notes, for the warnings, where operand 1 starts, a
// "/" that cut a field and fields that ran on past their 20 characters.
int split(AsmState& st) {
    st.fields.fill(' ');
    st.operand_at = LINE_SIZE;
    st.slash_field = -1;
    st.long_fields = 0;
    const SourceText line = line_text(st);
    int r = 0;
    int s = FIELD_LABEL;  // start of the field being filled
    int w = s;            // next write position; may run on past the field
    const auto next_field = [&] {
        note_field_end(st, s, w);
        s += FIELD_WIDTH;
        w = s;
        if (s == FIELD_OPERAND1) {
            st.operand_at = r;
        }
    };
    for (;;) {
        char ch = line.at(r);
        ++r;
        switch (split_actions[static_cast<unsigned char>(ch)]) {
            case SplitAction::store:
                if (s == FIELD_MNEMONIC) {
                    ch = static_cast<char>(lower_case(ch));
                }
                if (w < FIELDS_SIZE) {
                    st.fields[w] = ch;
                    ++w;
                }
                break;
            case SplitAction::stop:
                note_field_end(st, s, w);
                if (ch == '/') {
                    note_slash(st, line, r, s);
                }
                return r;
            case SplitAction::space:
                while (line.at(r) == ' ') {
                    ++r;
                }
                next_field();
                break;
            case SplitAction::comma:
                if (s < FIELDS_SIZE) {
                    st.fields[s + FIELD_WIDTH - 1] = ',';
                }
                next_field();
                break;
            case SplitAction::ignore:
                break;
        }
    }
}

}  // namespace

int split_fields(AsmState& st) { return split(st); }
