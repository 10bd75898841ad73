#include "x09run/trace.h"

#include <array>
#include <cstdio>

#include "x09run/disassemble.h"

namespace x09run {

namespace {

constexpr std::size_t LONGEST_INSTRUCTION = 5;

}  // namespace

std::string registers_text(const sim::Registers& r) {
    char text[80];
    std::snprintf(text, sizeof text, "a=%02X b=%02X dp=%02X cc=%02X x=%04X y=%04X u=%04X s=%04X", r.a, r.b, r.dp, r.cc,
                  r.x, r.y, r.u, r.s);
    return text;
}

void TraceWriter::executed(std::uint64_t cycles_before, std::uint16_t pc, const sim::Registers& after) {
    std::array<std::uint8_t, LONGEST_INSTRUCTION> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = memory_.peek(static_cast<std::uint16_t>(pc + i));
    }
    const Disassembly d = disassemble(bytes, pc, dp_, symbols_);
    std::string code;
    for (int i = 0; i < std::max(d.length, 1); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%s%02X", i == 0 ? "" : " ", bytes[static_cast<std::size_t>(i)]);
        code += byte;
    }
    const std::string* label = symbols_.name_at(pc);
    char line[160];
    std::snprintf(line, sizeof line, "%10llu  %04X  %-14s  %-10s %-22s  ", static_cast<unsigned long long>(cycles_before),
                  pc, code.c_str(), label != nullptr ? label->c_str() : "", d.text.c_str());
    out_ << line << registers_text(after) << '\n';
    dp_ = after.dp;
}

}  // namespace x09run
