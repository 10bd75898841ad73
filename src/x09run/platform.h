#pragma once

// What x09run does differently on Linux and on Windows, in this one place:
// the standard streams, the terminal and the signals.

#include <memory>

#include "x09run/byte_input.h"

namespace x09run {

// Makes the process ready before anything else: the serial port's bytes pass
// standard input and output unchanged (no line-end translation), and a
// closed pipe is a write error, not a signal that ends the run.
void prepare_process();

// Whether standard input is a terminal (a console on Windows).
bool standard_input_is_terminal();

// While it lives, the terminal on standard input hands over each key as it is
// typed, without echo and without line editing; Ctrl-C and the like reach
// the program as bytes, and the program's bytes reach the terminal unchanged. The terminal is restored when it ends, and also when
// a signal ends the process.
class RawTerminal {
public:
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
};

// The keys of the terminal on standard input, without waiting for one: NONE
// when no key is pressed, QUIT for the quit key. It rests a millisecond now
// and then while no key comes, so that a program polling for a key does not
// take a whole host core.
std::unique_ptr<ByteInput> terminal_keys();

}  // namespace x09run
