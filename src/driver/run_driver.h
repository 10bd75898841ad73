#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "base/diagnostics.h"
#include "output/load_formats.h"

// What the command line may add to a run.
struct RunOptions {
    bool quiet = false;    // no banner and no pass messages
    bool srec = false;     // also BASE.s19
    bool ihex = false;     // also BASE.hex
    bool bin = false;      // also BASE.bin
    bool symbols = false;  // also BASE.sym
    bool cycles = false;   // cycle counts in the listing
    std::string output_base;  // -o: names the outputs in place of the source name
    // Fitting the extra formats to a memory chip (the .rom and .obj keep the
    // image as it stands).
    std::optional<AddressRange> range;  // --range: the addresses they cover
    std::optional<std::uint8_t> fill;   // --fill: the binary's unplaced bytes
    std::string entry_symbol;           // --entry SYMBOL: its value is the start address
    std::int32_t entry_address = 0;     // --entry ADDR, used when entry_symbol is empty
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
// The names derived from a SOURCE argument: its base ends at the first "." of
// its last component, so that the outputs lie beside the source.
OutputNames argument_output_names(const std::string& source_argument);
// The names of the outputs of the given base name.
OutputNames output_names_from_base(const std::string& base);

// How a run ended: completed (image files written) or stopped (errors, a
// source that cannot be opened, output that cannot be written, ...).
enum class RunOutcome { completed, stopped };

// Reads the source name as "%s" does: leading white space skipped, the word
// ends at white space. False when the input ends before a word.
bool read_source_name(std::istream& in, std::string& name);

// The first output that two runs with these names would both write, or
// nullptr when they write none in common.
const std::string* shared_output(const OutputNames& a, const OutputNames& b, const RunOptions& options);

// Assembles one source whose name is known: two passes, listing, images.
RunOutcome assemble_source(const std::string& source_name, std::ostream& console, const RunOptions& options = {});

// The SOURCE argument that stands for standard input.
inline constexpr char STANDARD_INPUT_ARGUMENT[] = "-";

// Assembles one SOURCE argument of the command line into the given names;
// STANDARD_INPUT_ARGUMENT reads the source from standard input.
RunOutcome assemble_argument(const std::string& argument, const OutputNames& names, std::ostream& console,
                             const RunOptions& options);

void print_banner(std::ostream& console);

// The last console line of a run that stopped.
void print_stopped(std::ostream& console);

// Banner, prompt, one source read from `in`.
RunOutcome run_interactive(std::istream& in, std::ostream& console, const RunOptions& options);

// The interactive program: banner, prompt, one source. Returns the exit
// status, which is 0 on every path.
int run_assembler(std::istream& in, std::ostream& console);
