#include "driver/program.h"

#include <algorithm>
#include <new>

#include "driver/command_line.h"
#include "driver/run_driver.h"

namespace {

constexpr int EXIT_STOPPED = 1;

int run_within_memory(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    try {
        return run_command_line(argc, argv, in, out, err);
    } catch (const std::bad_alloc&) {
        if (argc > 1) {
            err << "x09asm: out of memory\n";
        }
        print_stopped(out);
        return EXIT_STOPPED;
    }
}

}  // namespace

// The console and the diagnostics never decide the files, which are written
// by now; with arguments, a text that was lost on either fails the call.
int run_program(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    const int status = run_within_memory(argc, argv, in, out, err);
    if (argc <= 1) {
        return status;
    }
    out.flush();
    if (!out) {
        err << "x09asm: the console text could not be written to standard output\n";
    }
    err.flush();
    return !out || !err ? std::max(status, EXIT_STOPPED) : status;
}
