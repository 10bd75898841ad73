#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "driver/diagnostics.h"

// What the command line may add to a run.
struct RunOptions {
    bool quiet = false;    // no banner and no pass messages
    bool srec = false;     // also BASE.s19
    bool ihex = false;     // also BASE.hex
    bool bin = false;      // also BASE.bin
    bool symbols = false;  // also BASE.sym
    std::string output_base;  // -o: names the outputs in place of the source name
    std::uint32_t warnings = ALL_WARNINGS;  // kinds reported (-w: none; -Wno-KIND drops one)
    bool warnings_are_errors = false;       // -Werror: a run that reports a warning stops
    // Where diagnostics go (standard error) when the program was started with
    // arguments; none in the interactive program, which keeps its dialogue.
    std::ostream* diagnostics = nullptr;
};

// Names of the files a run writes, all derived from the typed source name.
struct OutputNames {
    std::string base;  // the source name before its first "."
    std::string listing;
    std::string rom;
    std::string obj;
    std::string srec;
    std::string ihex;
    std::string bin;
    std::string symbols;
};

// The names derived from the typed source name: its base ends at its first ".".
OutputNames output_names(const std::string& source_name);
// The names of the outputs of the given base name.
OutputNames output_names_from_base(const std::string& base);

// How a run ended: completed (image files written) or stopped (errors, a
// source that cannot be opened, output that cannot be written, ...).
enum class RunOutcome { completed, stopped };

// Reads the source name as "%s" does: leading white space skipped, the word
// ends at white space. False when the input ends before a word.
bool read_source_name(std::istream& in, std::string& name);

// Assembles one source whose name is known: two passes, listing, images.
RunOutcome assemble_source(const std::string& source_name, std::ostream& console, const RunOptions& options = {});

void print_banner(std::ostream& console);

// Banner, prompt, one source read from `in`.
RunOutcome run_interactive(std::istream& in, std::ostream& console, const RunOptions& options);

// The interactive program: banner, prompt, one source. Returns the exit
// status, which is 0 on every path.
int run_assembler(std::istream& in, std::ostream& console);
