#include "formats/symbol_file.h"

#include "formats/hex_records.h"
#include "formats/text_lines.h"

namespace formats {

namespace {

// The next blank-separated word of the line, removed from it.
std::string_view next_word(std::string_view& line) {
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
    const std::string_view word = line.substr(0, end);
    line.remove_prefix(end);
    return word;
}

std::optional<LoadError> read_symbol_line(int number, std::string_view line, std::vector<Symbol>& symbols) {
    const std::string_view name = next_word(line);
    const std::string_view value = next_word(line);
    const std::string_view kind = next_word(line);
    if (name.empty()) return std::nullopt;
    const int high = hex_byte_at(value, 0), low = hex_byte_at(value, 2);
    if (value.size() != 4 || high < 0 || low < 0 || !next_word(line).empty() ||
        (kind != "label" && kind != "equ" && kind != "undefined")) {
        return LoadError{number, "not a symbol line \"NAME VALUE label|equ|undefined\""};
    }
    if (kind != "undefined") {
        symbols.push_back({std::string(name), static_cast<std::uint16_t>(high << 8 | low), kind == "label"});
    }
    return std::nullopt;
}

}  // namespace

std::optional<LoadError> read_symbols(std::string_view text, std::vector<Symbol>& symbols) {
    return for_each_line(text, [&](int number, std::string_view line) { return read_symbol_line(number, line, symbols); });
}

}  // namespace formats
