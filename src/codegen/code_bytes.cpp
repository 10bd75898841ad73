#include "codegen/code_bytes.h"

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"

namespace {

void store_byte(AsmState& st, std::int32_t index, std::int32_t byte) {
    st.image[index] = static_cast<std::uint8_t>(byte & 0xFF);
    st.placed[index] = true;
    if (!st.placed_line.empty()) {
        st.placed_line[index] = st.source_line;
    }
}

}  // namespace

// A byte outside the image, or one that draws a warning: above $FFFF, or
// over a byte that an earlier statement of the pass placed.
void place_byte_noting(AsmState& st, std::int32_t byte) {
    const std::int32_t index = st.image_len;
    if (static_cast<std::uint32_t>(st.loc) > 0xFFFF) {
        warn(st, Warning::wrap, {.form = WRAP_BYTE, .value = st.loc});
    }
    if (index >= 0 && index < IMAGE_SIZE) {
        if (st.placed[index]) {
            warn(st, Warning::overwrite, {.value = st.loc});
        }
        store_byte(st, index, byte);
    } else {
        store_error(st, Cause::byte_outside_image, {.value = st.loc, .other = st.origin});
    }
    st.image_len = wrap_add(index, 1);
    st.loc = wrap_add(st.loc, 1);
}

void report_truncated(AsmState& st, std::int32_t value, int bits, std::int32_t kept) {
    // A name defined nowhere gives a stand-in value, already reported as an error.
    if (find_cause(st, Cause::undefined_symbol) != nullptr) {
        return;
    }
    // The kept bits are those of what the operand means, its negative equ
    // symbols counted as negative, whenever that fits: nothing is lost then.
    std::int64_t meant = value;
    if (value == st.diag.evaluated) {
        meant = std::int64_t{value} + st.diag.meant_shift;
        if (meant >= -(std::int64_t{1} << (bits - 1)) && meant < (std::int64_t{1} << bits)) {
            return;
        }
    }
    warn(st, Warning::truncated,
         {.form = static_cast<std::uint8_t>(bits), .value = static_cast<std::int32_t>(meant), .other = kept});
}

std::int32_t operand_value(AsmState& st) { return eval_operand_1(st); }
