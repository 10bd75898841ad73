#pragma once

#include <istream>
#include <ostream>

// The program: with no arguments the interactive assembler; otherwise options
// and the sources to assemble in turn. Returns the exit status: 0 when every
// source completed, 1 when any stopped, 2 for a usage error (the interactive
// program without arguments always ends with 0).
int run_command_line(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);
