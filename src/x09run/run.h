#pragma once

#include <istream>
#include <ostream>

namespace x09run {

// The standard streams, as main hands them in, and whether standard input is
// a terminal (its keys are then read from it directly, as typed).
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;
};

// The program: loads the files of the command line, runs them until a stop,
// reports it. Returns the exit status: 0 when the run stopped as asked and
// every expectation held, 1 when it did not or a file was refused, 2 for a
// usage error.
int run_command_line(int argc, const char* const* argv, const Console& console);

}  // namespace x09run
