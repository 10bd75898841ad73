#include "codegen/code_bytes.h"

#include "driver/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"

void place_byte(AsmState& st, std::int32_t byte) {
    const std::int32_t at = st.image_len;  // read once: the byte stores below may alias it
    if (at >= 0 && at < IMAGE_SIZE) {
        st.image[at] = static_cast<std::uint8_t>(byte & 0xFF);
        st.placed[at] = true;
        if (!st.placed_line.empty()) {
            st.placed_line[at] = st.source_line;
        }
    } else {
        st.error_code = ERR_OUTSIDE_IMAGE;
    }
    st.image_len = wrap_add(at, 1);
    st.loc = wrap_add(st.loc, 1);
}

int put_word(AsmState& st, int at, std::int32_t value) {
    st.emit[at] = (value >> 8) & 0xFF;
    st.emit[at + 1] = value & 0xFF;
    return at + 2;
}

std::int32_t operand_value(AsmState& st) { return eval_operand(st, fields_text(st), FIELD_OPERAND1); }
