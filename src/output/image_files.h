#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "output/listing.h"

struct AsmState;

// Receives a text a piece at a time.
using TextSink = std::function<void(std::string_view)>;

// The ROM-writer image and the object file, from the image as pass 2 left it:
// made in `block` and handed to `sink` a block at a time.
void write_rom_image_text(const AsmState& st, std::span<char> block, const TextSink& sink);
void write_object_text(const AsmState& st, std::span<char> block, const TextSink& sink);

inline constexpr int OBJ_RECORD_BYTES = 16;
inline constexpr int ROM_ADDRESS_BASE = 0x8000;

// Two upper-case hex digits of a byte at p; returns the position after them.
// From the table: the image texts of the benchmark cost 1.0 M instead of 1.8
// M instructions.
inline char* put_hex_byte(char* p, std::uint8_t b) {
    std::memcpy(p, byte_digits[b].data(), 2);
    return p + 2;
}

// Four upper-case hex digits of the low 16 bits of an address at p; returns
// the position after them.
inline char* put_address(char* p, std::int32_t a) {
    p[0] = hex_char(a >> 12);
    p[1] = hex_char(a >> 8);
    p[2] = hex_char(a >> 4);
    p[3] = hex_char(a);
    return p + 4;
}

inline void append_hex_byte(std::string& out, std::uint8_t b) {
    char digits[2];
    out.append(digits, put_hex_byte(digits, b));
}

inline void append_address(std::string& out, std::int32_t a) {
    char digits[4];
    out.append(digits, put_address(digits, a));
}
