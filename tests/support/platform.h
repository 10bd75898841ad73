#pragma once

// What the tests do differently on Linux and on Windows, in this one place.

#include <filesystem>
#include <string>
#include <vector>

// A new, empty directory of its own under the system's temporary directory.
std::filesystem::path make_temp_dir(const std::string& prefix);

// Whether this test program can start the build machine's own programs (a
// Windows test program under Wine cannot).
bool runs_build_machine_tools();

// `text` as the program leaves it in a text file or on a console stream:
// Windows' text mode writes each LF as CR LF, Linux writes it as it is.
std::string as_text_file(const std::string& text);

// Runs `program` with `args` in `dir`, with standard input read from `in`
// and standard output and error written to `out` and `err`. Returns its exit
// status, or -1 when it could not be started or did not exit normally.
int run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                const std::filesystem::path& dir, const std::filesystem::path& in, const std::filesystem::path& out,
                const std::filesystem::path& err);
