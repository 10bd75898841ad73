#include "codegen/code_bytes.h"

#include "driver/diagnose.h"
#include "driver/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"

void place_byte(AsmState& st, std::int32_t byte) {
    if (static_cast<std::uint32_t>(st.loc) > 0xFFFF) {
        warn(st, Warning::wrap, {.form = WRAP_BYTE, .value = st.loc});
    }
    if (st.image_len >= 0 && st.image_len < IMAGE_SIZE) {
        if (st.placed[st.image_len]) {
            warn(st, Warning::overwrite, {.value = st.loc});
        }
        st.image[st.image_len] = static_cast<std::uint8_t>(byte & 0xFF);
        st.placed[st.image_len] = true;
    } else {
        store_error(st, Cause::byte_outside_image, {.value = st.loc, .other = st.origin});
    }
    st.image_len = wrap_add(st.image_len, 1);
    st.loc = wrap_add(st.loc, 1);
}

int put_word(AsmState& st, int at, std::int32_t value) {
    st.emit[at] = (value >> 8) & 0xFF;
    st.emit[at + 1] = value & 0xFF;
    return at + 2;
}

void check_fits(AsmState& st, std::int32_t value, int bits, std::int32_t kept) {
    if (value < -(1 << (bits - 1)) || value > (1 << bits) - 1) {
        warn(st, Warning::truncated, {.form = static_cast<std::uint8_t>(bits), .value = value, .other = kept});
    }
}

std::int32_t operand_value(AsmState& st) { return eval_operand(st, fields_text(st), FIELD_OPERAND1); }
