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
    "  -q, --quiet   no banner and no pass messages\n"
    "  -h, --help    show this help and exit\n"
    "      --version show the version and exit\n";

struct CommandLine {
    RunOptions options;
    std::vector<std::string> sources;
    bool help = false;
    bool version = false;
    std::string unknown;  // the first option not understood
};

bool set_option(CommandLine& cl, std::string_view arg) {
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

CommandLine parse(int argc, const char* const* argv) {
    CommandLine cl;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            cl.sources.emplace_back(arg);
        } else if (arg == "--") {
            options_ended = true;
        } else if (!set_option(cl, arg) && cl.unknown.empty()) {
            cl.unknown = arg;
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
    const CommandLine cl = parse(argc, argv);
    if (!cl.unknown.empty()) {
        err << "x09asm: unknown option '" << cl.unknown << "'\n" << USAGE;
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
    if (cl.sources.empty()) {
        return exit_status(run_interactive(in, out, cl.options));
    }
    return assemble_all(cl, out);
}
