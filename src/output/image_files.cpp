#include "output/image_files.h"

#include <algorithm>
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

// Characters made in a block, handed on each time it holds less room than
// the next piece may take, and at the end.
class BlockText {
public:
    BlockText(std::span<char> block, const TextSink& sink)
        : begin_(block.data()), end_(block.data() + block.size()), p_(begin_), sink_(sink) {}

    // Where a piece of at most `n` characters is made.
    char* room(std::size_t n) {
        if (static_cast<std::size_t>(end_ - p_) < n) {
            hand_on();
        }
        return p_;
    }
    void made(char* to) { p_ = to; }
    void hand_on() {
        if (p_ != begin_) {
            sink_({begin_, static_cast<std::size_t>(p_ - begin_)});
            p_ = begin_;
        }
    }

private:
    char* begin_;
    char* end_;
    char* p_;
    const TextSink& sink_;
};

constexpr std::size_t ROM_PIECE = 8;     // room for "[#AAAA," or "])"
constexpr std::size_t ROM_BYTE_RUN = 1024;  // bytes made between two looks at the room left

}  // namespace

// The texts are made piece by piece in one block of memory that is already
// in use, and handed on a block at a time: each text made whole in a string
// of its own cost 88 fresh pages (page faults) on the benchmark source.
void write_rom_image_text(const AsmState& st, std::span<char> block, const TextSink& sink) {
    BlockText out(block, sink);
    char* p = put_text(out.room(ROM_PIECE), "[#");
    p = put_address(p, wrap_sub(st.origin, ROM_ADDRESS_BASE));
    *p++ = ',';
    out.made(p);
    const auto bytes = static_cast<std::size_t>(st.image_extent);
    for (std::size_t i = 0; i < bytes;) {
        const std::size_t run = std::min(bytes - i, ROM_BYTE_RUN);
        p = out.room(3 * run + 1);  // "XX," a byte, and the fourth character put_hex_byte_comma writes
        for (const std::size_t stop = i + run; i < stop; ++i) {
            p = put_hex_byte_comma(p, st.image[i]);
        }
        out.made(p);
    }
    out.made(put_text(out.room(ROM_PIECE), "])"));
    out.hand_on();
}

void write_object_text(const AsmState& st, std::span<char> block, const TextSink& sink) {
    BlockText out(block, sink);
    constexpr std::size_t record_text = 8 + 2 * OBJ_RECORD_BYTES;  // "@AAAA[", the digits, "]\n"
    const auto bytes = static_cast<std::size_t>(st.image_extent);
    std::int32_t address = st.origin;
    for (std::size_t r = 0; r < bytes; r += OBJ_RECORD_BYTES) {
        char* p = out.room(record_text);
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
        out.made(put_text(p, "]\n"));
        address = wrap_add(address, OBJ_RECORD_BYTES);
    }
    out.made(put_text(out.room(2), "E\n"));
    out.hand_on();
}
