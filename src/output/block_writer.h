#pragma once

#include <array>
#include <cstdint>
#include <ios>
#include <ostream>
#include <string>

#include "driver/asm_state.h"
#include "output/listing.h"

// Collects characters and writes them to the stream in blocks.
class BlockWriter {
public:
    explicit BlockWriter(std::ostream& os) : os_(os) {}
    ~BlockWriter() { flush(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    void put(char c) {
        if (used_ == buffer_.size()) {
            flush();
        }
        buffer_[used_++] = c;
    }
    void put(const char* text) {
        while (*text != '\0') {
            put(*text++);
        }
    }
    void address(std::int32_t a) {
        put(hex_char(a >> 12));
        put(hex_char(a >> 8));
        put(hex_char(a >> 4));
        put(hex_char(a));
    }
    void byte(std::uint8_t b) {
        put(hex_char(b >> 4));
        put(hex_char(b));
    }
    void flush() {
        os_.write(buffer_.data(), static_cast<std::streamsize>(used_));
        used_ = 0;
    }

private:
    std::ostream& os_;
    // Under the stream's 1 KiB direct-write threshold, so that blocks gather in its buffer.
    std::array<char, 512> buffer_{};
    std::size_t used_ = 0;
};

// Opens `name` in `out`, lets `write` fill it through a BlockWriter and closes
// it. False when the file cannot be created or written.
template <typename Write>
bool write_output_file(AsmState& st, const std::string& name, Write write,
                       std::ios::openmode mode = std::ios::out) {
    st.out.open(name, mode);
    if (!st.out.is_open()) {
        return false;
    }
    {
        BlockWriter w(st.out);
        write(w);
    }
    st.out.close();
    return !st.out.fail();
}
