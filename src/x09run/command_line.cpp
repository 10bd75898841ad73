#include "x09run/command_line.h"

#include <string_view>

#include "formats/load_file.h"

namespace x09run {

const char USAGE[] =
    "usage: x09run [OPTIONS] FILE...\n"
    "Runs an MC6809 program: loads each FILE into 64 KiB of RAM, in order, and runs\n"
    "it from its start address until a stop. FILE is .s19/.srec (S-records), .hex\n"
    "(Intel HEX), .obj (object file), .rom (ROM-writer image) or .bin (raw bytes).\n"
    "  --entry ADDR  start here (default: the reset vector at $FFFE when a FILE\n"
    "                placed it, else the start address of an S9 or HEX end record)\n"
    "  --load ADDR   place the next .bin FILE at ADDR (default: it ends at $FFFF)\n"
    "  --symbols FILE.sym\n"
    "                symbols written by x09asm --symbols: any ADDR may be one, and\n"
    "                the trace shows them\n"
    "  --rom START-END\n"
    "                make the range read-only: writes there are ignored and counted\n"
    "  --acia ADDR   an MC6850 ACIA: control/status at ADDR, data at ADDR+1;\n"
    "                it transmits to standard output and receives standard input;\n"
    "                on a terminal keys go as typed and Ctrl-] ends the run\n"
    "  --until ADDR  stop when pc reaches ADDR, before that instruction runs\n"
    "  --max-cycles N\n"
    "                stop at the first instruction boundary at or after N cycles\n"
    "  --swi-stops   an SWI ends the run (it is not executed)\n"
    "  --expect REG=VALUE, --expect ADDR=BYTE\n"
    "                check a register (a b d dp cc x y u s pc) or a byte of memory\n"
    "                at the stop; a mismatch is named and the exit status is 1\n"
    "  --dump START-END FILE\n"
    "                write those bytes of memory at the stop to FILE\n"
    "  --trace FILE  write a line for each instruction run to FILE\n"
    "  -h, --help    show this help and exit\n"
    "      --version show the version and exit\n"
    "  --            end of options: every later argument is a FILE\n"
    "ADDR, START, END, VALUE and BYTE are hex ($E000, 0xE000 or 0E000) or, when they\n"
    "do not begin with $ or a digit, a symbol; N is decimal. --rom, --until,\n"
    "--expect and --dump may be given many times. At the stop one line on standard\n"
    "error names the place, the reason and the registers. Exit status: 0 when the\n"
    "run stopped as asked (until, swi, end of input, quit key) and every expectation\n"
    "held; 1 for an undefined opcode, the cycle limit, a CPU waiting for ever, a\n"
    "failed expectation or a file refused; 2 for a usage error.\n";

namespace {

bool set_flag(CommandLine& cl, std::string_view arg) {
    if (arg == "--swi-stops") cl.swi_stops = true;
    else if (arg == "-h" || arg == "--help") cl.help = true;
    else if (arg == "--version") cl.version = true;
    else return false;
    return true;
}

struct Parser {
    CommandLine cl;
    std::optional<std::string> pending_load;  // --load waiting for its .bin FILE

    void note_usage_error(std::string message) {
        if (cl.usage_error.empty()) cl.usage_error = std::move(message);
    }

    // Stores an option's value; false when `name` takes none.
    bool set_value(std::string_view name, std::string value) {
        if (name == "--entry") cl.entry = value;
        else if (name == "--acia") cl.acia = value;
        else if (name == "--max-cycles") cl.max_cycles = value;
        else if (name == "--symbols") cl.symbols = value;
        else if (name == "--trace") cl.trace = value;
        else if (name == "--rom") cl.roms.push_back(value);
        else if (name == "--until") cl.untils.push_back(value);
        else if (name == "--expect") cl.expects.push_back(value);
        else if (name == "--load") set_load(value);
        else if (name == "--dump") cl.dumps.push_back({value, {}});
        else return false;
        return true;
    }

    void set_load(std::string value) {
        if (pending_load) note_usage_error("option '--load " + *pending_load + "' has no .bin FILE after it");
        pending_load = std::move(value);
    }

    void add_file(std::string_view name) {
        const bool binary = formats::format_of(name) == formats::Format::binary;
        cl.files.push_back({std::string(name), binary ? pending_load : std::nullopt});
        if (binary) pending_load.reset();
    }

    // Reads the option at argv[i], written "NAME VALUE" or "NAME=VALUE"; may
    // consume the arguments after it.
    void option(int argc, const char* const* argv, int& i) {
        const std::string_view arg = argv[i];
        if (set_flag(cl, arg)) return;
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        std::string value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[i + 1];
        }
        if (!set_value(name, value)) {
            note_usage_error("unknown option '" + std::string(arg) + "'");
            return;
        }
        if (equals == std::string_view::npos && ++i >= argc) {
            note_usage_error("option '" + std::string(name) + "' needs a value");
            return;
        }
        if (name == "--dump" && ++i < argc) {
            cl.dumps.back().file = argv[i];
        } else if (name == "--dump") {
            note_usage_error("option '--dump' needs START-END and a FILE");
        }
    }
};

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
    Parser p;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            p.add_file(arg);
        } else if (arg == "--") {
            options_ended = true;
        } else {
            p.option(argc, argv, i);
        }
    }
    if (p.pending_load) {
        p.note_usage_error("option '--load " + *p.pending_load + "' has no .bin FILE after it");
    }
    if (p.cl.files.empty() && !p.cl.help && !p.cl.version) {
        p.note_usage_error("no FILE to run");
    }
    return p.cl;
}

}  // namespace x09run
