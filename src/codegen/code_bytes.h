#pragma once

#include <cstdint>

#include "base/asm_state.h"

struct AsmState;

// Returned by a data directive that has stored its own bytes.
inline constexpr int DIRECTIVE_PLACED = 999;

// What a class rule leaves for the placement step.
struct RuleResult {
    int count;       // bytes in emit to place, or DIRECTIVE_PLACED
    int listed = 0;  // with DIRECTIVE_PLACED: how many emit entries to list
};

// place_byte for every byte that is not the plain case: outside the image,
// drawing a warning, or with its source line to note.
void place_byte_noting(AsmState& st, std::int32_t byte);

// Stores one byte at the next image index (when the index lies inside the
// image; otherwise the statement gets error 7) and advances image_len and loc.
// The plain placement is inline: 1.0 M fewer instructions on the benchmark
// source than a call for each byte. Forced, since the compiler left the data
// directives' calls out of line: another 0.06 M of 27.4 M.
[[gnu::always_inline]] inline void place_byte(AsmState& st, std::int32_t byte) {
    const std::int32_t index = st.image_len;
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(IMAGE_SIZE) || !st.placed_line.empty() ||
        (st.diag.enabled != 0 && (st.placed[index] || st.loc > 0xFFFF))) {
        place_byte_noting(st, byte);
        return;
    }
    st.image[index] = static_cast<std::uint8_t>(byte & 0xFF);
    st.placed[index] = true;
    st.image_len = index + 1;
    st.loc = wrap_add(st.loc, 1);
}

// Places the first `count` bytes of emit (at most EMIT_SIZE) as place_byte
// does one after the other; what holds for all of them is tested once.
// Pays: 0.5 M fewer instructions on the benchmark source than place_byte for
// each. The index is tested as unsigned, once: 0.04 M of 27.5 M.
inline void place_emitted(AsmState& st, int count) {
    const std::int32_t index = st.image_len;
    if (static_cast<std::uint32_t>(index) > static_cast<std::uint32_t>(IMAGE_SIZE - count) ||
        !st.placed_line.empty() || (st.diag.enabled != 0 && st.loc > 0x10000 - count)) {
        for (int i = 0; i < count; ++i) {
            place_byte(st, st.emit[i]);
        }
        return;
    }
    const bool noting = st.diag.enabled != 0;  // an overwrite draws a warning
    std::uint8_t* const image = st.image.data() + index;
    bool* const placed = st.placed.data() + index;
    int i = 0;
    for (; i < count && !(noting && placed[i]); ++i) {
        image[i] = static_cast<std::uint8_t>(st.emit[i] & 0xFF);
        placed[i] = true;
    }
    st.image_len = index + i;
    st.loc = wrap_add(st.loc, i);
    for (; i < count; ++i) {
        place_byte(st, st.emit[i]);
    }
}

// Writes the low 16 bits of value, high byte first, to emit[at] and
// emit[at + 1]; returns at + 2.
inline int put_word(AsmState& st, int at, std::int32_t value) {
    st.emit[at] = (value >> 8) & 0xFF;
    st.emit[at + 1] = value & 0xFF;
    return at + 2;
}

// A value goes where `bits` bits hold it (8 or 16): outside -2^(bits-1) to
// 2^bits - 1 it draws truncated, with what is kept.
void report_truncated(AsmState& st, std::int32_t value, int bits, std::int32_t kept);
inline void check_fits(AsmState& st, std::int32_t value, int bits, std::int32_t kept) {
    // -2^(bits-1) .. 2^bits - 1, shifted to 0 .. 3 * 2^(bits-1) - 1
    const std::uint32_t half = 1u << (bits - 1);
    if (static_cast<std::uint32_t>(value) + half >= 3 * half) {
        report_truncated(st, value, bits, kept);
    }
}

// Value of the operand-1 field as an operand expression.
std::int32_t operand_value(AsmState& st);
