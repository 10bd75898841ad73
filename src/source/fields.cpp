#include "source/fields.h"

#include <array>
#include <cstdint>

SourceText fields_text(const AsmState& st) { return {st.fields.data(), FIELDS_SIZE}; }
SourceText line_text(const AsmState& st) { return {st.line.data(), LINE_SIZE}; }

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

int split_fields(AsmState& st) {
    st.fields.fill(' ');
    const SourceText line = line_text(st);
    int r = 0;
    int s = FIELD_LABEL;  // start of the field being filled
    int w = s;            // next write position; may run on past the field
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
                return r;
            case SplitAction::space:
                while (line.at(r) == ' ') {
                    ++r;
                }
                s += FIELD_WIDTH;
                w = s;
                break;
            case SplitAction::comma:
                if (s < FIELDS_SIZE) {
                    st.fields[s + FIELD_WIDTH - 1] = ',';
                }
                s += FIELD_WIDTH;
                w = s;
                break;
            case SplitAction::ignore:
                break;
        }
    }
}
