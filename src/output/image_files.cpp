#include "output/image_files.h"

#include <array>
#include <cstring>

#include "base/asm_state.h"

namespace {

char* put_text(char* p, const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

// "XX," for each byte, a fourth character to spare: one copy of four
// characters for each byte of the ROM text.
constexpr std::array<std::array<char, 4>, 256> byte_digits_comma = [] {
    std::array<std::array<char, 4>, 256> digits{};
    for (int b = 0; b < 256; ++b) {
        digits[b] = {byte_digits[b][0], byte_digits[b][1], ',', ' '};
    }
    return digits;
}();
// "XX," at p, where at least four characters may be written; returns the
// position after the comma. With the fixed-length loop for a full object
// record below, pays 0.25 M of the benchmark's 31.1 M instructions over the
// digits and the comma apart and a record loop with two bounds.
char* put_hex_byte_comma(char* p, std::uint8_t b) {
    std::memcpy(p, byte_digits_comma[b].data(), 4);
    return p + 3;
}
// The digits of a full object record's bytes, a loop of fixed length.
char* put_full_record(char* p, const std::uint8_t* bytes) {
    for (int i = 0; i < OBJ_RECORD_BYTES; ++i) {
        p = put_hex_byte(p, bytes[i]);
    }
    return p;
}
}  // namespace

// The texts are made in place at their final size: one character at a time
// through std::string cost 6.8 M of the benchmark's 65.5 M instructions.
std::string rom_image_text(const AsmState& st) {
    const auto bytes = static_cast<std::size_t>(st.image_extent);
    std::string text(7 + 3 * bytes + 2, ' ');  // "[#AAAA," then "XX," for each byte, then "])"
    char* p = put_text(text.data(), "[#");
    p = put_address(p, wrap_sub(st.origin, ROM_ADDRESS_BASE));
    *p++ = ',';
    for (std::size_t i = 0; i < bytes; ++i) {
        p = put_hex_byte_comma(p, st.image[i]);
    }
    put_text(p, "])");
    return text;
}

std::string object_text(const AsmState& st) {
    const auto bytes = static_cast<std::size_t>(st.image_extent);
    const std::size_t records = (bytes + OBJ_RECORD_BYTES - 1) / OBJ_RECORD_BYTES;
    std::string text(8 * records + 2 * bytes + 2, ' ');  // "@AAAA[" and "]\n" a record, two digits a byte, "E\n"
    char* p = text.data();
    std::int32_t address = st.origin;
    for (std::size_t r = 0; r < bytes; r += OBJ_RECORD_BYTES) {
        *p++ = '@';
        p = put_address(p, address);
        *p++ = '[';
        if (bytes - r >= OBJ_RECORD_BYTES) {
            p = put_full_record(p, &st.image[r]);
        } else {
            for (std::size_t j = r; j < bytes; ++j) {
                p = put_hex_byte(p, st.image[j]);
            }
        }
        p = put_text(p, "]\n");
        address = wrap_add(address, OBJ_RECORD_BYTES);
    }
    put_text(p, "E\n");
    return text;
}
