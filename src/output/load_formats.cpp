#include "output/load_formats.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "driver/asm_state.h"
#include "output/block_writer.h"
#include "output/listing.h"

namespace {

constexpr std::int32_t ADDRESS_SPACE = 0x10000;

// Calls emit(address, first byte, count) for the records of the image: runs of at most 16 bytes at the object file's record addresses. A
// run that would pass $FFFF is split there and goes on at $0000, where the
// processor's addresses wrap.
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
    BlockWriter& out;
    unsigned sum = 0;

    void byte(int b) {
        out.byte(static_cast<std::uint8_t>(b & 0xFF));
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

void srec_record(BlockWriter& out, const char* type, std::int32_t address, const std::uint8_t* data = nullptr,
                 int count = 0) {
    out.put(type);
    RecordWriter w{out};
    w.byte(count + 3);
    w.word(address);
    w.bytes(data, count);
    w.byte(static_cast<int>(~w.sum));
    out.put('\n');
}

void ihex_record(BlockWriter& out, int type, std::int32_t address, const std::uint8_t* data = nullptr,
                 int count = 0) {
    out.put(':');
    RecordWriter w{out};
    w.byte(count);
    w.word(address);
    w.byte(type);
    w.bytes(data, count);
    w.byte(static_cast<int>(0u - w.sum));
    out.put('\n');
}

const char* kind_name(std::uint8_t kind) {
    switch (kind) {
        case SYM_LABEL: return "label";
        case SYM_EQU: return "equ";
        default: return "undefined";
    }
}

}  // namespace

bool write_srec_file(AsmState& st, const std::string& name, const std::string& header) {
    return write_output_file(st, name, [&](BlockWriter& out) {
        const std::string text = header.substr(0, SREC_HEADER_MAX);
        srec_record(out, "S0", 0, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
        for_each_record(st, [&](std::int32_t address, const std::uint8_t* data, int count) {
            srec_record(out, "S1", address, data, count);
        });
        srec_record(out, "S9", 0);  // no start address is known
    });
}

bool write_ihex_file(AsmState& st, const std::string& name) {
    return write_output_file(st, name, [&](BlockWriter& out) {
        for_each_record(st, [&](std::int32_t address, const std::uint8_t* data, int count) {
            ihex_record(out, 0x00, address, data, count);
        });
        ihex_record(out, 0x01, 0);
    });
}

bool write_bin_file(AsmState& st, const std::string& name) {
    return write_output_file(
        st, name,
        [&](BlockWriter& out) {
            for (int i = 0; i < st.image_extent; ++i) {
                out.put(static_cast<char>(st.image[i]));
            }
        },
        std::ios::out | std::ios::binary);
}

bool write_symbol_file(AsmState& st, const std::string& name) {
    return write_output_file(st, name, [&](BlockWriter& out) {
        for (int row = 0; row < st.symbol_count; ++row) {
            const SymbolEntry& sym = st.symbols[row];
            char line[32];
            std::snprintf(line, sizeof line, "%.10s %04X %s\n", sym.name.data(),
                          static_cast<unsigned>(sym.value & 0xFFFF), kind_name(sym.kind));
            out.put(line);
        }
    });
}
