#include "driver/command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_driver.h"
#include "source/symbols.h"

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
    "  --cycles      the listing shows each instruction's cycle count, as [N],\n"
    "                [N/M] (not taken/taken, or RTI fast/entire) or [N+] (at\n"
    "                least N), and the sum of the counts since the last label\n"
    "  -o BASE       name the outputs BASE.lst, BASE.rom, ... (one SOURCE only)\n"
    "  --range START-END\n"
    "                the .s19, .hex and .bin cover only these addresses; the .bin\n"
    "                is END-START+1 bytes from START (as $E000-$FFFF)\n"
    "  --fill BYTE   bytes of the .bin that no statement placed hold BYTE (as 0xFF)\n"
    "  --entry ADDR|SYMBOL\n"
    "                start address in the S9 and Intel HEX end records\n"
    "                (numbers are hex: $E000, 0xE000 or E000; an ADDR given to\n"
    "                --entry begins with $ or a digit, other text names a SYMBOL)\n"
    "  -q, --quiet   nothing on standard output unless a source stops\n"
    "  -w            no warnings (errors are still explained on standard error)\n"
    "  -Wno-KIND     no warnings of KIND, one of: digits, star, ignored-operand,\n"
    "                truncated, long-name, long-mnemonic, slash, colon, long-line,\n"
    "                long-field, text-end, offset-dropped, pc-target, stack-self,\n"
    "                register-list, fcb-char, comment-comma, fcc-delimiter,\n"
    "                undefined-equ, overwrite, wrap, char-pair, 6800-flags,\n"
    "                line-ends, spaced-operand, image-span, empty-source, nul,\n"
    "                tab-in-text\n"
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
    else if (arg == "--cycles") cl.options.cycles = true;
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

constexpr std::int32_t BYTE_MAX = 0xFF;
constexpr std::int32_t ADDRESS_MAX = 0xFFFF;

// Reads a number of the command line into value: hex digits, bare or after
// "$" or "0x", at most max. Returns what is wrong with it (empty when nothing).
std::string read_hex(std::string_view option, std::string_view text, std::int32_t max, std::int32_t& value) {
    std::string_view digits = text;
    if (digits.starts_with('$')) {
        digits.remove_prefix(1);
    } else if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
    }
    const char* const end = digits.data() + digits.size();
    std::uint32_t number = 0;
    const auto [stop, ec] = std::from_chars(digits.data(), end, number, 16);
    const std::string quoted = "option '" + std::string(option) + "': '" + std::string(text) + "'";
    if (digits.empty() || stop != end || (ec != std::errc() && ec != std::errc::result_out_of_range)) {
        return quoted + " is not a hex number (written $1F, 0x1F or 1F)";
    }
    if (ec == std::errc::result_out_of_range || number > static_cast<std::uint32_t>(max)) {
        char max_text[8];
        std::snprintf(max_text, sizeof max_text, "$%X", static_cast<unsigned>(max));
        return quoted + " is over " + max_text;
    }
    value = static_cast<std::int32_t>(number);
    return {};
}

std::string set_range(CommandLine& cl, std::string_view value) {
    const std::size_t dash = value.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == value.size()) {
        return "option '--range' takes START-END, as $E000-$FFFF, not '" + std::string(value) + "'";
    }
    AddressRange range{};
    std::string problem = read_hex("--range", value.substr(0, dash), ADDRESS_MAX, range.first);
    if (problem.empty()) {
        problem = read_hex("--range", value.substr(dash + 1), ADDRESS_MAX, range.last);
    }
    if (problem.empty() && range.first > range.last) {
        problem = "option '--range': START lies above END in '" + std::string(value) + "'";
    }
    if (problem.empty()) {
        cl.options.range = range;
    }
    return problem;
}

std::string set_fill(CommandLine& cl, std::string_view value) {
    std::int32_t byte = 0;
    std::string problem = read_hex("--fill", value, BYTE_MAX, byte);
    if (problem.empty()) {
        cl.options.fill = static_cast<std::uint8_t>(byte);
    }
    return problem;
}

// Whether a source could name a symbol so: it begins as a symbol term does
// and holds no character that ends a name.
bool possible_symbol_name(std::string_view text) {
    return !text.empty() && begins_symbol(text[0]) &&
           std::none_of(text.begin(), text.end(), [](char c) { return name_ends[static_cast<unsigned char>(c)]; });
}

// An address begins with "$" or a digit; any other text names a symbol.
std::string set_entry(CommandLine& cl, std::string_view value) {
    if (value.empty()) {
        return "option '--entry' needs an address or a symbol";
    }
    if (value[0] == '$' || (value[0] >= '0' && value[0] <= '9')) {
        cl.options.entry_symbol.clear();
        return read_hex("--entry", value, ADDRESS_MAX, cl.options.entry_address);
    }
    if (!possible_symbol_name(value)) {
        return "option '--entry': '" + std::string(value) + "' is neither an address nor a symbol name";
    }
    cl.options.entry_symbol = value;
    return {};
}

constexpr ValuedOption valued_options[] = {
    {"-o",
     [](CommandLine& cl, std::string_view value) {
         cl.options.output_base = value;
         return value.empty() ? std::string("option '-o' needs a base name") : std::string();
     }},
    {"--range", set_range},
    {"--fill", set_fill},
    {"--entry", set_entry},
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

// Keeps the first thing wrong with the arguments; an empty message is none.
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
        note_usage_error(cl, prefixed->set(cl, arg.substr(prefixed->prefix.size())));
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
    note_usage_error(cl, option->set(cl, value));
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
            if (assemble_argument(source, names, out, cl.options) != RunOutcome::completed) {
                status = EXIT_STOPPED;
            }
            continue;
        }
        // Quiet: a source that completes prints nothing; one that stops shows
        // its console text (error lines, summary, the stop) once it stopped.
        std::ostringstream console;
        if (assemble_argument(source, names, console, cl.options) != RunOutcome::completed) {
            status = EXIT_STOPPED;
            out << console.view();
        }
    }
    return status;
}

bool reads_standard_input(const CommandLine& cl) {
    return std::find(cl.sources.begin(), cl.sources.end(), STANDARD_INPUT_ARGUMENT) != cl.sources.end();
}

// The problem and where to read more, and no more: a whole help text would
// scroll the problem away.
int usage_error(std::ostream& err, std::string_view problem) {
    err << "x09asm: " << problem << "\ntry 'x09asm --help'\n";
    return EXIT_USAGE;
}

int run_with_arguments(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CommandLine cl = parse(argc, argv);
    cl.options.diagnostics = &err;
    if (!cl.usage_error.empty()) {
        return usage_error(err, cl.usage_error);
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
        return usage_error(err, "option '-o' names the outputs of exactly one SOURCE");
    }
    if (cl.options.output_base.empty() && reads_standard_input(cl)) {
        return usage_error(err, "the source on standard input (-) needs -o BASE to name the outputs");
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
    return run_with_arguments(argc, argv, in, out, err);
}
