#pragma once

#include <cstdint>
#include <deque>
#include <ostream>

#include "sim/memory.h"
#include "x09run/byte_input.h"

namespace x09run {

// An MC6850 ACIA: control (written) and status (read) at offset 0, transmit
// (written) and receive (read) data at offset 1. What the program transmits
// goes to `out`; the receiver takes the next byte of `input` whenever it is
// empty and the program looks for one (reads the status register, or
// enables the receive interrupt), so no byte is ever overrun. A key typed
// meanwhile is kept for it, so that the quit key works whatever the program
// does. The transmitter
// is always ready. When the output cannot be written (a closed pipe) the
// ACIA ends the run.
class Acia final : public sim::Device {
public:
    enum class Stop : std::uint8_t { none, end_of_input, quit, output_lost };

    // After the input has ended, this many status reads in a row without a
    // byte to receive and with no data access between them mean that the
    // program waits for input that will never come.
    static constexpr unsigned IDLE_STATUS_READS = 1000;

    Acia(sim::Memory& memory, ByteInput& input, std::ostream& out) : memory_(memory), input_(input), out_(out) {}

    std::uint8_t read(std::uint16_t offset) override;
    void write(std::uint16_t offset, std::uint8_t value) override;
    void poll(std::uint64_t cycles) override;
    bool can_wake() const override;

    // Why the ACIA ended the run, if it did.
    Stop stop() const { return stop_; }
    // Whether a CPU waiting for an interrupt waits for input that ended: the
    // receive interrupt is enabled, and no byte will come.
    bool waits_for_ended_input() const { return receive_interrupt_enabled() && ended_; }

    void flush();

private:
    bool in_reset() const { return (control_ & 0x03) == 0x03; }
    bool receive_interrupt_enabled() const { return (control_ & 0x80) != 0 && !in_reset(); }
    bool transmit_interrupt_enabled() const { return (control_ & 0x60) == 0x20 && !in_reset(); }
    bool irq() const { return (receive_interrupt_enabled() && full_) || transmit_interrupt_enabled(); }
    std::uint8_t status() const;
    void receive();
    void take(int next);
    void end_run(Stop why);
    void drive_irq() { memory_.lines.irq = irq(); }

    sim::Memory& memory_;
    ByteInput& input_;
    std::ostream& out_;
    std::uint8_t control_ = 0;
    std::uint8_t data_ = 0;
    bool full_ = false;    // a received byte waits in data_
    std::deque<int> typed_;  // keys the input gave before the program looked
    bool ended_ = false;   // the input has no more bytes
    bool unflushed_ = false;
    unsigned idle_status_reads_ = 0;
    Stop stop_ = Stop::none;
};

}  // namespace x09run
