#pragma once

// Record-level rules of the hexadecimal load formats, for their writers and
// their readers alike.

#include <cstdint>
#include <string>
#include <string_view>

namespace formats {

// An S-record's checksum is the ones' complement of the low byte of the sum
// of its count, address and data bytes; an Intel HEX record's is the two's
// complement of the sum of all its bytes before it.
constexpr std::uint8_t srec_checksum(unsigned sum) { return static_cast<std::uint8_t>(~sum & 0xFF); }
constexpr std::uint8_t ihex_checksum(unsigned sum) { return static_cast<std::uint8_t>((0u - sum) & 0xFF); }

// The value of a hexadecimal digit, either case; -1 for any other character.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte written as two hex digits at text[pos]; -1 when they are not two
// hex digits.
constexpr int hex_byte_at(std::string_view text, std::size_t pos) {
    if (pos + 2 > text.size()) return -1;
    const int high = hex_digit_value(text[pos]);
    const int low = hex_digit_value(text[pos + 1]);
    return high < 0 || low < 0 ? -1 : high << 4 | low;
}

// "$" and upper-case hex digits of the value, at least `digits` of them, as
// messages show addresses and bytes.
inline std::string hex_text(std::uint32_t value, int digits) {
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    std::string text(static_cast<std::size_t>(digits) + 1, '$');
    for (int i = digits; i > 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[value & 15];
    }
    return text;
}

}  // namespace formats
