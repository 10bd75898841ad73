#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "sim/memory.h"

namespace sim {

// Condition-code bits.
inline constexpr std::uint8_t CC_C = 0x01, CC_V = 0x02, CC_Z = 0x04, CC_N = 0x08;
inline constexpr std::uint8_t CC_I = 0x10, CC_H = 0x20, CC_F = 0x40, CC_E = 0x80;

// The programmer's registers; d is a:b. As after reset, all are 0 but cc,
// which has F and I set.
struct Registers {
    std::uint8_t a = 0, b = 0, dp = 0, cc = CC_F | CC_I;
    std::uint16_t x = 0, y = 0, u = 0, s = 0, pc = 0;
};

enum class StopReason : std::uint8_t {
    until,             // pc reached an address asked for, before that instruction ran
    cycle_limit,       // at the first instruction boundary at or after the limit
    swi,               // an SWI ran while SWI ends the run
    undefined_opcode,  // pc is at an opcode the processor does not define
    waiting,           // CWAI or SYNC that nothing can ever wake
    device,            // a device asked (Memory::stop_requested)
};

struct RunLimits {
    std::uint64_t max_cycles = std::numeric_limits<std::uint64_t>::max();
    const std::array<bool, 0x10000>* until = nullptr;  // stop before an instruction at these addresses
    bool stop_on_swi = false;
};

// Told of each instruction after it ran, for a trace.
class Tracer {
public:
    virtual ~Tracer() = default;
    virtual void executed(std::uint64_t cycles_before, std::uint16_t pc, const Registers& after) = 0;
};

struct Stop {
    StopReason reason;
    std::uint16_t pc;  // for swi, the address of the SWI
};

class Cpu {
public:
    explicit Cpu(Memory& memory) : memory_(memory) {}

    Registers regs;
    std::uint64_t cycles = 0;

    // NMI is ignored after reset until the program first loads S.
    bool nmi_armed = false;
    // A CWAI or SYNC the CPU waits in, kept from one run to the next.
    enum class Wait : std::uint8_t { none, cwai, sync };
    Wait wait = Wait::none;

    // Runs instructions, and takes interrupts as the lines ask, until a stop.
    Stop run(const RunLimits& limits, Tracer* tracer = nullptr);

private:
    Memory& memory_;
};

}  // namespace sim
