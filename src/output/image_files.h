#pragma once

#include <cstdint>
#include <string>

#include "output/listing.h"

struct AsmState;

// The ROM-writer image and the object file, from the image as pass 2 left it.
std::string rom_image_text(const AsmState& st);
std::string object_text(const AsmState& st);

inline constexpr int OBJ_RECORD_BYTES = 16;
inline constexpr int ROM_ADDRESS_BASE = 0x8000;

// Two upper-case hex digits of a byte.
inline void append_hex_byte(std::string& out, std::uint8_t b) {
    out += hex_char(b >> 4);
    out += hex_char(b);
}

// Four upper-case hex digits of the low 16 bits of an address.
inline void append_address(std::string& out, std::int32_t a) {
    out += hex_char(a >> 12);
    out += hex_char(a >> 8);
    out += hex_char(a >> 4);
    out += hex_char(a);
}
