#include "output/load_formats.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/asm_state.h"
#include "formats/hex_records.h"
#include "output/image_files.h"

namespace {

constexpr std::int32_t ADDRESS_SPACE = 0x10000;

std::int32_t image_address(const AsmState& st, int index) { return wrap_add(st.origin, index) & 0xFFFF; }

// Whether the records carry every byte of the image as it stands; with a
// range or a fill byte they carry only the placed ones inside the range.
bool carries_every_byte(const ImageLayout& layout) { return !layout.range && !layout.fill; }

bool carries_placed_byte(const AsmState& st, const ImageLayout& layout, int i) {
    return st.placed[i] && (!layout.range || layout.range->holds(image_address(st, i)));
}

// Calls emit(address, first byte, count) for the records of the image: runs
// of carried bytes within the object file's records of 16. A run that would
// pass $FFFF is split there and goes on at $0000, where the processor's
// addresses wrap.
template <typename Emit>
void for_each_record(const AsmState& st, const ImageLayout& layout, Emit emit) {
    const bool every_byte = carries_every_byte(layout);
    const auto carried = [&](int i) { return every_byte || carries_placed_byte(st, layout, i); };
    for (int r = 0; r < st.image_extent; r += LOAD_RECORD_BYTES) {
        const int record_end = std::min(r + LOAD_RECORD_BYTES, st.image_extent);
        for (int i = r; i < record_end;) {
            if (!carried(i)) {
                ++i;
                continue;
            }
            const std::int32_t address = image_address(st, i);
            const int run_end = std::min(record_end, i + (ADDRESS_SPACE - address));
            int j = every_byte ? run_end : i + 1;
            while (j < run_end && carried(j)) {
                ++j;
            }
            emit(address, st.image.data() + i, j - i);
            i = j;
        }
    }
}

// One record of count, address, data and checksum bytes.
struct RecordWriter {
    std::string& out;
    unsigned sum = 0;

    void byte(int b) {
        append_hex_byte(out, static_cast<std::uint8_t>(b & 0xFF));
        sum += static_cast<unsigned>(b & 0xFF);
    }
    void word(std::int32_t w) {
        byte(w >> 8);
        byte(w);
    }
    void bytes(const std::uint8_t* data, int count) {
        for (int i = 0; i < count; ++i) {
            byte(data[i]);
        }
    }
};

void srec_record(std::string& out, const char* type, std::int32_t address, const std::uint8_t* data = nullptr,
                 int count = 0) {
    out += type;
    RecordWriter w{out};
    w.byte(count + 3);
    w.word(address);
    w.bytes(data, count);
    w.byte(formats::srec_checksum(w.sum));
    out += '\n';
}

void ihex_record(std::string& out, int type, std::int32_t address, const std::uint8_t* data = nullptr,
                 int count = 0) {
    out += ':';
    RecordWriter w{out};
    w.byte(count);
    w.word(address);
    w.byte(type);
    w.bytes(data, count);
    w.byte(formats::ihex_checksum(w.sum));
    out += '\n';
}

const char* kind_name(std::uint8_t kind) {
    switch (kind) {
        case SYM_LABEL: return "label";
        case SYM_EQU: return "equ";
        default: return "undefined";
    }
}

}  // namespace

std::string srec_text(const AsmState& st, const std::string& header, const ImageLayout& layout) {
    std::string out;
    const std::string text = header.substr(0, SREC_HEADER_MAX);
    srec_record(out, "S0", 0, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
    for_each_record(st, layout, [&](std::int32_t address, const std::uint8_t* data, int count) {
        srec_record(out, "S1", address, data, count);
    });
    srec_record(out, "S9", layout.entry);
    return out;
}

std::string ihex_text(const AsmState& st, const ImageLayout& layout) {
    std::string out;
    for_each_record(st, layout, [&](std::int32_t address, const std::uint8_t* data, int count) {
        ihex_record(out, 0x00, address, data, count);
    });
    ihex_record(out, 0x01, layout.entry);
    return out;
}

std::string bin_bytes(const AsmState& st, const ImageLayout& layout) {
    const auto byte_of = [&](int i) { return layout.fill && !st.placed[i] ? *layout.fill : st.image[i]; };
    if (!layout.range) {
        std::string out(reinterpret_cast<const char*>(st.image.data()), static_cast<std::size_t>(st.image_extent));
        if (layout.fill) {
            for (int i = 0; i < st.image_extent; ++i) {
                out[i] = static_cast<char>(byte_of(i));
            }
        }
        return out;
    }
    // Offset 0 is the range's first address; what the image does not cover
    // holds the fill byte, or zero.
    const AddressRange range = *layout.range;
    std::string out(static_cast<std::size_t>(range.last - range.first + 1), static_cast<char>(layout.fill.value_or(0)));
    for (int i = 0; i < st.image_extent; ++i) {
        const std::int32_t address = image_address(st, i);
        if (range.holds(address)) {
            out[address - range.first] = static_cast<char>(byte_of(i));
        }
    }
    return out;
}

std::optional<PlacedByte> first_placed_outside(const AsmState& st, AddressRange range) {
    for (int i = 0; i < st.image_extent; ++i) {
        if (st.placed[i] && !range.holds(image_address(st, i))) {
            return PlacedByte{image_address(st, i), st.placed_line[i]};
        }
    }
    return std::nullopt;
}

std::string symbol_text(const AsmState& st) {
    std::string out;
    for (int row = 0; row < st.symbol_count; ++row) {
        const SymbolEntry& sym = st.symbols[row];
        char line[32];
        std::snprintf(line, sizeof line, "%.10s %04X %s\n", sym.name.data(), static_cast<unsigned>(sym.value & 0xFFFF),
                      kind_name(sym.kind));
        out += line;
    }
    return out;
}
