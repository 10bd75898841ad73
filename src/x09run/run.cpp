#include "x09run/run.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "formats/hex_records.h"
#include "formats/load_file.h"
#include "formats/symbol_file.h"
#include "mc6809/timing.h"
#include "sim/cpu.h"
#include "sim/memory.h"
#include "x09run/acia.h"
#include "x09run/command_line.h"
#include "x09run/platform.h"
#include "x09run/symbols.h"
#include "x09run/trace.h"

#ifndef X09RUN_VERSION
#define X09RUN_VERSION "unknown"
#endif

namespace x09run {

namespace {

constexpr int EXIT_AS_ASKED = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr std::uint16_t RESET_VECTOR = 0xFFFE;

// A register --expect can check.
struct RegisterField {
    std::string_view name;
    int digits;
    std::uint16_t (*get)(const sim::Registers&);
};

constexpr RegisterField REGISTERS[] = {
    {"a", 2, [](const sim::Registers& r) -> std::uint16_t { return r.a; }},
    {"b", 2, [](const sim::Registers& r) -> std::uint16_t { return r.b; }},
    {"d", 4, [](const sim::Registers& r) -> std::uint16_t { return static_cast<std::uint16_t>(r.a << 8 | r.b); }},
    {"dp", 2, [](const sim::Registers& r) -> std::uint16_t { return r.dp; }},
    {"cc", 2, [](const sim::Registers& r) -> std::uint16_t { return r.cc; }},
    {"x", 4, [](const sim::Registers& r) -> std::uint16_t { return r.x; }},
    {"y", 4, [](const sim::Registers& r) -> std::uint16_t { return r.y; }},
    {"u", 4, [](const sim::Registers& r) -> std::uint16_t { return r.u; }},
    {"s", 4, [](const sim::Registers& r) -> std::uint16_t { return r.s; }},
    {"pc", 4, [](const sim::Registers& r) -> std::uint16_t { return r.pc; }},
};

const RegisterField* register_named(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const RegisterField& field : REGISTERS) {
        if (field.name == lower) return &field;
    }
    return nullptr;
}

// A register's value or a byte of memory that must hold at the stop.
struct Expectation {
    std::string name;                        // as written
    const RegisterField* field = nullptr;    // a register, or else memory at address
    std::uint16_t address = 0;
    std::uint16_t value = 0;
};

struct Dump {
    std::uint16_t first, last;
    std::string file;
};

struct LoadedFile {
    std::string name;
    formats::Format format;
    std::optional<std::uint16_t> load;
};

// What the arguments ask for, with every address known.
struct Settings {
    std::vector<LoadedFile> files;
    std::optional<std::uint16_t> entry;
    std::optional<std::uint16_t> acia;
    std::uint64_t max_cycles = sim::RunLimits{}.max_cycles;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> roms;
    std::vector<std::uint16_t> untils;
    std::vector<Expectation> expects;
    std::vector<Dump> dumps;
    std::string trace;
    bool swi_stops = false;
};

// The one record of a run.
struct Run {
    const Console& console;
    SymbolTable symbols;
    Settings settings;
    sim::Memory memory;
    sim::Cpu cpu{memory};
    std::array<bool, 0x10000> until{};
    std::array<bool, 2> reset_vector_placed{};
    std::optional<std::uint16_t> file_start;  // of the last file with an end record's start address

    explicit Run(const Console& c) : console(c) {}
};

// Reports a usage error and returns its status.
int usage_error(const Run& run, const std::string& message) {
    run.console.err << "x09run: " << message << "\ntry 'x09run --help'\n";
    return EXIT_USAGE;
}

bool read_file(const Run& run, const std::string& name, std::string& contents) {
    std::ifstream file(name, std::ios::binary);
    if (file) {
        contents.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (!file && !file.eof()) {
        run.console.err << "x09run: cannot read '" << name << "': " << std::strerror(errno) << "\n";
        return false;
    }
    return true;
}

void report_refused(const Run& run, const std::string& name, const formats::LoadError& error) {
    run.console.err << name;
    if (error.line > 0) run.console.err << ':' << error.line;
    run.console.err << ": error: " << error.reason << "\n";
}

bool read_symbols(Run& run, const std::string& name) {
    std::string text;
    if (!read_file(run, name, text)) return false;
    std::vector<formats::Symbol> symbols;
    if (const auto error = formats::read_symbols(text, symbols)) {
        report_refused(run, name, *error);
        return false;
    }
    run.symbols = SymbolTable(symbols);
    return true;
}

std::string read_address(const Run& run, std::string_view option, std::string_view text, std::uint16_t& address) {
    std::uint32_t value = 0;
    std::string problem = read_value(option, text, 0xFFFF, run.symbols, value);
    address = static_cast<std::uint16_t>(value);
    return problem;
}

std::string read_expectation(const Run& run, std::string_view text, Expectation& e) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return "option '--expect' takes REG=VALUE or ADDR=BYTE, not '" + std::string(text) + "'";
    }
    e.name = text.substr(0, equals);
    e.field = register_named(e.name);
    std::string problem;
    if (e.field == nullptr) problem = read_address(run, "--expect", e.name, e.address);
    const std::uint32_t max = e.field != nullptr && e.field->digits == 4 ? 0xFFFF : 0xFF;
    std::uint32_t value = 0;
    if (problem.empty()) problem = read_value("--expect", text.substr(equals + 1), max, run.symbols, value);
    e.value = static_cast<std::uint16_t>(value);
    return problem;
}

std::string read_max_cycles(std::string_view text, std::uint64_t& cycles) {
    const char* const end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, cycles, 10);
    if (text.empty() || stop != end || ec != std::errc()) {
        return "option '--max-cycles': '" + std::string(text) + "' is not a decimal number of cycles";
    }
    return {};
}

std::string read_files(const Run& run, const CommandLine& cl, Settings& s) {
    for (const FileArgument& file : cl.files) {
        const std::optional<formats::Format> format = formats::format_of(file.name);
        if (!format) {
            return "'" + file.name + "': not a file x09run loads (.s19, .srec, .hex, .obj, .rom or .bin)";
        }
        LoadedFile loaded{file.name, *format, std::nullopt};
        if (file.load) {
            std::uint16_t address = 0;
            if (std::string problem = read_address(run, "--load", *file.load, address); !problem.empty()) {
                return problem;
            }
            loaded.load = address;
        }
        s.files.push_back(loaded);
    }
    return {};
}

// The arguments with their addresses read; the first thing wrong with them.
std::string read_settings(const Run& run, const CommandLine& cl, Settings& s) {
    std::string problem = read_files(run, cl, s);
    const auto keep = [&](std::string p) {
        if (problem.empty()) problem = std::move(p);
    };
    std::uint16_t address = 0;
    if (cl.entry) {
        keep(read_address(run, "--entry", *cl.entry, address));
        s.entry = address;
    }
    if (cl.acia) {
        keep(read_address(run, "--acia", *cl.acia, address));
        if (address == 0xFFFF) keep("option '--acia': the ACIA's data register at ADDR+1 lies past $FFFF");
        s.acia = address;
    }
    if (cl.max_cycles) keep(read_max_cycles(*cl.max_cycles, s.max_cycles));
    for (const std::string& rom : cl.roms) {
        std::uint16_t first = 0, last = 0;
        keep(read_range("--rom", rom, run.symbols, first, last));
        s.roms.emplace_back(first, last);
    }
    for (const std::string& until : cl.untils) {
        keep(read_address(run, "--until", until, address));
        s.untils.push_back(address);
    }
    for (const std::string& expect : cl.expects) {
        Expectation e;
        keep(read_expectation(run, expect, e));
        s.expects.push_back(e);
    }
    for (const DumpArgument& dump : cl.dumps) {
        Dump d{0, 0, dump.file};
        keep(read_range("--dump", dump.range, run.symbols, d.first, d.last));
        s.dumps.push_back(d);
    }
    s.trace = cl.trace;
    s.swi_stops = cl.swi_stops;
    return problem;
}

bool load_file(Run& run, const LoadedFile& file) {
    std::string contents;
    if (!read_file(run, file.name, contents)) return false;
    formats::LoadedImage image;
    if (const auto error = formats::read_load_file(file.format, contents, file.load, image)) {
        report_refused(run, file.name, *error);
        return false;
    }
    for (const formats::PlacedByte& b : image.bytes) {
        run.memory.load(b.address, b.value);
        if (b.address >= RESET_VECTOR) run.reset_vector_placed[b.address - RESET_VECTOR] = true;
    }
    if (image.start) run.file_start = image.start;
    return true;
}

std::optional<std::uint16_t> start_address(const Run& run) {
    if (run.settings.entry) return run.settings.entry;
    if (run.reset_vector_placed[0] && run.reset_vector_placed[1]) {
        return static_cast<std::uint16_t>(run.memory.peek(RESET_VECTOR) << 8 | run.memory.peek(RESET_VECTOR + 1));
    }
    return run.file_start;
}

// "$10 $3F": the bytes at pc up to the one that leaves the instruction
// undefined.
std::string undefined_bytes(const Run& run, std::uint16_t pc) {
    std::array<std::uint8_t, 3> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = run.memory.peek(static_cast<std::uint16_t>(pc + i));
    const bool prefixed = bytes[0] == mc6809::PAGE2_PREFIX || bytes[0] == mc6809::PAGE3_PREFIX;
    const mc6809::Opcode& op = mc6809::opcode(prefixed ? bytes[0] : 0, bytes[prefixed ? 1 : 0]);
    std::size_t count = prefixed ? 2 : 1;
    if (op.mode == mc6809::Mode::indexed) count = op.bytes;  // its postbyte is undefined
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char byte[5];
        std::snprintf(byte, sizeof byte, "%s$%02X", i == 0 ? "" : " ", bytes[i]);
        text += byte;
    }
    return text;
}

struct StopReport {
    std::string reason;
    bool as_asked;
};

StopReport describe_stop(const Run& run, const sim::Stop& stop, const Acia* acia) {
    switch (stop.reason) {
        case sim::StopReason::until: return {"until", true};
        case sim::StopReason::cycle_limit: return {"cycle limit", false};
        case sim::StopReason::swi: return {"swi", true};
        case sim::StopReason::undefined_opcode: return {"undefined opcode " + undefined_bytes(run, stop.pc), false};
        case sim::StopReason::waiting:
            if (acia != nullptr && acia->waits_for_ended_input()) return {"end of input", true};
            return {"waiting", false};
        case sim::StopReason::device:
            if (acia != nullptr && acia->stop() == Acia::Stop::quit) return {"quit", true};
            if (acia != nullptr && acia->stop() == Acia::Stop::output_lost) return {"output lost", false};
            return {"end of input", true};
    }
    return {"?", false};
}

void report_stop(const Run& run, const sim::Stop& stop, const StopReport& report) {
    char head[64];
    std::snprintf(head, sizeof head, "x09run: stopped at $%04X (", stop.pc);
    run.console.err << head << report.reason << ") after " << run.cpu.cycles
                    << " cycles: " << registers_text(run.cpu.regs) << "\n";
    if (const std::uint64_t ignored = run.memory.ignored_rom_writes(); ignored > 0) {
        run.console.err << "x09run: " << ignored << (ignored == 1 ? " write" : " writes") << " to ROM ignored\n";
    }
}

// Reports each expectation that does not hold; whether all held.
bool check_expectations(const Run& run) {
    bool held = true;
    for (const Expectation& e : run.settings.expects) {
        const int digits = e.field != nullptr ? e.field->digits : 2;
        const std::uint16_t found = e.field != nullptr ? e.field->get(run.cpu.regs) : run.memory.peek(e.address);
        if (found != e.value) {
            run.console.err << "x09run: expected " << e.name << '=' << formats::hex_text(e.value, digits) << ", found "
                            << e.name << '=' << formats::hex_text(found, digits) << "\n";
            held = false;
        }
    }
    return held;
}

void report_unwritable(const Run& run, const std::string& name) {
    run.console.err << "x09run: cannot write '" << name << "': " << std::strerror(errno) << "\n";
}

bool write_dumps(const Run& run) {
    bool written = true;
    for (const Dump& d : run.settings.dumps) {
        std::string bytes;
        for (std::uint32_t a = d.first; a <= d.last; ++a) {
            bytes += static_cast<char>(run.memory.peek(static_cast<std::uint16_t>(a)));
        }
        std::ofstream file(d.file, std::ios::binary | std::ios::trunc);
        file << bytes;
        file.close();
        if (!file) {
            report_unwritable(run, d.file);
            written = false;
        }
    }
    return written;
}

void set_up_memory(Run& run) {
    for (const auto& [first, last] : run.settings.roms) run.memory.mark_rom(first, last);
    for (std::uint16_t address : run.settings.untils) run.until[address] = true;
}

// Runs the CPU, with the serial port on the terminal when there is one.
sim::Stop run_cpu(Run& run, Acia* acia, sim::Tracer* tracer) {
    sim::RunLimits limits;
    limits.max_cycles = run.settings.max_cycles;
    limits.until = &run.until;
    limits.stop_on_swi = run.settings.swi_stops;
    std::optional<RawTerminal> raw;
    if (acia != nullptr && run.console.terminal) raw.emplace();
    sim::Stop stop = run.cpu.run(limits, tracer);
    if (acia != nullptr) acia->flush();
    run.console.out.flush();
    return stop;
}

// The stop line, the expectations and the dumps; whether the run stopped as
// asked and all of them held.
bool report_and_check(const Run& run, const sim::Stop& stop, const Acia* acia) {
    const StopReport report = describe_stop(run, stop, acia);
    report_stop(run, stop, report);
    const bool held = check_expectations(run);
    const bool written = write_dumps(run);
    return report.as_asked && held && written;
}

int run_program(Run& run) {
    for (const LoadedFile& file : run.settings.files) {
        if (!load_file(run, file)) return EXIT_FAILED;
    }
    const std::optional<std::uint16_t> start = start_address(run);
    if (!start) {
        return usage_error(run, "no start address: give --entry ADDR, or load a file that places the reset vector "
                                "at $FFFE or ends with a start address");
    }
    run.cpu.regs.pc = *start;
    set_up_memory(run);

    std::unique_ptr<ByteInput> input;
    std::unique_ptr<Acia> acia;
    if (run.settings.acia) {
        input = run.console.terminal ? terminal_keys() : std::make_unique<StreamInput>(run.console.in);
        acia = std::make_unique<Acia>(run.memory, *input, run.console.out);
        run.memory.map_device(*run.settings.acia, static_cast<std::uint16_t>(*run.settings.acia + 1), *acia);
    }
    std::ofstream trace_file;
    std::optional<TraceWriter> trace;
    if (!run.settings.trace.empty()) {
        trace_file.open(run.settings.trace, std::ios::binary | std::ios::trunc);
        if (!trace_file) {
            report_unwritable(run, run.settings.trace);
            return EXIT_FAILED;
        }
        trace.emplace(trace_file, run.memory, run.symbols, run.cpu.regs);
    }
    const sim::Stop stop = run_cpu(run, acia.get(), trace ? &*trace : nullptr);
    bool ok = report_and_check(run, stop, acia.get());
    if (trace) {
        trace_file.close();
        if (!trace_file) {
            report_unwritable(run, run.settings.trace);
            ok = false;
        }
    }
    return ok ? EXIT_AS_ASKED : EXIT_FAILED;
}

}  // namespace

int run_command_line(int argc, const char* const* argv, const Console& console) {
    const CommandLine cl = parse_command_line(argc, argv);
    auto run = std::make_unique<Run>(console);
    if (cl.help) {
        console.out << USAGE;
        return EXIT_AS_ASKED;
    }
    if (cl.version) {
        console.out << "x09run " X09RUN_VERSION "\n";
        return EXIT_AS_ASKED;
    }
    if (!cl.usage_error.empty()) return usage_error(*run, cl.usage_error);
    if (!cl.symbols.empty() && !read_symbols(*run, cl.symbols)) return EXIT_FAILED;
    if (const std::string problem = read_settings(*run, cl, run->settings); !problem.empty()) {
        return usage_error(*run, problem);
    }
    return run_program(*run);
}

}  // namespace x09run
