#include "sim/cpu.h"

#include <algorithm>

#include "mc6809/timing.h"

namespace sim {
namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using mc6809::PAGE2_PREFIX;
using mc6809::PAGE3_PREFIX;

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

// N and Z of each 8-bit result, looked up: one load where the tests took
// five host instructions. With V, H and C shifted into place below, 100 M
// cycles of the benchmark take 1,117 M host instructions instead of 1,136 M.
constexpr std::array<u8, 256> NZ8 = [] {
    std::array<u8, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        table[v] = flag(v & 0x80, CC_N) | flag(v == 0, CC_Z);
    }
    return table;
}();
constexpr u8 nz8(u8 v) { return NZ8[v]; }
constexpr u8 nz16(u16 v) { return static_cast<u8>((v >> 12 & CC_N) | flag(v == 0, CC_Z)); }
// The carry out of bit 7 (15), the overflow into it, and the half carry out
// of bit 3, moved to their places in cc by shifts rather than tests.
constexpr u8 carry8(unsigned wide) { return static_cast<u8>(wide >> 8 & CC_C); }
constexpr u8 carry16(std::uint32_t wide) { return static_cast<u8>(wide >> 16 & CC_C); }
constexpr u8 overflow8(unsigned sign_bits) { return static_cast<u8>(sign_bits >> 6 & CC_V); }
constexpr u8 overflow16(std::uint32_t sign_bits) { return static_cast<u8>(sign_bits >> 14 & CC_V); }
constexpr u8 half_carry(unsigned a, unsigned b, unsigned sum) { return static_cast<u8>((a ^ b ^ sum) << 1 & CC_H); }

// The CPU's registers, the memory and the cycle count for one run: the
// registers are a copy, written back at the stop, so that memory accesses
// need not be assumed to change them.
//
// The helpers of every instruction are always inlined: left to the compiler,
// memory accesses and flag arithmetic stayed calls, and 20 M cycles of the
// benchmark took 374 M host instructions instead of 307 M.
//
// As it stands, 100 M cycles of the benchmark (bench/sim_bench.cpp) take
// 979 M host instructions under callgrind, 9.8 per cycle, 43 per
// instruction; it runs 1,090 to 1,190 M cycles/s natively.
//
// CHECKED_FETCH: whether fetches of the opcode and operands test for a
// device (see fetch8).
template <bool CHECKED_FETCH>
class Executor {
public:
    Executor(Cpu& cpu, Memory& memory) : cpu_(cpu), m_(memory), r(cpu.regs), cycles(cpu.cycles) {}
    // The same run, its fetches checked or not.
    template <bool OTHER>
    explicit Executor(const Executor<OTHER>& other)
        : cpu_(other.cpu_), m_(other.m_), r(other.r), cycles(other.cycles), next_poll_(other.next_poll_),
          next_event_(other.next_event_), max_cycles_(other.max_cycles_),
          stopping_on_swi_(other.stopping_on_swi_) {}

    Stop run(const RunLimits& limits, Tracer* tracer);

    // One handler per opcode of each page, made from the timing table's row
    // for it: its mode and base count are constants in its code. Page 1 is
    // a switch (execute), the rarer pages 2 and 3 tables of handlers.
    using Handler = Outcome (*)(Executor&);
    template <u8 OP>
    static Outcome on_page2(Executor& e) { return e.page2<OP>(); }
    template <u8 OP>
    static Outcome on_page3(Executor& e) { return e.page3<OP>(); }
    // An indexed handler returns the effective address, or -1 for an
    // undefined postbyte: returned in a register rather than stored through
    // a reference, 1,117 M to 1,079 M host instructions on 100 M cycles.
    using IndexedHandler = std::int32_t (*)(Executor&);
    template <u8 POSTBYTE>
    static std::int32_t on_postbyte(Executor& e) {
        u16 ea = 0;
        return e.indexed<POSTBYTE>(ea) ? ea : -1;
    }

private:
    template <bool>
    friend class Executor;

    Cpu& cpu_;
    Memory& m_;
    Registers r;
    std::uint64_t cycles;
    std::uint64_t next_poll_ = 0;
    // The run loop looks beyond the next instruction (devices, interrupts,
    // the cycle limit) only when the cycles reach this. A device access, a
    // poll and a change of cc that may unmask an interrupt set it to 0.
    std::uint64_t next_event_ = 0;
    std::uint64_t max_cycles_ = 0;
    bool stopping_on_swi_ = false;

    template <bool UNTIL, bool TRACE>
    Stop loop(const RunLimits& limits, Tracer* tracer);

    Stop stop(StopReason reason) {
        cpu_.regs = r;
        cpu_.cycles = cycles;
        return {reason, r.pc};
    }
    void look_again() { next_event_ = 0; }

    // --- memory and operands ---
    [[gnu::always_inline]] u8 read8(u16 address) {
        if (m_.reads_plain(address)) [[likely]] {
            return m_.peek(address);
        }
        look_again();
        return m_.read(address);
    }
    [[gnu::always_inline]] void write8(u16 address, u8 value) {
        if (m_.writes_plain(address)) [[likely]] {
            m_.load(address, value);
            return;
        }
        look_again();
        m_.write(address, value);
    }
    // Two bytes of plain memory by one test: 992 M to 979 M host
    // instructions on 100 M cycles of the benchmark.
    [[gnu::always_inline]] u16 read16(u16 address) {
        if (m_.reads_plain16(address)) [[likely]] {
            return static_cast<u16>(m_.peek(address) << 8 | m_.peek(static_cast<u16>(address + 1)));
        }
        const u8 high = read8(address);
        return static_cast<u16>(high << 8 | read8(static_cast<u16>(address + 1)));
    }
    [[gnu::always_inline]] void write16(u16 address, u16 value) {
        if (m_.writes_plain16(address)) [[likely]] {
            m_.load(address, static_cast<u8>(value >> 8));
            m_.load(static_cast<u16>(address + 1), static_cast<u8>(value));
            return;
        }
        write8(address, static_cast<u8>(value >> 8));
        write8(static_cast<u16>(address + 1), static_cast<u8>(value));
    }
    // Fetches of the opcode and its operands. The run loop executes an
    // instruction whose bytes all lie in plain memory with the fetches
    // unchecked, any other with them checked: 1,079 M to 992 M host
    // instructions on 100 M cycles of the benchmark.
    [[gnu::always_inline]] u8 fetch8() {
        if constexpr (CHECKED_FETCH) {
            return read8(r.pc++);
        } else {
            return m_.peek(r.pc++);
        }
    }
    [[gnu::always_inline]] u16 fetch16() {
        const u8 high = fetch8();
        return static_cast<u16>(high << 8 | fetch8());
    }
    u16 d() const { return static_cast<u16>(r.a << 8 | r.b); }
    void set_d(u16 value) {
        r.a = static_cast<u8>(value >> 8);
        r.b = static_cast<u8>(value);
    }
    [[gnu::always_inline]] u16 direct_address() { return static_cast<u16>(r.dp << 8 | fetch8()); }
    // The effective address of an indexed operand, by a handler per
    // postbyte: decoding the postbyte at run time took 307 M host
    // instructions on 20 M cycles of the benchmark, the handlers 269 M.
    bool indexed_address(u16& ea);
    template <u8 POSTBYTE>
    bool indexed(u16& ea);
    // The effective address of a direct, indexed or extended operand; false
    // for an undefined indexed postbyte.
    template <mc6809::Mode MODE>
    [[gnu::always_inline]] bool address(u16& ea) {
        if constexpr (MODE == mc6809::Mode::direct) {
            ea = direct_address();
            return true;
        } else if constexpr (MODE == mc6809::Mode::indexed) {
            return indexed_address(ea);
        } else {
            static_assert(MODE == mc6809::Mode::extended);
            ea = fetch16();
            return true;
        }
    }
    template <mc6809::Mode MODE>
    [[gnu::always_inline]] bool operand8(u8& value) {
        if constexpr (MODE == mc6809::Mode::immediate) {
            value = fetch8();
            return true;
        } else {
            u16 ea = 0;
            if (!address<MODE>(ea)) {
                return false;
            }
            value = read8(ea);
            return true;
        }
    }
    template <mc6809::Mode MODE>
    [[gnu::always_inline]] bool operand16(u16& value) {
        if constexpr (MODE == mc6809::Mode::immediate) {
            value = fetch16();
            return true;
        } else {
            u16 ea = 0;
            if (!address<MODE>(ea)) {
                return false;
            }
            value = read16(ea);
            return true;
        }
    }

    // --- stacks ---
    [[gnu::always_inline]] void push8(u16& sp, u8 value) { write8(--sp, value); }
    [[gnu::always_inline]] void push16(u16& sp, u16 value) {
        push8(sp, static_cast<u8>(value));
        push8(sp, static_cast<u8>(value >> 8));
    }
    [[gnu::always_inline]] u8 pull8(u16& sp) { return read8(sp++); }
    [[gnu::always_inline]] u16 pull16(u16& sp) {
        const u8 high = pull8(sp);
        return static_cast<u16>(high << 8 | pull8(sp));
    }
    void push_list(u16& sp, u8 list, u16 other);
    void pull_list(u16& sp, u8 list, u16& other);

    // --- arithmetic and its flags ---
    [[gnu::always_inline]] void set_flags(u8 affected, u8 values) {
        r.cc = static_cast<u8>((r.cc & ~affected) | values);
    }
    u8 add8(u8 a, u8 b, bool carry);
    u8 sub8(u8 a, u8 b, bool borrow);
    u16 add16(u16 a, u16 b);
    u16 sub16(u16 a, u16 b);
    [[gnu::always_inline]] u8 logic8(u8 result) {
        set_flags(CC_N | CC_Z | CC_V, nz8(result));
        return result;
    }
    [[gnu::always_inline]] u16 load16(u16 value) {
        set_flags(CC_N | CC_Z | CC_V, nz16(value));
        return value;
    }
    template <u8 FUNCTION>
    u8 modify(u8 value);
    template <u8 FUNCTION>
    void alu8(u8& acc, u8 value);
    void decimal_adjust();
    template <u8 CODE>
    bool condition() const;

    // --- transfers ---
    static bool is_register_code(u8 code) { return code <= 5 || (code >= 8 && code <= 0xB); }
    u16 register_value(u8 code) const;
    void set_register(u8 code, u16 value);
    void set_s(u16 value) {
        r.s = value;
        cpu_.nmi_armed = true;
    }

    // --- instructions ---
    Outcome execute(u8 op);
    Outcome execute_checked();
    template <u8 OP>
    Outcome page1();
    template <u8 OP>
    Outcome page2();
    template <u8 OP>
    Outcome page3();
    template <u8 OP>
    Outcome one_operand();
    template <u8 OP>
    Outcome accumulator_op();
    template <u8 OP>
    Outcome word_op();
    template <u8 OP>
    Outcome misc();
    template <u8 PREFIX, u8 OP>
    Outcome word_op_prefixed();
    Outcome transfer(bool exchange);
    template <u8 OP>
    Outcome load_effective_address();
    template <u8 OP>
    void push_pull();
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
        look_again();
    }
};

template <bool CHECKED_FETCH, std::size_t... OPS>
constexpr std::array<typename Executor<CHECKED_FETCH>::Handler, 256> page2_handlers(std::index_sequence<OPS...>) {
    return {&Executor<CHECKED_FETCH>::template on_page2<static_cast<u8>(OPS)>...};
}
template <bool CHECKED_FETCH, std::size_t... OPS>
constexpr std::array<typename Executor<CHECKED_FETCH>::Handler, 256> page3_handlers(std::index_sequence<OPS...>) {
    return {&Executor<CHECKED_FETCH>::template on_page3<static_cast<u8>(OPS)>...};
}
template <bool CHECKED_FETCH, std::size_t... POSTBYTES>
constexpr std::array<typename Executor<CHECKED_FETCH>::IndexedHandler, 256> indexed_handlers(
    std::index_sequence<POSTBYTES...>) {
    return {&Executor<CHECKED_FETCH>::template on_postbyte<static_cast<u8>(POSTBYTES)>...};
}
template <bool CHECKED_FETCH>
constexpr auto INDEXED_HANDLERS = indexed_handlers<CHECKED_FETCH>(std::make_index_sequence<256>{});
template <bool CHECKED_FETCH>
constexpr auto PAGE2_HANDLERS = page2_handlers<CHECKED_FETCH>(std::make_index_sequence<256>{});
template <bool CHECKED_FETCH>
constexpr auto PAGE3_HANDLERS = page3_handlers<CHECKED_FETCH>(std::make_index_sequence<256>{});

template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline bool Executor<CHECKED_FETCH>::indexed_address(u16& ea) {
    const std::int32_t found = INDEXED_HANDLERS<CHECKED_FETCH>[fetch8()](*this);
    ea = static_cast<u16>(found);
    return found >= 0;
}

// One indexed form by its postbyte, as the timing table gives its validity
// and extra cycles.
template <bool CHECKED_FETCH>
template <u8 POSTBYTE>
[[gnu::always_inline]] inline bool Executor<CHECKED_FETCH>::indexed(u16& ea) {
    constexpr mc6809::IndexedExtra FORM = mc6809::indexed_extra(POSTBYTE);
    constexpr u8 KIND = POSTBYTE & 0x0F;
    if constexpr (!FORM.valid) {
        return false;
    } else {
        cycles += FORM.cycles;
        constexpr u16 Registers::*BY_CODE[4] = {&Registers::x, &Registers::y, &Registers::u, &Registers::s};
        u16& reg = r.*BY_CODE[(POSTBYTE >> 5) & 3];
        if constexpr (!(POSTBYTE & 0x80)) {
            // 5-bit two's complement offset.
            constexpr int OFFSET = (POSTBYTE & 0x0F) - (POSTBYTE & 0x10);
            ea = static_cast<u16>(reg + OFFSET);
            return true;
        } else if constexpr (KIND == 0x0) {  // ,R+
            ea = reg++;
        } else if constexpr (KIND == 0x1) {  // ,R++
            ea = reg;
            reg = static_cast<u16>(reg + 2);
        } else if constexpr (KIND == 0x2) {  // ,-R
            ea = --reg;
        } else if constexpr (KIND == 0x3) {  // ,--R
            reg = static_cast<u16>(reg - 2);
            ea = reg;
        } else if constexpr (KIND == 0x4) {  // ,R
            ea = reg;
        } else if constexpr (KIND == 0x5) {  // B,R
            ea = static_cast<u16>(reg + static_cast<std::int8_t>(r.b));
        } else if constexpr (KIND == 0x6) {  // A,R
            ea = static_cast<u16>(reg + static_cast<std::int8_t>(r.a));
        } else if constexpr (KIND == 0x8) {  // n,R 8-bit
            ea = static_cast<u16>(reg + static_cast<std::int8_t>(fetch8()));
        } else if constexpr (KIND == 0x9) {  // n,R 16-bit
            ea = static_cast<u16>(reg + fetch16());
        } else if constexpr (KIND == 0xB) {  // D,R
            ea = static_cast<u16>(reg + d());
        } else if constexpr (KIND == 0xC) {  // n,PCR 8-bit: from the pc after the offset
            const auto offset = static_cast<std::int8_t>(fetch8());
            ea = static_cast<u16>(r.pc + offset);
        } else if constexpr (KIND == 0xD) {  // n,PCR 16-bit
            const u16 offset = fetch16();
            ea = static_cast<u16>(r.pc + offset);
        } else {
            static_assert(POSTBYTE == 0x9F);  // [n]
            ea = fetch16();
        }
        if constexpr ((POSTBYTE & 0x10) != 0) {
            ea = read16(ea);
        }
        return true;
    }
}

// Pushed from the highest address down: PC, U or S, Y, X, DP, B, A, CC.
template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::push_list(u16& sp, u8 list, u16 other) {
    if (list & LIST_PC) push16(sp, r.pc);
    if (list & LIST_OTHER) push16(sp, other);
    if (list & LIST_Y) push16(sp, r.y);
    if (list & LIST_X) push16(sp, r.x);
    if (list & LIST_DP) push8(sp, r.dp);
    if (list & LIST_B) push8(sp, r.b);
    if (list & LIST_A) push8(sp, r.a);
    if (list & LIST_CC) push8(sp, r.cc);
}

template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::pull_list(u16& sp, u8 list, u16& other) {
    if (list & LIST_CC) r.cc = pull8(sp);
    if (list & LIST_A) r.a = pull8(sp);
    if (list & LIST_B) r.b = pull8(sp);
    if (list & LIST_DP) r.dp = pull8(sp);
    if (list & LIST_X) r.x = pull16(sp);
    if (list & LIST_Y) r.y = pull16(sp);
    if (list & LIST_OTHER) other = pull16(sp);
    if (list & LIST_PC) r.pc = pull16(sp);
}

template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline u8 Executor<CHECKED_FETCH>::add8(u8 a, u8 b, bool carry) {
    const unsigned sum = a + b + (carry ? 1u : 0u);
    const auto result = static_cast<u8>(sum);
    set_flags(CC_H | CC_N | CC_Z | CC_V | CC_C,
              half_carry(a, b, sum) | nz8(result) | overflow8((a ^ sum) & (b ^ sum)) | carry8(sum));
    return result;
}

// H is left as it was: the datasheet leaves it undefined after a subtraction.
template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline u8 Executor<CHECKED_FETCH>::sub8(u8 a, u8 b, bool borrow) {
    const unsigned difference = a - b - (borrow ? 1u : 0u);
    const auto result = static_cast<u8>(difference);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz8(result) | overflow8((a ^ b) & (a ^ result)) | carry8(difference));
    return result;
}

template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline u16 Executor<CHECKED_FETCH>::add16(u16 a, u16 b) {
    const std::uint32_t sum = std::uint32_t{a} + b;
    const auto result = static_cast<u16>(sum);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz16(result) | overflow16((a ^ sum) & (b ^ sum)) | carry16(sum));
    return result;
}

template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline u16 Executor<CHECKED_FETCH>::sub16(u16 a, u16 b) {
    const std::uint32_t difference = std::uint32_t{a} - b;
    const auto result = static_cast<u16>(difference);
    set_flags(CC_N | CC_Z | CC_V | CC_C,
              nz16(result) | overflow16((a ^ b) & (a ^ result)) | carry16(difference));
    return result;
}

// The one-operand instructions by the low nibble of their opcode ($0x, $4x,
// $5x, $6x, $7x). TST returns its operand, and its caller writes nothing.
template <bool CHECKED_FETCH>
template <u8 FUNCTION>
[[gnu::always_inline]] inline u8 Executor<CHECKED_FETCH>::modify(u8 v) {
    const bool carry = r.cc & CC_C;
    if constexpr (FUNCTION == 0x0) {  // NEG
        return sub8(0, v, false);
    } else if constexpr (FUNCTION == 0x3) {  // COM
        const auto result = static_cast<u8>(~v);
        set_flags(CC_N | CC_Z | CC_V | CC_C, nz8(result) | CC_C);
        return result;
    } else if constexpr (FUNCTION == 0x4 || FUNCTION == 0x6 || FUNCTION == 0x7) {  // LSR, ROR, ASR
        u8 high = 0;
        if constexpr (FUNCTION == 0x6) {
            high = carry ? 0x80 : 0;
        } else if constexpr (FUNCTION == 0x7) {
            high = v & 0x80;
        }
        const auto result = static_cast<u8>(v >> 1 | high);
        set_flags(CC_N | CC_Z | CC_C, nz8(result) | flag(v & 1, CC_C));
        return result;
    } else if constexpr (FUNCTION == 0x8 || FUNCTION == 0x9) {  // ASL (LSL), ROL
        const auto result = static_cast<u8>(v << 1 | (FUNCTION == 0x9 && carry ? 1 : 0));
        set_flags(CC_N | CC_Z | CC_V | CC_C, nz8(result) | flag((v ^ (v << 1)) & 0x80, CC_V) | flag(v & 0x80, CC_C));
        return result;
    } else if constexpr (FUNCTION == 0xA) {  // DEC
        const auto result = static_cast<u8>(v - 1);
        set_flags(CC_N | CC_Z | CC_V, nz8(result) | flag(v == 0x80, CC_V));
        return result;
    } else if constexpr (FUNCTION == 0xC) {  // INC
        const auto result = static_cast<u8>(v + 1);
        set_flags(CC_N | CC_Z | CC_V, nz8(result) | flag(v == 0x7F, CC_V));
        return result;
    } else if constexpr (FUNCTION == 0xD) {  // TST
        set_flags(CC_N | CC_Z | CC_V, nz8(v));
        return v;
    } else {
        static_assert(FUNCTION == 0xF);  // CLR
        set_flags(CC_N | CC_Z | CC_V | CC_C, CC_Z);
        return 0;
    }
}

// The 8-bit operations of $80-$FF by the low nibble of their opcode.
template <bool CHECKED_FETCH>
template <u8 FUNCTION>
[[gnu::always_inline]] inline void Executor<CHECKED_FETCH>::alu8(u8& acc, u8 v) {
    if constexpr (FUNCTION == 0x0) {  // SUB
        acc = sub8(acc, v, false);
    } else if constexpr (FUNCTION == 0x1) {  // CMP
        sub8(acc, v, false);
    } else if constexpr (FUNCTION == 0x2) {  // SBC
        acc = sub8(acc, v, r.cc & CC_C);
    } else if constexpr (FUNCTION == 0x4) {  // AND
        acc = logic8(acc & v);
    } else if constexpr (FUNCTION == 0x5) {  // BIT
        logic8(acc & v);
    } else if constexpr (FUNCTION == 0x6) {  // LD
        acc = logic8(v);
    } else if constexpr (FUNCTION == 0x8) {  // EOR
        acc = logic8(acc ^ v);
    } else if constexpr (FUNCTION == 0x9) {  // ADC
        acc = add8(acc, v, r.cc & CC_C);
    } else if constexpr (FUNCTION == 0xA) {  // OR
        acc = logic8(acc | v);
    } else {
        static_assert(FUNCTION == 0xB);  // ADD
        acc = add8(acc, v, false);
    }
}

// DAA: adds 6 to each BCD digit of A that is past 9 or carried (H for the low
// digit, C for the high). C stays set once set; V is cleared.
template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::decimal_adjust() {
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
template <bool CHECKED_FETCH>
template <u8 CODE>
[[gnu::always_inline]] inline bool Executor<CHECKED_FETCH>::condition() const {
    const bool c = r.cc & CC_C, z = r.cc & CC_Z, v = r.cc & CC_V, n = r.cc & CC_N;
    bool holds = true;  // BRA, BRN
    if constexpr (CODE >> 1 == 1) {  // BHI, BLS
        holds = !(c || z);
    } else if constexpr (CODE >> 1 == 2) {  // BCC, BCS
        holds = !c;
    } else if constexpr (CODE >> 1 == 3) {  // BNE, BEQ
        holds = !z;
    } else if constexpr (CODE >> 1 == 4) {  // BVC, BVS
        holds = !v;
    } else if constexpr (CODE >> 1 == 5) {  // BPL, BMI
        holds = !n;
    } else if constexpr (CODE >> 1 == 6) {  // BGE, BLT
        holds = n == v;
    } else if constexpr (CODE >> 1 == 7) {  // BGT, BLE
        holds = !z && n == v;
    }
    return (CODE & 1) ? !holds : holds;
}

// TFR and EXG register codes. An 8-bit register read as 16 bits has $FF in
// its high byte; a 16-bit value written to an 8-bit register leaves its low
// byte, as the part does with pairs of unlike sizes.
template <bool CHECKED_FETCH>
u16 Executor<CHECKED_FETCH>::register_value(u8 code) const {
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

template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::set_register(u8 code, u16 value) {
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

template <bool CHECKED_FETCH>
Outcome Executor<CHECKED_FETCH>::transfer(bool exchange) {
    const u8 postbyte = fetch8();
    const u8 first = postbyte >> 4, second = postbyte & 0x0F;
    if (!is_register_code(first) || !is_register_code(second)) {
        return Outcome::undefined;
    }
    look_again();  // cc may have been loaded
    const u16 from_first = register_value(first);
    if (exchange) {
        const u16 from_second = register_value(second);
        set_register(first, from_second);
    }
    set_register(second, from_first);
    return Outcome::done;
}

template <bool CHECKED_FETCH>
template <u8 OP>
Outcome Executor<CHECKED_FETCH>::load_effective_address() {
    u16 ea = 0;
    if (!indexed_address(ea)) {
        return Outcome::undefined;
    }
    switch (OP) {
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

// A pull may load cc and unmask an interrupt: the run loop looks again.
template <bool CHECKED_FETCH>
template <u8 OP>
void Executor<CHECKED_FETCH>::push_pull() {
    const u8 list = fetch8();
    cycles += static_cast<unsigned>(mc6809::CYCLES_PER_BYTE_MOVED * mc6809::register_list_bytes(list));
    switch (OP) {
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
    look_again();
}

template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::return_from_interrupt() {
    look_again();
    r.cc = pull8(r.s);
    if (r.cc & CC_E) {
        cycles += static_cast<unsigned>(mc6809::RTI_ENTIRE_CYCLES - mc6809::opcode(0, RTI_OPCODE).cycles);
        pull_list(r.s, ENTIRE_STATE & ~LIST_CC, r.u);
    } else {
        r.pc = pull16(r.s);
    }
}

template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::software_interrupt(u16 vector, u8 masks) {
    r.cc |= CC_E;
    push_list(r.s, ENTIRE_STATE, r.u);
    r.cc |= masks;
    r.pc = read16(vector);
}

template <bool CHECKED_FETCH>
void Executor<CHECKED_FETCH>::branch_long(bool taken) {
    const u16 offset = fetch16();
    if (taken) {
        r.pc = static_cast<u16>(r.pc + offset);
    }
}

template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::page1() {
    constexpr mc6809::Opcode ROW = mc6809::opcode(0, OP);
    if constexpr (OP == PAGE2_PREFIX) {
        return PAGE2_HANDLERS<CHECKED_FETCH>[fetch8()](*this);
    } else if constexpr (OP == PAGE3_PREFIX) {
        return PAGE3_HANDLERS<CHECKED_FETCH>[fetch8()](*this);
    } else if constexpr (ROW.mode == mc6809::Mode::undefined) {
        return Outcome::undefined;
    } else {
        cycles += ROW.cycles;
        if constexpr (OP >= 0x80) {
            return accumulator_op<OP>();
        } else if constexpr (OP >= 0x40 || OP < 0x10) {
            return one_operand<OP>();
        } else if constexpr (OP >= 0x20 && OP < 0x30) {  // short branches
            const auto offset = static_cast<std::int8_t>(fetch8());
            if (condition<OP & 0x0F>()) {
                r.pc = static_cast<u16>(r.pc + offset);
            }
            return Outcome::done;
        } else {
            return misc<OP>();
        }
    }
}

// $00-$0F direct, $40 A, $50 B, $60 indexed, $70 extended: the one-operand
// instructions, JMP among them.
template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::one_operand() {
    constexpr u8 FUNCTION = OP & 0x0F;
    constexpr mc6809::Mode MODE = mc6809::opcode(0, OP).mode;
    if constexpr (MODE == mc6809::Mode::inherent) {
        u8& acc = (OP & 0x10) ? r.b : r.a;
        acc = modify<FUNCTION>(acc);
    } else {
        u16 ea = 0;
        if (!address<MODE>(ea)) {
            return Outcome::undefined;
        }
        if constexpr (FUNCTION == 0xE) {  // JMP
            r.pc = ea;
        } else if constexpr (FUNCTION == 0xF) {  // CLR writes without reading
            write8(ea, modify<FUNCTION>(0));
        } else if constexpr (FUNCTION == 0xD) {  // TST reads without writing
            modify<FUNCTION>(read8(ea));
        } else {
            write8(ea, modify<FUNCTION>(read8(ea)));
        }
    }
    return Outcome::done;
}

// $80-$FF: A ($80-$BF) or B ($C0-$FF), in the mode the table gives, by the
// low nibble.
template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::accumulator_op() {
    constexpr u8 FUNCTION = OP & 0x0F;
    constexpr mc6809::Mode MODE = mc6809::opcode(0, OP).mode;
    if constexpr (FUNCTION == 0x3 || FUNCTION >= 0xC) {
        return word_op<OP>();
    } else {
        u8& acc = (OP & 0x40) ? r.b : r.a;
        if constexpr (FUNCTION == 0x7) {  // STA, STB
            u16 ea = 0;
            if (!address<MODE>(ea)) {
                return Outcome::undefined;
            }
            write8(ea, logic8(acc));
        } else {
            u8 v = 0;
            if (!operand8<MODE>(v)) {
                return Outcome::undefined;
            }
            alu8<FUNCTION>(acc, v);
        }
        return Outcome::done;
    }
}

// The 16-bit column of page 1: SUBD CMPX BSR/JSR LDX STX on the A side, ADDD
// LDD STD LDU STU on the B side.
template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::word_op() {
    constexpr u8 FUNCTION = OP & 0x0F;
    constexpr mc6809::Mode MODE = mc6809::opcode(0, OP).mode;
    constexpr bool B_SIDE = OP & 0x40;
    if constexpr (MODE == mc6809::Mode::relative) {  // BSR
        const auto offset = static_cast<std::int8_t>(fetch8());
        push16(r.s, r.pc);
        r.pc = static_cast<u16>(r.pc + offset);
    } else if constexpr (FUNCTION == 0xD || FUNCTION == 0xF) {  // JSR, STD; STX, STU
        u16 ea = 0;
        if (!address<MODE>(ea)) {
            return Outcome::undefined;
        }
        if constexpr (FUNCTION == 0xD && !B_SIDE) {
            push16(r.s, r.pc);
            r.pc = ea;
        } else {
            write16(ea, load16(FUNCTION == 0xD ? d() : B_SIDE ? r.u : r.x));
        }
    } else {
        u16 v = 0;
        if (!operand16<MODE>(v)) {
            return Outcome::undefined;
        }
        if constexpr (FUNCTION == 0x3) {
            set_d(B_SIDE ? add16(d(), v) : sub16(d(), v));  // ADDD, SUBD
        } else if constexpr (FUNCTION == 0xC && B_SIDE) {
            set_d(load16(v));  // LDD
        } else if constexpr (FUNCTION == 0xC) {
            sub16(r.x, v);  // CMPX
        } else {
            (B_SIDE ? r.u : r.x) = load16(v);  // LDU, LDX
        }
    }
    return Outcome::done;
}

// Pages 2 and 3: long conditional branches, SWI2 and SWI3, and the 16-bit
// instructions on D, Y, S (page 2) and U, S (page 3).
template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::page2() {
    constexpr mc6809::Opcode ROW = mc6809::opcode(PAGE2_PREFIX, OP);
    if constexpr (ROW.mode == mc6809::Mode::undefined) {
        return Outcome::undefined;
    } else {
        cycles += ROW.cycles;
        if constexpr (OP == 0x3F) {
            software_interrupt(VECTOR_SWI2, 0);
            return Outcome::done;
        } else if constexpr (ROW.mode == mc6809::Mode::long_relative) {
            const bool taken = condition<OP & 0x0F>();
            branch_long(taken);
            if (taken) {
                cycles += mc6809::LONG_BRANCH_TAKEN_EXTRA;
            }
            return Outcome::done;
        } else {
            return word_op_prefixed<PAGE2_PREFIX, OP>();
        }
    }
}

template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::page3() {
    constexpr mc6809::Opcode ROW = mc6809::opcode(PAGE3_PREFIX, OP);
    if constexpr (ROW.mode == mc6809::Mode::undefined) {
        return Outcome::undefined;
    } else {
        cycles += ROW.cycles;
        if constexpr (OP == 0x3F) {
            software_interrupt(VECTOR_SWI3, 0);
            return Outcome::done;
        } else {
            return word_op_prefixed<PAGE3_PREFIX, OP>();
        }
    }
}

// CMPD CMPY LDY STY LDS STS (page 2), CMPU CMPS (page 3).
template <bool CHECKED_FETCH>
template <u8 PREFIX, u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::word_op_prefixed() {
    constexpr u8 FUNCTION = OP & 0x0F;
    constexpr mc6809::Mode MODE = mc6809::opcode(PREFIX, OP).mode;
    constexpr bool S_COLUMN = OP & 0x40;  // LDS, STS
    if constexpr (FUNCTION == 0xF) {  // STY, STS
        u16 ea = 0;
        if (!address<MODE>(ea)) {
            return Outcome::undefined;
        }
        write16(ea, load16(S_COLUMN ? r.s : r.y));
    } else {
        u16 v = 0;
        if (!operand16<MODE>(v)) {
            return Outcome::undefined;
        }
        if constexpr (FUNCTION == 0xE && S_COLUMN) {
            set_s(load16(v));  // LDS
        } else if constexpr (FUNCTION == 0xE) {
            r.y = load16(v);  // LDY
        } else if constexpr (PREFIX == PAGE2_PREFIX) {
            sub16(FUNCTION == 0x3 ? d() : r.y, v);  // CMPD, CMPY
        } else {
            sub16(FUNCTION == 0x3 ? r.u : r.s, v);  // CMPU, CMPS
        }
    }
    return Outcome::done;
}

// The rest of $10-$3F of page 1.
template <bool CHECKED_FETCH>
template <u8 OP>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::misc() {
    switch (OP) {
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
        look_again();
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
        return load_effective_address<OP>();
    case 0x34:
    case 0x35:
    case 0x36:
    case 0x37:
        push_pull<OP>();
        break;
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
    case 0x3D:  // MUL
        set_d(static_cast<u16>(r.a * r.b));
        set_flags(CC_Z | CC_C, flag(d() == 0, CC_Z) | flag(r.b & 0x80, CC_C));
        break;
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
template <bool CHECKED_FETCH>
bool Executor<CHECKED_FETCH>::take_interrupt(bool stacked) {
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
template <bool CHECKED_FETCH>
bool Executor<CHECKED_FETCH>::wait_for_interrupt(const RunLimits& limits, Stop& stop_at) {
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

// Page 1 as one switch, its handlers inlined: against a table of handlers
// it saves a call, a return and the saving of registers per instruction,
// 269 M to 229 M host instructions on 20 M cycles of the benchmark
// (callgrind, bench/sim_bench.cpp).
#define X09_PAGE1_CASE(op)       \
    case op:                     \
        return page1<op>();
#define X09_PAGE1_ROW(high)                                                                              \
    X09_PAGE1_CASE(high + 0x0) X09_PAGE1_CASE(high + 0x1) X09_PAGE1_CASE(high + 0x2) X09_PAGE1_CASE(high + 0x3) \
    X09_PAGE1_CASE(high + 0x4) X09_PAGE1_CASE(high + 0x5) X09_PAGE1_CASE(high + 0x6) X09_PAGE1_CASE(high + 0x7) \
    X09_PAGE1_CASE(high + 0x8) X09_PAGE1_CASE(high + 0x9) X09_PAGE1_CASE(high + 0xA) X09_PAGE1_CASE(high + 0xB) \
    X09_PAGE1_CASE(high + 0xC) X09_PAGE1_CASE(high + 0xD) X09_PAGE1_CASE(high + 0xE) X09_PAGE1_CASE(high + 0xF)

template <bool CHECKED_FETCH>
[[gnu::always_inline]] inline Outcome Executor<CHECKED_FETCH>::execute(u8 op) {
    switch (op) {
        X09_PAGE1_ROW(0x00)
        X09_PAGE1_ROW(0x10)
        X09_PAGE1_ROW(0x20)
        X09_PAGE1_ROW(0x30)
        X09_PAGE1_ROW(0x40)
        X09_PAGE1_ROW(0x50)
        X09_PAGE1_ROW(0x60)
        X09_PAGE1_ROW(0x70)
        X09_PAGE1_ROW(0x80)
        X09_PAGE1_ROW(0x90)
        X09_PAGE1_ROW(0xA0)
        X09_PAGE1_ROW(0xB0)
        X09_PAGE1_ROW(0xC0)
        X09_PAGE1_ROW(0xD0)
        X09_PAGE1_ROW(0xE0)
        X09_PAGE1_ROW(0xF0)
    }
    return Outcome::undefined;  // not reached: the cases cover every byte
}
#undef X09_PAGE1_ROW
#undef X09_PAGE1_CASE

// An instruction that may fetch from a device, by the handlers that check
// each fetch: rare, and kept out of the run loop.
template <bool CHECKED_FETCH>
[[gnu::noinline]] Outcome Executor<CHECKED_FETCH>::execute_checked() {
    Executor<true> checked(*this);
    const Outcome outcome = checked.execute(checked.fetch8());
    r = checked.r;
    cycles = checked.cycles;
    next_event_ = checked.next_event_;
    return outcome;
}

template <bool CHECKED_FETCH>
template <bool UNTIL, bool TRACE>
Stop Executor<CHECKED_FETCH>::loop(const RunLimits& limits, Tracer* tracer) {
    Stop stopped{StopReason::waiting, 0};
    for (;;) {
        if (cycles >= next_event_) [[unlikely]] {
            if (cycles >= next_poll_) {
                poll_devices();
            }
            if (m_.stop_requested) {
                return stop(StopReason::device);
            }
            const bool at_until = UNTIL && (*limits.until)[r.pc];
            if (!at_until && cycles >= max_cycles_) {
                return stop(StopReason::cycle_limit);
            }
            if (!at_until && line_wants_service() && take_interrupt(false)) {
                continue;  // the handler's first instruction is a boundary of its own
            }
            next_event_ = std::min(next_poll_, max_cycles_);
        }
        if constexpr (UNTIL) {
            if ((*limits.until)[r.pc]) {
                return stop(StopReason::until);
            }
        }
        const std::uint64_t before = cycles;
        const u16 pc = r.pc;
        const Outcome outcome = m_.fetches_plain(pc) ? execute(fetch8()) : execute_checked();
        if (outcome == Outcome::done) [[likely]] {
            if constexpr (TRACE) {
                const Registers after = r;  // a copy, so that r never escapes
                tracer->executed(before, pc, after);
            }
            continue;
        }
        if (outcome != Outcome::wait) {
            r.pc = pc;
            cycles = before;
            return stop(outcome == Outcome::swi ? StopReason::swi : StopReason::undefined_opcode);
        }
        if constexpr (TRACE) {
            const Registers after = r;
            tracer->executed(before, pc, after);
        }
        if (!wait_for_interrupt(limits, stopped)) {
            return stopped;
        }
        look_again();
    }
}

// The loop is made four times, with and without the until addresses and the
// tracer, so that a plain run asks neither at each instruction.
template <bool CHECKED_FETCH>
Stop Executor<CHECKED_FETCH>::run(const RunLimits& limits, Tracer* tracer) {
    stopping_on_swi_ = limits.stop_on_swi;
    max_cycles_ = limits.max_cycles;
    next_poll_ = cycles + POLL_INTERVAL;
    Stop stopped{StopReason::waiting, 0};
    if (cpu_.wait != Cpu::Wait::none && !wait_for_interrupt(limits, stopped)) {
        return stopped;
    }
    const bool until = limits.until != nullptr;
    if (tracer != nullptr) {
        return until ? loop<true, true>(limits, tracer) : loop<false, true>(limits, tracer);
    }
    return until ? loop<true, false>(limits, tracer) : loop<false, false>(limits, tracer);
}

}  // namespace

Stop Cpu::run(const RunLimits& limits, Tracer* tracer) {
    return Executor<false>(*this, memory_).run(limits, tracer);
}

}  // namespace sim
