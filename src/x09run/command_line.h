#pragma once

#include <optional>
#include <string>
#include <vector>

namespace x09run {

// A FILE of the command line, with the --load address text that came before
// it (binaries only).
struct FileArgument {
    std::string name;
    std::optional<std::string> load;
};

struct DumpArgument {
    std::string range;  // START-END
    std::string file;
};

// The arguments as given: addresses are still texts, since a symbol can name
// them only once the symbol file is read.
struct CommandLine {
    std::vector<FileArgument> files;
    std::optional<std::string> entry;
    std::optional<std::string> acia;
    std::optional<std::string> max_cycles;
    std::string symbols;  // the symbol file, when there is one
    std::string trace;    // the trace file, when there is one
    std::vector<std::string> roms;
    std::vector<std::string> untils;
    std::vector<std::string> expects;
    std::vector<DumpArgument> dumps;
    bool swi_stops = false;
    bool help = false;
    bool version = false;
    std::string usage_error;  // the first thing wrong with the arguments
};

CommandLine parse_command_line(int argc, const char* const* argv);

extern const char USAGE[];

}  // namespace x09run
