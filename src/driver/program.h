#pragma once

#include <istream>
#include <ostream>

// The whole program, as main runs it: the command line (see
// run_command_line), and what may befall any call of it. A call that runs out
// of memory stops as a run that cannot write a file does: "** Assembler
// stoped." on the console, "x09asm: out of memory" on standard error when it
// has arguments, status 1; the outputs it was writing were given up, whole, as
// it unwound. A call with arguments whose diagnostics could not all be
// written to `err` ends with 1 at least, as one whose console failed does.
int run_program(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);
