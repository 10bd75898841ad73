#include "sim/cpu.h"

#include <algorithm>

#include "mc6809/timing.h"

namespace sim {
namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using mc6809::PAGE2_PREFIX;
using mc6809::PAGE3_PREFIX;

// Each page's base counts by opcode, 0 where the opcode is undefined; and the
// indexed postbytes: both straight from the timing table, laid out for a
// lookup per instruction.
using PageCycles = std::array<u8, 256>;
constexpr PageCycles cycles_of_page(u8 prefix) {
    PageCycles page{};
    for (int op = 0; op < 256; ++op) {
        const mc6809::Opcode& row = mc6809::opcode(prefix, static_cast<u8>(op));
        page[op] = row.mode == mc6809::Mode::undefined ? 0 : row.cycles;
    }
    return page;
}
constexpr PageCycles PAGE1_CYCLES = cycles_of_page(0);
constexpr PageCycles PAGE2_CYCLES = cycles_of_page(PAGE2_PREFIX);
constexpr PageCycles PAGE3_CYCLES = cycles_of_page(PAGE3_PREFIX);

constexpr std::array<mc6809::IndexedExtra, 256> INDEXED = [] {
    std::array<mc6809::IndexedExtra, 256> forms{};
    for (int postbyte = 0; postbyte < 256; ++postbyte) {
        forms[postbyte] = mc6809::indexed_extra(static_cast<u8>(postbyte));
    }
    return forms;
}();

constexpr u8 RTI_OPCODE = 0x3B;

// Interrupt vectors.
constexpr u16 VECTOR_SWI3 = 0xFFF2, VECTOR_SWI2 = 0xFFF4, VECTOR_FIRQ = 0xFFF6, VECTOR_IRQ = 0xFFF8,
              VECTOR_SWI = 0xFFFA, VECTOR_NMI = 0xFFFC;

// Register-list bits of PSHS, PULS, PSHU and PULU. The 0x40 bit is the other
// stack pointer: U for the S forms, S for the U forms.
constexpr u8 LIST_CC = 0x01, LIST_A = 0x02, LIST_B = 0x04, LIST_DP = 0x08, LIST_X = 0x10, LIST_Y = 0x20,
             LIST_OTHER = 0x40, LIST_PC = 0x80;
constexpr u8 ENTIRE_STATE = 0xFF, FAST_STATE = LIST_CC | LIST_PC;

// After a CWAI has stacked the state, taking the interrupt is the vector
// fetch and the dead cycles around it: what the entry counts spend besides
// stacking and recognising the interrupt.
constexpr int CWAI_WAKE_CYCLES = 4;

// How often the devices are polled, in cycles. A poll of an idle device costs
// a few host instructions; at this interval polling is under 0.1 % of a run.
constexpr std::uint64_t POLL_INTERVAL = 4096;

enum class Outcome : u8 { done, undefined, swi, wait };

constexpr u8 flag(bool set, u8 bit) { return set ? bit : 0; }
constexpr u8 nz8(u8 v) { return flag(v & 0x80, CC_N) | flag(v == 0, CC_Z); }
constexpr u8 nz16(u16 v) { return flag(v & 0x8000, CC_N) | flag(v == 0, CC_Z); }

// The CPU's registers, the memory and the cycle count for one run: the
// registers are a copy, written back at the stop, so that memory accesses
// need not be assumed to change them.
class Executor {
public:
    Executor(Cpu& cpu, Memory& memory) : cpu_(cpu), m_(memory), r(cpu.regs), cycles(cpu.cycles) {}

    Stop run(const RunLimits& limits, Tracer* tracer);

private:
    Cpu& cpu_;
    Memory& m_;
    Registers r;
    std::uint64_t cycles;
    std::uint64_t next_poll_ = 0;
    bool stopping_on_swi_ = false;

    Stop stop(StopReason reason) {
        cpu_.regs = r;
        cpu_.cycles = cycles;
        return {reason, r.pc};
    }

    // --- memory and operands ---
    u8 read8(u16 address) { return m_.read(address); }
    u16 read16(u16 address) { return static_cast<u16>(read8(address) << 8 | read8(static_cast<u16>(address + 1))); }
    void write16(u16 address, u16 value) {
        m_.write(address, static_cast<u8>(value >> 8));
        m_.write(static_cast<u16>(address + 1), static_cast<u8>(value));
    }
    u8 fetch8() { return read8(r.pc++); }
    u16 fetch16() {
        const u16 value = read16(r.pc);
        r.pc = static_cast<u16>(r.pc + 2);
        return value;
    }
    u16 d() const { return static_cast<u16>(r.a << 8 | r.b); }
    void set_d(u16 value) {
        r.a = static_cast<u8>(value >> 8);
        r.b = static_cast<u8>(value);
    }
    u16 direct_address() { return static_cast<u16>(r.dp << 8 | fetch8()); }
    u16& index_register(u8 postbyte) {
        switch ((postbyte >> 5) & 3) {
        case 0:
            return r.x;
        case 1:
            return r.y;
        case 2:
            return r.u;
        default:
            return r.s;
        }
    }
    bool indexed_address(u16& ea);
    // The effective address of modes 1 (direct), 2 (indexed) and 3
    // (extended), as bits 5-4 of the opcodes at $80-$FF number them. False
    // for an undefined indexed postbyte.
    bool address(u8 mode, u16& ea) {
        switch (mode) {
        case 1:
            ea = direct_address();
            return true;
        case 2:
            return indexed_address(ea);
        default:
            ea = fetch16();
            return true;
        }
    }
    // The operand of modes 0 (immediate) to 3.
    bool operand8(u8 mode, u8& value) {
        u16 ea = 0;
        if (mode == 0) {
            value = fetch8();
        } else if (address(mode, ea)) {
            value = read8(ea);
        } else {
            return false;
        }
        return true;
    }
    bool operand16(u8 mode, u16& value) {
        u16 ea = 0;
        if (mode == 0) {
            value = fetch16();
        } else if (address(mode, ea)) {
            value = read16(ea);
        } else {
            return false;
        }
        return true;
    }

    // --- stacks ---
    void push8(u16& sp, u8 value) { m_.write(--sp, value); }
    void push16(u16& sp, u16 value) {
        push8(sp, static_cast<u8>(value));
        push8(sp, static_cast<u8>(value >> 8));
    }
    u8 pull8(u16& sp) { return read8(sp++); }
    u16 pull16(u16& sp) {
        const u8 high = pull8(sp);
        return static_cast<u16>(high << 8 | pull8(sp));
    }
    void push_list(u16& sp, u8 list, u16 other);
    void pull_list(u16& sp, u8 list, u16& other);

    // --- arithmetic and its flags ---
    void set_flags(u8 affected, u8 values) { r.cc = static_cast<u8>((r.cc & ~affected) | values); }
    u8 add8(u8 a, u8 b, bool carry);
    u8 sub8(u8 a, u8 b, bool borrow);
    u16 add16(u16 a, u16 b);
    u16 sub16(u16 a, u16 b);
    u8 logic8(u8 result) {
        set_flags(CC_N | CC_Z | CC_V, nz8(result));
        return result;
    }
    u16 load16(u16 value) {
        set_flags(CC_N | CC_Z | CC_V, nz16(value));
        return value;
    }
    u8 modify(u8 function, u8 value);
    void decimal_adjust();
    bool condition(u8 code) const;

    // --- transfers ---
    static bool is_register_code(u8 code) { return code <= 5 || (code >= 8 && code <= 0xB); }
    u16 register_value(u8 code) const;
    void set_register(u8 code, u16 value);
    void set_s(u16 value) {
        r.s = value;
        cpu_.nmi_armed = true;
    }

    // --- instructions ---
    Outcome step();
    Outcome page1_misc(u8 op);
    Outcome memory_or_register_op(u8 op);
    Outcome accumulator_op(u8 op);
    Outcome word_op(u8 op);
    Outcome prefixed(u8 prefix, u8 op);
    Outcome transfer(bool exchange);
    Outcome load_effective_address(u8 op);
    Outcome push_pull(u8 op);
    void return_from_interrupt();
    void software_interrupt(u16 vector, u8 masks);
    void branch_long(bool taken);

    // --- interrupts and waiting ---
    bool line_wants_service() const {
        const InterruptLines& l = m_.lines;
        return l.nmi || (l.firq && !(r.cc & CC_F)) || (l.irq && !(r.cc & CC_I));
    }
    bool take_interrupt(bool stacked);
    bool wait_for_interrupt(const RunLimits& limits, Stop& stop);
    void poll_devices() {
        m_.poll_devices(cycles);
        next_poll_ = cycles + POLL_INTERVAL;
    }
};

bool Executor::indexed_address(u16& ea) {
    const u8 postbyte = fetch8();
    const mc6809::IndexedExtra& form = INDEXED[postbyte];
    if (!form.valid) {
        return false;
    }
    cycles += form.cycles;
    u16& reg = index_register(postbyte);
    if (!(postbyte & 0x80)) {
        // 5-bit two's complement offset.
        const int offset = (postbyte & 0x0F) - (postbyte & 0x10);
        ea = static_cast<u16>(reg + offset);
        return true;
    }
    switch (postbyte & 0x0F) {
    case 0x0:  // ,R+
        ea = reg++;
        break;
    case 0x1:  // ,R++
        ea = reg;
        reg = static_cast<u16>(reg + 2);
        break;
    case 0x2:  // ,-R
        ea = --reg;
        break;
    case 0x3:  // ,--R
        reg = static_cast<u16>(reg - 2);
        ea = reg;
        break;
    case 0x4:  // ,R
        ea = reg;
        break;
    case 0x5:  // B,R
        ea = static_cast<u16>(reg + static_cast<std::int8_t>(r.b));
        break;
    case 0x6:  // A,R
        ea = static_cast<u16>(reg + static_cast<std::int8_t>(r.a));
        break;
    case 0x8:  // n,R 8-bit
        ea = static_cast<u16>(reg + static_cast<std::int8_t>(fetch8()));
        break;
    case 0x9:  // n,R 16-bit
        ea = static_cast<u16>(reg + fetch16());
        break;
    case 0xB:  // D,R
        ea = static_cast<u16>(reg + d());
        break;
    case 0xC: {  // n,PCR 8-bit: from the pc after the offset
        const auto offset = static_cast<std::int8_t>(fetch8());
        ea = static_cast<u16>(r.pc + offset);
        break;
    }
    case 0xD: {  // n,PCR 16-bit
        const u16 offset = fetch16();
        ea = static_cast<u16>(r.pc + offset);
        break;
    }
    default:  // $9F [n]: the table allows no other form here
        ea = fetch16();
        break;
    }
    if (postbyte & 0x10) {
        ea = read16(ea);
    }
    return true;
}

// Pushed from the highest address down: PC, U or S, Y, X, DP, B, A, CC.
void Executor::push_list(u16& sp, u8 list, u16 other) {
    if (list & LIST_PC) push16(sp, r.pc);
    if (list & LIST_OTHER) push16(sp, other);
    if (list & LIST_Y) push16(sp, r.y);
    if (list & LIST_X) push16(sp, r.x);
    if (list & LIST_DP) push8(sp, r.dp);
    if (list & LIST_B) push8(sp, r.b);
    if (list & LIST_A) push8(sp, r.a);
    if (list & LIST_CC) push8(sp, r.cc);
}

void Executor::pull_list(u16& sp, u8 list, u16& other) {
    if (list & LIST_CC) r.cc = pull8(sp);
    if (list & LIST_A) r.a = pull8(sp);
    if (list & LIST_B) r.b = pull8(sp);
    if (list & LIST_DP) r.dp = pull8(sp);
    if (list & LIST_X) r.x = pull16(sp);
    if (list & LIST_Y) r.y = pull16(sp);
    if (list & LIST_OTHER) other = pull16(sp);
    if (list & LIST_PC) r.pc = pull16(sp);
}

u8 Executor::add8(u8 a, u8 b, bool carry) {
    const unsigned sum = a + b + (carry ? 1u : 0u);
    const auto result = static_cast<u8>(sum);
    set_flags(CC_H | CC_N | CC_Z | CC_V | CC_C, flag((a ^ b ^ sum) & 0x10, CC_H) | nz8(result) |
                                                    flag((a ^ sum) & (b ^ sum) & 0x80, CC_V) |
                                                    flag(sum & 0x100, CC_C));
    return result;
}

// H is left as it was: the datasheet leaves it undefined after a subtraction.
u8 Executor::sub8(u8 a, u8 b, bool borrow) {
    const unsigned difference = a - b - (borrow ? 1u : 0u);
    const auto result = static_cast<u8>(difference);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz8(result) | flag((a ^ b) & (a ^ result) & 0x80, CC_V) | flag(difference & 0x100, CC_C));
    return result;
}

u16 Executor::add16(u16 a, u16 b) {
    const std::uint32_t sum = std::uint32_t{a} + b;
    const auto result = static_cast<u16>(sum);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz16(result) | flag((a ^ sum) & (b ^ sum) & 0x8000, CC_V) | flag(sum & 0x10000, CC_C));
    return result;
}

u16 Executor::sub16(u16 a, u16 b) {
    const std::uint32_t difference = std::uint32_t{a} - b;
    const auto result = static_cast<u16>(difference);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz16(result) | flag((a ^ b) & (a ^ result) & 0x8000, CC_V) | flag(difference & 0x10000, CC_C));
    return result;
}

// The one-operand instructions by the low nibble of their opcode ($0x, $4x,
// $5x, $6x, $7x). TST returns its operand, and its caller writes nothing.
u8 Executor::modify(u8 function, u8 v) {
    const bool carry = r.cc & CC_C;
    u8 result = v;
    switch (function) {
    case 0x0:  // NEG
        return sub8(0, v, false);
    case 0x3:  // COM
        result = static_cast<u8>(~v);
        set_flags(CC_N | CC_Z | CC_V | CC_C, nz8(result) | CC_C);
        return result;
    case 0x4:  // LSR
        result = static_cast<u8>(v >> 1);
        set_flags(CC_N | CC_Z | CC_C, nz8(result) | flag(v & 1, CC_C));
        return result;
    case 0x6:  // ROR
        result = static_cast<u8>(v >> 1 | (carry ? 0x80 : 0));
        set_flags(CC_N | CC_Z | CC_C, nz8(result) | flag(v & 1, CC_C));
        return result;
    case 0x7:  // ASR
        result = static_cast<u8>(v >> 1 | (v & 0x80));
        set_flags(CC_N | CC_Z | CC_C, nz8(result) | flag(v & 1, CC_C));
        return result;
    case 0x8:  // ASL, LSL
    case 0x9:  // ROL
        result = static_cast<u8>(v << 1 | (function == 0x9 && carry ? 1 : 0));
        set_flags(CC_N | CC_Z | CC_V | CC_C,
                  nz8(result) | flag((v ^ (v << 1)) & 0x80, CC_V) | flag(v & 0x80, CC_C));
        return result;
    case 0xA:  // DEC
        result = static_cast<u8>(v - 1);
        set_flags(CC_N | CC_Z | CC_V, nz8(result) | flag(v == 0x80, CC_V));
        return result;
    case 0xC:  // INC
        result = static_cast<u8>(v + 1);
        set_flags(CC_N | CC_Z | CC_V, nz8(result) | flag(v == 0x7F, CC_V));
        return result;
    case 0xD:  // TST
        set_flags(CC_N | CC_Z | CC_V, nz8(v));
        return v;
    default:  // 0xF CLR
        set_flags(CC_N | CC_Z | CC_V | CC_C, CC_Z);
        return 0;
    }
}

// DAA: adds 6 to each BCD digit of A that is past 9 or carried (H for the low
// digit, C for the high). C stays set once set; V is cleared.
void Executor::decimal_adjust() {
    const unsigned low = r.a & 0x0F, high = r.a >> 4;
    unsigned correction = 0;
    if ((r.cc & CC_H) || low > 9) {
        correction |= 0x06;
    }
    if ((r.cc & CC_C) || high > 9 || (high > 8 && low > 9)) {
        correction |= 0x60;
    }
    const unsigned sum = r.a + correction;
    r.a = static_cast<u8>(sum);
    set_flags(CC_N | CC_Z | CC_V | CC_C, nz8(r.a) | flag((r.cc & CC_C) || (sum & 0x100), CC_C));
}

// The branch conditions by the low nibble of the opcode: pairs, the odd one
// the opposite of the even.
bool Executor::condition(u8 code) const {
    const bool c = r.cc & CC_C, z = r.cc & CC_Z, v = r.cc & CC_V, n = r.cc & CC_N;
    bool holds = true;
    switch (code >> 1) {
    case 0:  // BRA / BRN
        holds = true;
        break;
    case 1:  // BHI / BLS
        holds = !(c || z);
        break;
    case 2:  // BCC / BCS
        holds = !c;
        break;
    case 3:  // BNE / BEQ
        holds = !z;
        break;
    case 4:  // BVC / BVS
        holds = !v;
        break;
    case 5:  // BPL / BMI
        holds = !n;
        break;
    case 6:  // BGE / BLT
        holds = n == v;
        break;
    default:  // BGT / BLE
        holds = !z && n == v;
        break;
    }
    return (code & 1) ? !holds : holds;
}

// TFR and EXG register codes. An 8-bit register read as 16 bits has $FF in
// its high byte; a 16-bit value written to an 8-bit register leaves its low
// byte, as the part does with pairs of unlike sizes.
u16 Executor::register_value(u8 code) const {
    switch (code) {
    case 0x0:
        return d();
    case 0x1:
        return r.x;
    case 0x2:
        return r.y;
    case 0x3:
        return r.u;
    case 0x4:
        return r.s;
    case 0x5:
        return r.pc;
    case 0x8:
        return static_cast<u16>(0xFF00 | r.a);
    case 0x9:
        return static_cast<u16>(0xFF00 | r.b);
    case 0xA:
        return static_cast<u16>(0xFF00 | r.cc);
    default:
        return static_cast<u16>(0xFF00 | r.dp);
    }
}

void Executor::set_register(u8 code, u16 value) {
    switch (code) {
    case 0x0:
        set_d(value);
        break;
    case 0x1:
        r.x = value;
        break;
    case 0x2:
        r.y = value;
        break;
    case 0x3:
        r.u = value;
        break;
    case 0x4:
        set_s(value);
        break;
    case 0x5:
        r.pc = value;
        break;
    case 0x8:
        r.a = static_cast<u8>(value);
        break;
    case 0x9:
        r.b = static_cast<u8>(value);
        break;
    case 0xA:
        r.cc = static_cast<u8>(value);
        break;
    default:
        r.dp = static_cast<u8>(value);
        break;
    }
}

Outcome Executor::transfer(bool exchange) {
    const u8 postbyte = fetch8();
    const u8 first = postbyte >> 4, second = postbyte & 0x0F;
    if (!is_register_code(first) || !is_register_code(second)) {
        return Outcome::undefined;
    }
    const u16 from_first = register_value(first);
    if (exchange) {
        const u16 from_second = register_value(second);
        set_register(first, from_second);
    }
    set_register(second, from_first);
    return Outcome::done;
}

Outcome Executor::load_effective_address(u8 op) {
    u16 ea = 0;
    if (!indexed_address(ea)) {
        return Outcome::undefined;
    }
    switch (op) {
    case 0x30:  // LEAX
        r.x = ea;
        set_flags(CC_Z, flag(ea == 0, CC_Z));
        break;
    case 0x31:  // LEAY
        r.y = ea;
        set_flags(CC_Z, flag(ea == 0, CC_Z));
        break;
    case 0x32:  // LEAS
        set_s(ea);
        break;
    default:  // LEAU
        r.u = ea;
        break;
    }
    return Outcome::done;
}

Outcome Executor::push_pull(u8 op) {
    const u8 list = fetch8();
    cycles += static_cast<unsigned>(mc6809::CYCLES_PER_BYTE_MOVED * mc6809::register_list_bytes(list));
    switch (op) {
    case 0x34:  // PSHS
        push_list(r.s, list, r.u);
        break;
    case 0x35:  // PULS
        pull_list(r.s, list, r.u);
        break;
    case 0x36:  // PSHU
        push_list(r.u, list, r.s);
        break;
    default: {  // PULU
        u16 s = r.s;
        pull_list(r.u, list, s);
        if (list & LIST_OTHER) {
            set_s(s);
        }
        break;
    }
    }
    return Outcome::done;
}

void Executor::return_from_interrupt() {
    r.cc = pull8(r.s);
    if (r.cc & CC_E) {
        cycles += static_cast<unsigned>(mc6809::RTI_ENTIRE_CYCLES - PAGE1_CYCLES[RTI_OPCODE]);
        pull_list(r.s, ENTIRE_STATE & ~LIST_CC, r.u);
    } else {
        r.pc = pull16(r.s);
    }
}

void Executor::software_interrupt(u16 vector, u8 masks) {
    r.cc |= CC_E;
    push_list(r.s, ENTIRE_STATE, r.u);
    r.cc |= masks;
    r.pc = read16(vector);
}

void Executor::branch_long(bool taken) {
    const u16 offset = fetch16();
    if (taken) {
        r.pc = static_cast<u16>(r.pc + offset);
    }
}

Outcome Executor::step() {
    const u8 op = fetch8();
    if (op == PAGE2_PREFIX || op == PAGE3_PREFIX) {
        return prefixed(op, fetch8());
    }
    const u8 base = PAGE1_CYCLES[op];
    if (base == 0) {
        return Outcome::undefined;
    }
    cycles += base;
    if (op >= 0x80) {
        return accumulator_op(op);
    }
    if (op >= 0x40 || op < 0x10) {
        return memory_or_register_op(op);
    }
    return page1_misc(op);
}

// $00-$0F direct, $40 A, $50 B, $60 indexed, $70 extended: the one-operand
// instructions, JMP among them.
Outcome Executor::memory_or_register_op(u8 op) {
    const u8 function = op & 0x0F;
    switch (op >> 4) {
    case 0x4:
        r.a = modify(function, r.a);
        return Outcome::done;
    case 0x5:
        r.b = modify(function, r.b);
        return Outcome::done;
    default:
        break;
    }
    u16 ea = 0;
    switch (op >> 4) {
    case 0x0:
        ea = direct_address();
        break;
    case 0x6:
        if (!indexed_address(ea)) {
            return Outcome::undefined;
        }
        break;
    default:
        ea = fetch16();
        break;
    }
    if (function == 0xE) {  // JMP
        r.pc = ea;
    } else if (function == 0xF) {  // CLR writes without reading
        m_.write(ea, modify(function, 0));
    } else if (function == 0xD) {  // TST reads without writing
        modify(function, read8(ea));
    } else {
        m_.write(ea, modify(function, read8(ea)));
    }
    return Outcome::done;
}

// $80-$FF: A ($80-$BF) or B ($C0-$FF), in the modes immediate, direct,
// indexed and extended (bits 5-4), by the low nibble.
Outcome Executor::accumulator_op(u8 op) {
    const u8 function = op & 0x0F, mode = (op >> 4) & 3;
    if (function == 0x3 || function >= 0xC) {
        return word_op(op);
    }
    u8& acc = (op & 0x40) ? r.b : r.a;
    if (function == 0x7) {  // STA, STB
        u16 ea = 0;
        if (!address(mode, ea)) {
            return Outcome::undefined;
        }
        m_.write(ea, logic8(acc));
        return Outcome::done;
    }
    u8 v = 0;
    if (!operand8(mode, v)) {
        return Outcome::undefined;
    }
    switch (function) {
    case 0x0:  // SUB
        acc = sub8(acc, v, false);
        break;
    case 0x1:  // CMP
        sub8(acc, v, false);
        break;
    case 0x2:  // SBC
        acc = sub8(acc, v, r.cc & CC_C);
        break;
    case 0x4:  // AND
        acc = logic8(acc & v);
        break;
    case 0x5:  // BIT
        logic8(acc & v);
        break;
    case 0x6:  // LD
        acc = logic8(v);
        break;
    case 0x8:  // EOR
        acc = logic8(acc ^ v);
        break;
    case 0x9:  // ADC
        acc = add8(acc, v, r.cc & CC_C);
        break;
    case 0xA:  // OR
        acc = logic8(acc | v);
        break;
    default:  // 0xB ADD
        acc = add8(acc, v, false);
        break;
    }
    return Outcome::done;
}

// The 16-bit column of page 1: SUBD CMPX BSR/JSR LDX STX on the A side, ADDD
// LDD STD LDU STU on the B side.
Outcome Executor::word_op(u8 op) {
    const u8 function = op & 0x0F, mode = (op >> 4) & 3;
    const bool b_side = op & 0x40;
    if (op == 0x8D) {  // BSR
        const auto offset = static_cast<std::int8_t>(fetch8());
        push16(r.s, r.pc);
        r.pc = static_cast<u16>(r.pc + offset);
        return Outcome::done;
    }
    if (function == 0xD || function == 0xF) {  // JSR, STD; STX, STU
        u16 ea = 0;
        if (!address(mode, ea)) {
            return Outcome::undefined;
        }
        if (function == 0xD && !b_side) {
            push16(r.s, r.pc);
            r.pc = ea;
        } else {
            write16(ea, load16(function == 0xD ? d() : b_side ? r.u : r.x));
        }
        return Outcome::done;
    }
    u16 v = 0;
    if (!operand16(mode, v)) {
        return Outcome::undefined;
    }
    switch (function) {
    case 0x3:
        set_d(b_side ? add16(d(), v) : sub16(d(), v));  // ADDD, SUBD
        break;
    case 0xC:
        if (b_side) {
            set_d(load16(v));  // LDD
        } else {
            sub16(r.x, v);  // CMPX
        }
        break;
    default:  // 0xE
        (b_side ? r.u : r.x) = load16(v);  // LDU, LDX
        break;
    }
    return Outcome::done;
}

// Pages 2 and 3: long conditional branches, SWI2 and SWI3, and the 16-bit
// instructions on D, Y, S (page 2) and U, S (page 3).
Outcome Executor::prefixed(u8 prefix, u8 op) {
    const bool page2 = prefix == PAGE2_PREFIX;
    const u8 base = page2 ? PAGE2_CYCLES[op] : PAGE3_CYCLES[op];
    if (base == 0) {
        return Outcome::undefined;
    }
    cycles += base;
    if (op == 0x3F) {
        software_interrupt(page2 ? VECTOR_SWI2 : VECTOR_SWI3, 0);
        return Outcome::done;
    }
    if (op < 0x30) {
        const bool taken = condition(op & 0x0F);
        branch_long(taken);
        if (taken) {
            cycles += mc6809::LONG_BRANCH_TAKEN_EXTRA;
        }
        return Outcome::done;
    }
    const u8 function = op & 0x0F, mode = (op >> 4) & 3;
    const bool s_column = op & 0x40;  // LDS, STS
    if (function == 0xF) {  // STY, STS
        u16 ea = 0;
        if (!address(mode, ea)) {
            return Outcome::undefined;
        }
        write16(ea, load16(s_column ? r.s : r.y));
        return Outcome::done;
    }
    u16 v = 0;
    if (!operand16(mode, v)) {
        return Outcome::undefined;
    }
    if (function == 0xE) {  // LDY, LDS
        if (s_column) {
            set_s(load16(v));
        } else {
            r.y = load16(v);
        }
    } else if (page2) {
        sub16(function == 0x3 ? d() : r.y, v);  // CMPD, CMPY
    } else {
        sub16(function == 0x3 ? r.u : r.s, v);  // CMPU, CMPS
    }
    return Outcome::done;
}

// $10-$3F of page 1.
Outcome Executor::page1_misc(u8 op) {
    if (op >= 0x20 && op < 0x30) {  // short branches
        const auto offset = static_cast<std::int8_t>(fetch8());
        if (condition(op & 0x0F)) {
            r.pc = static_cast<u16>(r.pc + offset);
        }
        return Outcome::done;
    }
    switch (op) {
    case 0x12:  // NOP
        break;
    case 0x13:  // SYNC
        cpu_.wait = Cpu::Wait::sync;
        return Outcome::wait;
    case 0x16:  // LBRA
        branch_long(true);
        break;
    case 0x17: {  // LBSR
        const u16 offset = fetch16();
        push16(r.s, r.pc);
        r.pc = static_cast<u16>(r.pc + offset);
        break;
    }
    case 0x19:
        decimal_adjust();
        break;
    case 0x1A:  // ORCC
        r.cc |= fetch8();
        break;
    case 0x1C:  // ANDCC
        r.cc &= fetch8();
        break;
    case 0x1D:  // SEX: V is left as it was
        r.a = (r.b & 0x80) ? 0xFF : 0x00;
        set_flags(CC_N | CC_Z, nz16(d()));
        break;
    case 0x1E:
        return transfer(true);
    case 0x1F:
        return transfer(false);
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x33:
        return load_effective_address(op);
    case 0x34:
    case 0x35:
    case 0x36:
    case 0x37:
        return push_pull(op);
    case 0x39:  // RTS
        r.pc = pull16(r.s);
        break;
    case 0x3A:  // ABX
        r.x = static_cast<u16>(r.x + r.b);
        break;
    case 0x3B:
        return_from_interrupt();
        break;
    case 0x3C:  // CWAI: clears masks, stacks the entire state, waits
        r.cc &= fetch8();
        r.cc |= CC_E;
        push_list(r.s, ENTIRE_STATE, r.u);
        cpu_.wait = Cpu::Wait::cwai;
        return Outcome::wait;
    case 0x3D: {  // MUL
        set_d(static_cast<u16>(r.a * r.b));
        set_flags(CC_Z | CC_C, flag(d() == 0, CC_Z) | flag(r.b & 0x80, CC_C));
        break;
    }
    default:  // 0x3F SWI
        if (stopping_on_swi_) {
            return Outcome::swi;
        }
        software_interrupt(VECTOR_SWI, CC_I | CC_F);
        break;
    }
    return Outcome::done;
}

// Takes the highest interrupt the lines ask for and the masks let through:
// NMI, FIRQ, IRQ. After a CWAI the state is already stacked (with E set,
// whichever the interrupt) and only the vector remains to fetch.
bool Executor::take_interrupt(bool stacked) {
    InterruptLines& l = m_.lines;
    u16 vector = 0;
    u8 masks = 0;
    int entry_cycles = mc6809::NMI_IRQ_ENTRY_CYCLES;
    bool entire = true;
    if (l.nmi && !cpu_.nmi_armed) {
        l.nmi = false;  // not recognised before S is loaded
    }
    if (l.nmi) {
        l.nmi = false;
        vector = VECTOR_NMI;
        masks = CC_I | CC_F;
    } else if (l.firq && !(r.cc & CC_F)) {
        vector = VECTOR_FIRQ;
        masks = CC_I | CC_F;
        entry_cycles = mc6809::FIRQ_ENTRY_CYCLES;
        entire = false;
    } else if (l.irq && !(r.cc & CC_I)) {
        vector = VECTOR_IRQ;
        masks = CC_I;
    } else {
        return false;
    }
    if (stacked) {
        entry_cycles = CWAI_WAKE_CYCLES;
    } else if (entire) {
        r.cc |= CC_E;
        push_list(r.s, ENTIRE_STATE, r.u);
    } else {
        r.cc &= static_cast<u8>(~CC_E);
        push_list(r.s, FAST_STATE, r.u);
    }
    r.cc |= masks;
    r.pc = read16(vector);
    cycles += static_cast<unsigned>(entry_cycles);
    return true;
}

// CWAI waits for an interrupt it can take; SYNC for any interrupt line, and
// goes on with the next instruction when the line is masked. Meanwhile the
// cycles pass and the devices are polled, until something wakes the CPU or
// nothing can (false, with the stop).
bool Executor::wait_for_interrupt(const RunLimits& limits, Stop& stop_at) {
    const InterruptLines& l = m_.lines;
    for (;;) {
        const bool cwai = cpu_.wait == Cpu::Wait::cwai;
        if (cwai ? line_wants_service() : (l.nmi || l.firq || l.irq)) {
            cpu_.wait = Cpu::Wait::none;
            if (!take_interrupt(cwai) && cwai) {
                cpu_.wait = Cpu::Wait::cwai;  // an NMI before S was loaded
                continue;
            }
            return true;
        }
        if (m_.stop_requested) {
            stop_at = stop(StopReason::device);
            return false;
        }
        if (!m_.device_can_wake()) {
            stop_at = stop(StopReason::waiting);
            return false;
        }
        if (cycles >= limits.max_cycles) {
            stop_at = stop(StopReason::cycle_limit);
            return false;
        }
        cycles = std::max(cycles, std::min(next_poll_, limits.max_cycles));
        if (cycles >= next_poll_) {
            poll_devices();
        }
    }
}

Stop Executor::run(const RunLimits& limits, Tracer* tracer) {
    stopping_on_swi_ = limits.stop_on_swi;
    next_poll_ = cycles + POLL_INTERVAL;
    Stop stopped{StopReason::waiting, 0};
    if (cpu_.wait != Cpu::Wait::none && !wait_for_interrupt(limits, stopped)) {
        return stopped;
    }
    for (;;) {
        if (cycles >= next_poll_) {
            poll_devices();
        }
        if (m_.stop_requested) {
            return stop(StopReason::device);
        }
        if (limits.until != nullptr && (*limits.until)[r.pc]) {
            return stop(StopReason::until);
        }
        if (cycles >= limits.max_cycles) {
            return stop(StopReason::cycle_limit);
        }
        if (line_wants_service() && take_interrupt(false)) {
            continue;
        }
        const std::uint64_t before = cycles;
        const u16 pc = r.pc;
        const Outcome outcome = step();
        if (outcome == Outcome::undefined || outcome == Outcome::swi) {
            r.pc = pc;
            cycles = before;
            return stop(outcome == Outcome::swi ? StopReason::swi : StopReason::undefined_opcode);
        }
        if (tracer != nullptr) {
            const Registers after = r;  // a copy, so that r never escapes
            tracer->executed(before, pc, after);
        }
        if (outcome == Outcome::wait && !wait_for_interrupt(limits, stopped)) {
            return stopped;
        }
    }
}

}  // namespace

Stop Cpu::run(const RunLimits& limits, Tracer* tracer) {
    return Executor(*this, memory_).run(limits, tracer);
}

}  // namespace sim
