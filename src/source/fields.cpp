#include "source/fields.h"

#include <array>
#include <cstdint>
#include <cstring>


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

// What the splitter does with each character of a line.
enum class SplitAction : std::uint8_t { store, stop, slash, space, comma, ignore };

constexpr std::array<SplitAction, 256> split_actions = [] {
    std::array<SplitAction, 256> actions{};
    actions['\0'] = SplitAction::stop;
    actions['/'] = SplitAction::slash;  // fcc reads its text itself
    actions[' '] = SplitAction::space;
    actions[','] = SplitAction::comma;
    // A closing bracket of an indirect operand never reaches the fields.
    actions['\n'] = actions['\r'] = actions[']'] = SplitAction::ignore;
    return actions;
}();

}  // namespace

int split_fields(AsmState& st) {
    const SourceText line = line_text(st);
    st.line_len = static_cast<std::int32_t>(std::strlen(st.line.data()));
    FieldWriter fields(st.fields.data());
    int r = 0;
    for (;;) {
        const char ch = line.at(r);
        ++r;
        switch (split_actions[static_cast<unsigned char>(ch)]) {
            case SplitAction::store: fields.put(ch); break;
            case SplitAction::stop:
                fields.stop();
                fields.finish(st);
                return r;
            case SplitAction::slash:
                fields.slash(r - 1, line.at(r - 2));
                fields.finish(st);
                return r;
            case SplitAction::space:
                while (line.at(r) == ' ') {
                    ++r;
                }
                fields.end_field();
                fields.field_starts(r);
                break;
            case SplitAction::comma:
                fields.comma();
                fields.field_starts(r);
                break;
            case SplitAction::ignore: break;
        }
    }
}
