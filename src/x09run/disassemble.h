#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "x09run/symbols.h"

namespace x09run {

struct Disassembly {
    std::string text;  // "lda #$41", "jsr puts"; "???" when undefined
    int length;        // 0 when undefined
};

// The instruction whose bytes (up to 5) start at `pc`, in the assembler's
// notation: addresses by their symbol where there is one, direct addresses
// on the page `dp` selects.
Disassembly disassemble(std::span<const std::uint8_t> bytes, std::uint16_t pc, std::uint8_t dp,
                        const SymbolTable& symbols);

}  // namespace x09run
