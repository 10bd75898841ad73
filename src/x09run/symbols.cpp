#include "x09run/symbols.h"

#include <charconv>
#include <cstdio>

namespace x09run {

namespace {

constexpr std::size_t SIGNIFICANT_CHARACTERS = 10;

std::string_view significant(std::string_view name) { return name.substr(0, SIGNIFICANT_CHARACTERS); }

}  // namespace

SymbolTable::SymbolTable(const std::vector<formats::Symbol>& symbols) {
    for (const formats::Symbol& symbol : symbols) {
        by_name_.emplace(significant(symbol.name), symbol.value);
        (symbol.label ? labels_ : equates_).emplace(symbol.value, symbol.name);
    }
}

std::optional<std::uint16_t> SymbolTable::value_of(std::string_view name) const {
    const auto found = by_name_.find(significant(name));
    if (found == by_name_.end()) return std::nullopt;
    return found->second;
}

const std::string* SymbolTable::name_at(std::uint16_t address, bool equates) const {
    if (const auto label = labels_.find(address); label != labels_.end()) return &label->second;
    if (!equates) return nullptr;
    const auto equate = equates_.find(address);
    return equate == equates_.end() ? nullptr : &equate->second;
}

std::string read_value(std::string_view option, std::string_view text, std::uint32_t max, const SymbolTable& symbols,
                       std::uint32_t& value) {
    const std::string quoted = "option '" + std::string(option) + "': '" + std::string(text) + "'";
    if (text.empty()) {
        return "option '" + std::string(option) + "' needs an address, a number or a symbol";
    }
    if (text[0] != '$' && (text[0] < '0' || text[0] > '9')) {
        const std::optional<std::uint16_t> symbol = symbols.value_of(text);
        if (!symbol) return quoted + " is not a symbol of the program (see --symbols)";
        value = *symbol;
    } else {
        std::string_view digits = text.substr(text[0] == '$' ? 1 : 0);
        if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
        const char* const end = digits.data() + digits.size();
        const auto [stop, ec] = std::from_chars(digits.data(), end, value, 16);
        if (digits.empty() || stop != end || (ec != std::errc() && ec != std::errc::result_out_of_range)) {
            return quoted + " is not a hex number (written $1F, 0x1F or 1F) nor a symbol";
        }
        if (ec == std::errc::result_out_of_range) value = max + 1;
    }
    if (value > max) {
        char max_text[16];
        std::snprintf(max_text, sizeof max_text, "$%X", static_cast<unsigned>(max));
        return quoted + " is over " + max_text;
    }
    return {};
}

std::string read_range(std::string_view option, std::string_view text, const SymbolTable& symbols,
                       std::uint16_t& first, std::uint16_t& last) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == text.size()) {
        return "option '" + std::string(option) + "' takes START-END, as $E000-$FFFF, not '" + std::string(text) + "'";
    }
    std::uint32_t start = 0, end = 0;
    std::string problem = read_value(option, text.substr(0, dash), 0xFFFF, symbols, start);
    if (problem.empty()) problem = read_value(option, text.substr(dash + 1), 0xFFFF, symbols, end);
    if (problem.empty() && start > end) {
        problem = "option '" + std::string(option) + "': START lies above END in '" + std::string(text) + "'";
    }
    first = static_cast<std::uint16_t>(start);
    last = static_cast<std::uint16_t>(end);
    return problem;
}

}  // namespace x09run
