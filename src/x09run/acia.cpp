#include "x09run/acia.h"

namespace x09run {

namespace {

constexpr std::uint8_t STATUS_RDRF = 0x01, STATUS_TDRE = 0x02, STATUS_IRQ = 0x80;

}  // namespace

std::uint8_t Acia::status() const {
    return static_cast<std::uint8_t>((full_ ? STATUS_RDRF : 0) | STATUS_TDRE | (irq() ? STATUS_IRQ : 0));
}

// Takes the next byte into the empty receiver. What was transmitted is shown
// first: the program may be waiting for an answer to it.
void Acia::receive() {
    if (full_ || ended_ || in_reset() || stop_ != Stop::none) {
        return;
    }
    flush();
    if (typed_.empty()) {
        take(input_.next());
        return;
    }
    take(typed_.front());
    typed_.pop_front();
}

void Acia::take(int next) {
    if (next == ByteInput::END) {
        ended_ = true;
    } else if (next == ByteInput::QUIT) {
        end_run(Stop::quit);
    } else if (next >= 0) {
        data_ = static_cast<std::uint8_t>(next);
        full_ = true;
        drive_irq();
    }
}

void Acia::end_run(Stop why) {
    stop_ = why;
    memory_.stop_requested = true;
}

std::uint8_t Acia::read(std::uint16_t offset) {
    if (offset == 0) {
        receive();
        if (!full_ && ended_ && ++idle_status_reads_ >= IDLE_STATUS_READS) {
            end_run(Stop::end_of_input);
        }
        return status();
    }
    idle_status_reads_ = 0;
    full_ = false;
    drive_irq();
    return data_;
}

void Acia::write(std::uint16_t offset, std::uint8_t value) {
    if (offset == 0) {
        control_ = value;
        if (in_reset()) {
            full_ = false;
        }
        drive_irq();
        return;
    }
    idle_status_reads_ = 0;
    out_.put(static_cast<char>(value));
    unflushed_ = true;
    if (!out_) end_run(Stop::output_lost);
}

void Acia::poll(std::uint64_t) {
    if (receive_interrupt_enabled()) {
        receive();
        return;
    }
    for (int key = input_.ready(); key != ByteInput::NONE && stop_ == Stop::none; key = input_.ready()) {
        if (key == ByteInput::QUIT) {
            take(key);
            return;
        }
        typed_.push_back(key);
        if (key == ByteInput::END) return;
    }
}

bool Acia::can_wake() const { return receive_interrupt_enabled() && !ended_ && stop_ == Stop::none; }

void Acia::flush() {
    if (unflushed_) {
        out_.flush();
        unflushed_ = false;
        if (!out_ && stop_ == Stop::none) end_run(Stop::output_lost);
    }
}

}  // namespace x09run
