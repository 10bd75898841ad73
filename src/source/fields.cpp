#include "source/fields.h"

#include "driver/asm_state.h"
#include "source/text.h"

SourceText fields_text(const AsmState& st) { return {st.fields.data(), FIELDS_SIZE}; }
SourceText line_text(const AsmState& st) { return {st.line.data(), LINE_SIZE}; }

int split_fields(AsmState& st) {
    st.fields.fill(' ');
    const SourceText line = line_text(st);
    int r = 0;
    int s = FIELD_LABEL;  // start of the field being filled
    int w = s;            // next write position; may run on past the field
    for (;;) {
        char ch = line.at(r);
        ++r;
        if (ch == '\0' || ch == '/') {
            return r;
        }
        if (ch == ' ') {
            while (line.at(r) == ' ') {
                ++r;
            }
            s += FIELD_WIDTH;
            w = s;
        } else if (ch == ',') {
            if (s < FIELDS_SIZE) {
                st.fields[s + FIELD_WIDTH - 1] = ',';
            }
            s += FIELD_WIDTH;
            w = s;
        } else if (ch == '\n' || ch == '\r' || ch == ']') {
            // ignored: a closing bracket never reaches the fields
        } else {
            if (s == FIELD_MNEMONIC) {
                ch = static_cast<char>(ch | 0x20);
            }
            if (w < FIELDS_SIZE) {
                st.fields[w] = ch;
                ++w;
            }
        }
    }
}
