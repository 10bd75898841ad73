#include "x09run/disassemble.h"

#include <initializer_list>
#include <string_view>

#include "formats/hex_records.h"

#include "mc6809/timing.h"

namespace x09run {

namespace {

using mc6809::Mode;

using formats::hex_text;

// The texts joined (GCC 12 warns wrongly about "literal" + std::string).
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text.append(part);
    return text;
}

// An address operand: its symbol where there is one, else four hex digits.
std::string address_text(std::uint16_t address, const SymbolTable& symbols) {
    const std::string* name = symbols.name_at(address, true);
    return name != nullptr ? *name : hex_text(address, 4);
}

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// The registers of a PSH or PUL postbyte, from bit 0 (cc) up; bit 6 is the
// other stack pointer.
std::string register_list(std::uint8_t postbyte, bool user_stack) {
    static constexpr const char* names[8] = {"cc", "a", "b", "dp", "x", "y", "u", "pc"};
    std::string list;
    for (int bit = 0; bit < 8; ++bit) {
        if ((postbyte >> bit) & 1) {
            if (!list.empty()) list += ',';
            list += bit == 6 && user_stack ? "s" : names[bit];
        }
    }
    return list;
}

std::string register_pair(std::uint8_t postbyte) {
    static constexpr const char* names[16] = {"d", "x", "y", "u", "s", "pc", "?", "?",
                                              "a", "b", "cc", "dp", "?", "?", "?", "?"};
    return joined({names[postbyte >> 4], ",", names[postbyte & 15]});
}

// An indexed operand from its postbyte; `next` is the address of the next
// instruction, which PC-relative offsets count from.
std::string indexed_operand(std::span<const std::uint8_t> bytes, std::size_t at, std::uint16_t next,
                            const SymbolTable& symbols) {
    const std::uint8_t postbyte = bytes[at];
    const std::string_view r = std::string_view("xyus").substr((postbyte >> 5) & 3, 1);
    if ((postbyte & 0x80) == 0) {
        const int offset = (postbyte & 0x1F) - ((postbyte & 0x10) ? 0x20 : 0);
        return joined({std::to_string(offset), ",", r});
    }
    const auto offset8 = [&] { return static_cast<std::int8_t>(bytes[at + 1]); };
    std::string operand;
    switch (postbyte & 0x0F) {
        case 0x0: operand = joined({",", r, "+"}); break;
        case 0x1: operand = joined({",", r, "++"}); break;
        case 0x2: operand = joined({",-", r}); break;
        case 0x3: operand = joined({",--", r}); break;
        case 0x4: operand = joined({",", r}); break;
        case 0x5: operand = joined({"b,", r}); break;
        case 0x6: operand = joined({"a,", r}); break;
        case 0x8: operand = joined({std::to_string(offset8()), ",", r}); break;
        case 0x9: operand = joined({address_text(word_at(bytes, at + 1), symbols), ",", r}); break;
        case 0xB: operand = joined({"d,", r}); break;
        case 0xC: operand = address_text(static_cast<std::uint16_t>(next + offset8()), symbols) + ",pcr"; break;
        case 0xD: operand = address_text(static_cast<std::uint16_t>(next + word_at(bytes, at + 1)), symbols) + ",pcr"; break;
        default: operand = address_text(word_at(bytes, at + 1), symbols); break;  // [n], extended indirect
    }
    return (postbyte & 0x10) ? joined({"[", operand, "]"}) : operand;
}

}  // namespace

Disassembly disassemble(std::span<const std::uint8_t> bytes, std::uint16_t pc, std::uint8_t dp,
                        const SymbolTable& symbols) {
    const int length = mc6809::instruction_length(bytes);
    if (length == 0) {
        return {"???", 0};
    }
    const bool prefixed = bytes[0] == mc6809::PAGE2_PREFIX || bytes[0] == mc6809::PAGE3_PREFIX;
    const std::size_t at = prefixed ? 2 : 1;  // the first byte after the opcode
    const std::uint8_t code = bytes[at - 1];
    const mc6809::Opcode& op = mc6809::opcode(prefixed ? bytes[0] : 0, code);
    const auto next = static_cast<std::uint16_t>(pc + length);
    const std::size_t operand_bytes = op.bytes - at;
    std::string operand;
    switch (op.mode) {
        case Mode::immediate:
        case Mode::inherent:
            if (!prefixed && code >= 0x34 && code <= 0x37) {
                operand = register_list(bytes[at], code >= 0x36);
            } else if (!prefixed && (code == 0x1E || code == 0x1F)) {
                operand = register_pair(bytes[at]);
            } else if (operand_bytes > 0) {
                operand = joined({"#", hex_text(operand_bytes == 1 ? bytes[at] : word_at(bytes, at),
                                           static_cast<int>(operand_bytes * 2))});
            }
            break;
        case Mode::direct: {
            const std::string* name = symbols.name_at(static_cast<std::uint16_t>(dp << 8 | bytes[at]), true);
            operand = joined({"<", name != nullptr ? *name : hex_text(bytes[at], 2)});
            break;
        }
        case Mode::extended: operand = address_text(word_at(bytes, at), symbols); break;
        case Mode::relative:
            operand = address_text(static_cast<std::uint16_t>(next + static_cast<std::int8_t>(bytes[at])), symbols);
            break;
        case Mode::long_relative: operand = address_text(static_cast<std::uint16_t>(next + word_at(bytes, at)), symbols); break;
        case Mode::indexed: operand = indexed_operand(bytes, at, next, symbols); break;
        case Mode::undefined: break;
    }
    std::string text(op.mnemonic);
    if (!operand.empty()) {
        text.resize(std::max<std::size_t>(text.size() + 1, 6), ' ');
        text += operand;
    }
    return {text, length};
}

}  // namespace x09run
