#pragma once

// The symbol file the assembler writes: one line "NAME VALUE KIND" a symbol,
// VALUE four hex digits, KIND label, equ or undefined.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/load_file.h"

namespace formats {

struct Symbol {
    std::string name;
    std::uint16_t value;
    bool label;  // a label, not an equ
};

// Reads the defined symbols of the text, in its order; undefined ones are
// left out. Returns the first fault of a malformed file.
std::optional<LoadError> read_symbols(std::string_view text, std::vector<Symbol>& symbols);

}  // namespace formats
