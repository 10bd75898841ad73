#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <ostream>

#include "source/fields.h"
#include "source/symbols.h"

inline constexpr int IMAGE_SIZE = 65536;
inline constexpr int EMIT_SIZE = 6;

// The whole state of one assembly run. Exactly one exists per run; every
// operation receives it by reference.
struct AsmState {
    explicit AsmState(std::ostream& console_stream) : console(console_stream) {}
    AsmState(const AsmState&) = delete;
    AsmState& operator=(const AsmState&) = delete;

    std::ifstream source;  // the source of the pass under way (read as bytes)
    std::ofstream out;     // the listing during the passes, then each image file
    std::array<char, 65536> out_buffer{};  // given to `out`, so it writes in large blocks
    std::array<SymbolEntry, SYMBOL_CAPACITY> symbols{};
    // A 32-bit fingerprint of each row's name, side by side, so that the
    // linear search compares one compact array of integers.
    std::array<std::uint32_t, SYMBOL_CAPACITY> symbol_prints{};
    std::array<char, LINE_SIZE> line{};      // statement text, NUL-terminated
    std::array<char, FIELDS_SIZE> fields{};  // five fields of 20, no terminator
    std::array<std::uint8_t, IMAGE_SIZE> image{};  // zero at run start, never cleared
    std::int32_t origin = 0;
    std::int32_t image_len = 0;
    std::int32_t symbol_count = 0;
    std::int32_t end_len = 0;
    std::int32_t top_placement = 0;
    std::int32_t loc = 0;
    std::int32_t stmt_loc = 0;
    std::int32_t source_line = 1;
    std::int32_t list_seq = 1;
    std::array<std::int32_t, EMIT_SIZE> emit{};
    std::int32_t error_count = 0;
    std::int32_t error_code = 0;
    std::int32_t end_seen = 0;

    // Largest image_len any statement of the current pass reached, 0..IMAGE_SIZE;
    // the image files are written up to here.
    std::int32_t image_extent = 0;
    // Set once a lookup met a full symbol table; such a run writes no images.
    bool symbol_overflow = false;
    // No pass messages on the console.
    bool quiet = false;

    std::ostream& console;
};

// Wrap-around 32-bit addition, as the counters and values use it.
inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrap_sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
