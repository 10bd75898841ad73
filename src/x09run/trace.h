#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "sim/cpu.h"
#include "sim/memory.h"
#include "x09run/symbols.h"

namespace x09run {

// "a=41 b=00 dp=00 cc=D4 x=0000 y=0000 u=0000 s=7F00"
std::string registers_text(const sim::Registers& r);

// Writes a line for each instruction: the cycles before it, its address, its
// label, its bytes and its disassembly, and the registers after it.
class TraceWriter final : public sim::Tracer {
public:
    TraceWriter(std::ostream& out, const sim::Memory& memory, const SymbolTable& symbols, const sim::Registers& start)
        : out_(out), memory_(memory), symbols_(symbols), dp_(start.dp) {}

    void executed(std::uint64_t cycles_before, std::uint16_t pc, const sim::Registers& after) override;

private:
    std::ostream& out_;
    const sim::Memory& memory_;
    const SymbolTable& symbols_;
    std::uint8_t dp_;  // before the instruction, for its direct addresses
};

}  // namespace x09run
