#include "driver/command_line.h"

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
    "  --srec        also write BASE.s19 (Motorola S-records)\n"
    "  --ihex        also write BASE.hex (Intel HEX)\n"
    "  --bin         also write BASE.bin (raw image bytes from the origin)\n"
    "  --symbols     also write BASE.sym (the symbol table)\n"
    "  -o BASE       name the outputs BASE.lst, BASE.rom, ... (one SOURCE only)\n"
    "  -q, --quiet   no banner and no pass messages\n"
    "  -w            no warnings (errors are still explained on standard error)\n"
    "  -Wno-KIND     no warnings of KIND, one of: digits, star, ignored-operand,\n"
    "                truncated, long-name, long-mnemonic, slash, colon, long-line,\n"
    "                long-field, text-end, offset-dropped, pc-target, stack-self,\n"
    "                register-list, fcb-char, comment-comma, fcc-delimiter,\n"
    "                undefined-equ, overwrite, wrap, char-pair, 6800-flags\n"
    "  -Werror       a run with any warning stops as a run with errors does\n"
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
    else if (arg == "-w") cl.options.warnings = 0;
    else if (arg == "-Werror") cl.options.warnings_are_errors = true;
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

// An option whose value is written into it after a fixed prefix.
struct PrefixedOption {
    std::string_view prefix;
    std::string (*set)(CommandLine& cl, std::string_view value);
};

constexpr PrefixedOption prefixed_options[] = {
    {"-Wno-",
     [](CommandLine& cl, std::string_view kind) {
         for (std::size_t k = 0; k < warning_names.size(); ++k) {
             if (warning_names[k] == kind) {
                 cl.options.warnings &= ~warning_bit(static_cast<Warning>(k));
                 return std::string();
             }
         }
         return "unknown warning kind '" + std::string(kind) + "' in '-Wno-" + std::string(kind) + "'";
     }},
};

const PrefixedOption* find_prefixed_option(std::string_view arg) {
    for (const PrefixedOption& option : prefixed_options) {
        if (arg.starts_with(option.prefix)) {
            return &option;
        }
    }
    return nullptr;
}

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
    if (const PrefixedOption* prefixed = find_prefixed_option(arg)) {
        std::string problem = prefixed->set(cl, arg.substr(prefixed->prefix.size()));
        if (!problem.empty()) {
            note_usage_error(cl, std::move(problem));
        }
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

int assemble_all(const CommandLine& cl, std::ostream& out) {
    int status = EXIT_COMPLETED;
    for (const std::string& source : cl.sources) {
        if (!cl.options.quiet) {
            print_banner(out);
        }
        if (assemble_source(source, out, cl.options) != RunOutcome::completed) {
            status = EXIT_STOPPED;
        }
    }
    return status;
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    if (argc <= 1) {
        return run_assembler(in, out);
    }
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
    if (cl.sources.empty()) {
        return exit_status(run_interactive(in, out, cl.options));
    }
    return assemble_all(cl, out);
}
