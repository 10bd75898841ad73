#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/symbol_file.h"

namespace x09run {

// The program's symbols, by name for the options and by value for the trace.
class SymbolTable {
public:
    SymbolTable() = default;
    explicit SymbolTable(const std::vector<formats::Symbol>& symbols);

    // The value of a name; as in the assembler, only its first 10 characters
    // count.
    std::optional<std::uint16_t> value_of(std::string_view name) const;
    // The name of a label at the address; with `equates`, of an equ symbol
    // when no label is there. nullptr when none.
    const std::string* name_at(std::uint16_t address, bool equates = false) const;

private:
    std::map<std::string, std::uint16_t, std::less<>> by_name_;
    std::map<std::uint16_t, std::string> labels_;
    std::map<std::uint16_t, std::string> equates_;
};

// A number of the command line (hex digits, bare or after "$" or "0x"), at
// most `max`; or, when it does not begin with "$" or a digit, a symbol.
// Returns what is wrong with it, empty when nothing.
std::string read_value(std::string_view option, std::string_view text, std::uint32_t max, const SymbolTable& symbols,
                       std::uint32_t& value);

// START-END, both values as above; START may not lie above END.
std::string read_range(std::string_view option, std::string_view text, const SymbolTable& symbols,
                       std::uint16_t& first, std::uint16_t& last);

}  // namespace x09run
