#include "output/load_formats.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "driver/asm_state.h"
#include "output/image_files.h"

namespace {

constexpr std::int32_t ADDRESS_SPACE = 0x10000;

// Calls emit(address, first byte, count) for the records of the image: runs
// of at most 16 bytes at the object file's record addresses. A run that would
// pass $FFFF is split there and goes on at $0000, where the processor's
// addresses wrap.
template <typename Emit>
void for_each_record(const AsmState& st, Emit emit) {
    for (int r = 0; r < st.image_extent; r += LOAD_RECORD_BYTES) {
        const int n = std::min(LOAD_RECORD_BYTES, st.image_extent - r);
        const std::int32_t address = wrap_add(st.origin, r) & 0xFFFF;
        const int before_wrap = std::min(n, ADDRESS_SPACE - address);
        const std::uint8_t* data = st.image.data() + r;
        emit(address, data, before_wrap);
        if (before_wrap < n) {
            emit(0, data + before_wrap, n - before_wrap);
        }
    }
}

// One record of count, address, data and checksum bytes. S-records sum into
// a ones' complement checksum, Intel HEX into a two's complement one.
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
    w.byte(static_cast<int>(~w.sum));
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
    w.byte(static_cast<int>(0u - w.sum));
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

std::string srec_text(const AsmState& st, const std::string& header) {
    std::string out;
    const std::string text = header.substr(0, SREC_HEADER_MAX);
    srec_record(out, "S0", 0, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
    for_each_record(st, [&](std::int32_t address, const std::uint8_t* data, int count) {
        srec_record(out, "S1", address, data, count);
    });
    srec_record(out, "S9", 0);  // no start address is known
    return out;
}

std::string ihex_text(const AsmState& st) {
    std::string out;
    for_each_record(st, [&](std::int32_t address, const std::uint8_t* data, int count) {
        ihex_record(out, 0x00, address, data, count);
    });
    ihex_record(out, 0x01, 0);
    return out;
}

std::string bin_bytes(const AsmState& st) {
    return std::string(reinterpret_cast<const char*>(st.image.data()), static_cast<std::size_t>(st.image_extent));
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
