#include "driver/command_line.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_driver.h"

#ifndef X09ASM_VERSION
#define X09ASM_VERSION "unknown"
#endif

namespace {

constexpr int EXIT_COMPLETED = 0;
constexpr int EXIT_STOPPED = 1;
constexpr int EXIT_USAGE = 2;

constexpr char USAGE[] =
    "usage: x09asm [OPTIONS] [SOURCE...]\n"
    "Assembles each MC6809 SOURCE in two passes into SOURCE's base name with .lst,\n"
    ".rom and .obj. Without SOURCE, asks for one source name on standard input.\n"
    "A SOURCE of - reads the source from standard input; it needs -o BASE.\n"
    "  --srec        also write BASE.s19 (Motorola S-records)\n"
    "  --ihex        also write BASE.hex (Intel HEX)\n"
    "  --bin         also write BASE.bin (raw image bytes from the origin)\n"
    "  --symbols     also write BASE.sym (the symbol table)\n"
    "  -o BASE       name the outputs BASE.lst, BASE.rom, ... (one SOURCE only)\n"
    "  -q, --quiet   no banner and no pass messages\n"
    "  -h, --help    show this help and exit\n"
    "      --version show the version and exit\n"
    "  --            end of options: every later argument is a SOURCE\n";

struct CommandLine {
    RunOptions options;
    std::vector<std::string> sources;
    bool help = false;
    bool version = false;
    std::string usage_error;  // the first thing wrong with the arguments
};

bool set_flag(CommandLine& cl, std::string_view arg) {
    if (arg == "--srec") cl.options.srec = true;
    else if (arg == "--ihex") cl.options.ihex = true;
    else if (arg == "--bin") cl.options.bin = true;
    else if (arg == "--symbols") cl.options.symbols = true;
    else if (arg == "-q" || arg == "--quiet") cl.options.quiet = true;
    else if (arg == "-h" || arg == "--help") cl.help = true;
    else if (arg == "--version") cl.version = true;
    else return false;
    return true;
}

// An option that takes a value, written "NAME VALUE" or "NAME=VALUE". set
// stores the value, or returns what is wrong with it (empty when nothing).
struct ValuedOption {
    std::string_view name;
    std::string (*set)(CommandLine& cl, std::string_view value);
};

constexpr ValuedOption valued_options[] = {
    {"-o",
     [](CommandLine& cl, std::string_view value) {
         cl.options.output_base = value;
         return value.empty() ? std::string("option '-o' needs a base name") : std::string();
     }},
};

const ValuedOption* find_valued_option(std::string_view name) {
    for (const ValuedOption& option : valued_options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

void note_usage_error(CommandLine& cl, std::string message) {
    if (cl.usage_error.empty()) {
        cl.usage_error = std::move(message);
    }
}

// Reads the option at argv[i]; may consume the next argument as its value.
void parse_option(CommandLine& cl, int argc, const char* const* argv, int& i) {
    const std::string_view arg = argv[i];
    if (set_flag(cl, arg)) {
        return;
    }
    const std::size_t equals = arg.find('=');
    const ValuedOption* option = find_valued_option(arg.substr(0, equals));
    if (option == nullptr) {
        note_usage_error(cl, "unknown option '" + std::string(arg) + "'");
        return;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        note_usage_error(cl, "option '" + std::string(arg) + "' needs a value");
        return;
    }
    std::string problem = option->set(cl, value);
    if (!problem.empty()) {
        note_usage_error(cl, std::move(problem));
    }
}

CommandLine parse(int argc, const char* const* argv) {
    CommandLine cl;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            cl.sources.emplace_back(arg);
        } else if (arg == "--") {
            options_ended = true;
        } else {
            parse_option(cl, argc, argv, i);
        }
    }
    return cl;
}

int exit_status(RunOutcome outcome) { return outcome == RunOutcome::completed ? EXIT_COMPLETED : EXIT_STOPPED; }

// One source of this call and the names of its outputs.
struct SourceRun {
    const std::string& source;
    OutputNames names;
};

// Refuses, with a message, a source that would write an output of an earlier
// source of this call, so that the earlier one's files stay.
bool refused(const std::string& source, const OutputNames& names, const std::vector<SourceRun>& earlier,
             const RunOptions& options, std::ostream& err) {
    for (const SourceRun& run : earlier) {
        if (const std::string* output = shared_output(names, run.names, options)) {
            err << "x09asm: not assembling '" << source << "': '" << *output << "' is already an output of '"
                << run.source << "'\n";
            return true;
        }
    }
    return false;
}

int assemble_all(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    int status = EXIT_COMPLETED;
    std::vector<SourceRun> earlier;
    for (const std::string& source : cl.sources) {
        const OutputNames names = cl.options.output_base.empty() ? argument_output_names(source)
                                                                 : output_names_from_base(cl.options.output_base);
        if (refused(source, names, earlier, cl.options, err)) {
            status = EXIT_STOPPED;
            continue;
        }
        earlier.push_back({source, names});
        if (!cl.options.quiet) {
            print_banner(out);
        }
        if (assemble_argument(source, names, out, cl.options) != RunOutcome::completed) {
            status = EXIT_STOPPED;
        }
    }
    return status;
}

bool reads_standard_input(const CommandLine& cl) {
    return std::find(cl.sources.begin(), cl.sources.end(), STANDARD_INPUT_ARGUMENT) != cl.sources.end();
}

int run_with_arguments(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CommandLine cl = parse(argc, argv);
    cl.options.diagnostics = &err;
    if (!cl.usage_error.empty()) {
        err << "x09asm: " << cl.usage_error << "\n" << USAGE;
        return EXIT_USAGE;
    }
    if (cl.help) {
        out << USAGE;
        return EXIT_COMPLETED;
    }
    if (cl.version) {
        out << "x09asm " X09ASM_VERSION "\n";
        return EXIT_COMPLETED;
    }
    if (!cl.options.output_base.empty() && cl.sources.size() != 1) {
        err << "x09asm: option '-o' names the outputs of exactly one SOURCE\n" << USAGE;
        return EXIT_USAGE;
    }
    if (cl.options.output_base.empty() && reads_standard_input(cl)) {
        err << "x09asm: the source on standard input (-) needs -o BASE to name the outputs\n" << USAGE;
        return EXIT_USAGE;
    }
    if (cl.sources.empty()) {
        return exit_status(run_interactive(in, out, cl.options));
    }
    return assemble_all(cl, out, err);
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    if (argc <= 1) {
        return run_assembler(in, out);
    }
    int status = run_with_arguments(argc, argv, in, out, err);
    // The console never decides the files, which are written by now; a
    // console text that was lost fails the call.
    out.flush();
    if (!out) {
        err << "x09asm: the console text could not be written to standard output\n";
        status = std::max(status, EXIT_STOPPED);
    }
    return status;
}
