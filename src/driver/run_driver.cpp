#include "driver/run_driver.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "base/asm_state.h"
#include "driver/pass_reader.h"
#include "output/console.h"
#include "output/diagnostic_text.h"
#include "output/image_files.h"
#include "output/listing.h"
#include "output/load_formats.h"
#include "output/output_file.h"
#include "output/platform.h"
#include "source/symbols.h"

namespace {

constexpr char STOPPED[] = "** Assembler stoped.\n";
constexpr char COMPLETED[] = "** Assembler completed.\n";

RunOutcome stop(std::ostream& console) {
    print_stopped(console);
    return RunOutcome::stopped;
}

RunOutcome cannot_write(const AsmState& st, const std::string& name, const std::error_code& error) {
    print_format(st.console, "*** Cannot write file %s\n", name.c_str());
    report_reason(st, "write", name, error.message());
    return stop(st.console);
}

void report_generated(std::ostream& console, const std::string& name) {
    print_format(console, "  > Generated \"%s\" file.\n", name.c_str());
}

// Whether two names spell one path once spelled out in full.
bool same_path(const std::string& a, const std::string& b) {
    std::error_code ec_a, ec_b;
    const std::filesystem::path full_a = std::filesystem::absolute(a, ec_a).lexically_normal();
    const std::filesystem::path full_b = std::filesystem::absolute(b, ec_b).lexically_normal();
    return !ec_a && !ec_b && full_a == full_b;
}

// Whether two names stand for one file: the same text, the same path, one
// file on disk (also through a hard link), or the same file where their
// symbolic links lead (also when that file does not exist yet).
bool same_file(const std::string& a, const std::string& b) {
    if (a == b || same_path(a, b)) {
        return true;
    }
    std::error_code ec, ec_a, ec_b;
    if (std::filesystem::equivalent(a, b, ec)) {
        return true;
    }
    const std::string file_a = linked_file(a, ec_a);
    const std::string file_b = linked_file(b, ec_b);
    return !ec_a && !ec_b && (file_a != a || file_b != b) && same_path(file_a, file_b);
}

// The names of the files a run with these options writes, in their order.
std::vector<const std::string*> written_outputs(const OutputNames& names, const RunOptions& options) {
    const std::pair<bool, const std::string*> outputs[] = {
        {true, &names.listing},        {true, &names.rom},          {true, &names.obj},
        {options.srec, &names.srec},   {options.ihex, &names.ihex}, {options.bin, &names.bin},
        {options.symbols, &names.symbols},
    };
    std::vector<const std::string*> written;
    for (const auto& [wanted, name] : outputs) {
        if (wanted) {
            written.push_back(name);
        }
    }
    return written;
}

// The first output name that would overwrite the source, or nullptr.
const std::string* overwritten_by(const std::string& source, const OutputNames& names, const RunOptions& options) {
    for (const std::string* name : written_outputs(names, options)) {
        if (same_file(source, *name)) {
            return name;
        }
    }
    return nullptr;
}

// Two outputs of one run that are one file: the later one, which would
// overwrite the earlier, first. None when every output is a file of its own
// or a device (such as /dev/null), which takes each one in place.
std::optional<std::pair<const std::string*, const std::string*>> output_written_twice(const OutputNames& names,
                                                                                      const RunOptions& options) {
    const std::vector<const std::string*> written = written_outputs(names, options);
    for (std::size_t later = 1; later < written.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (!written_in_place(*written[later]) && same_file(*written[later], *written[earlier])) {
                return std::pair{written[later], written[earlier]};
            }
        }
    }
    return std::nullopt;
}

// A source to assemble: a file of this name, or standard input.
struct Source {
    const std::string& name;
    bool standard_input;
};

// Reads the whole source; when it cannot, says so and why.
bool load(AsmState& st, const Source& source) {
    std::error_code error;
    const bool loaded =
        source.standard_input ? load_standard_input(st, error) : load_source(st, source.name, error);
    if (!loaded) {
        print_format(st.console, "*** Cannot open file %s\n", source.name.c_str());
        const std::string reason = error == std::errc::file_too_large ? "larger than 64 MiB" : error.message();
        if (source.standard_input) {
            report_standard_input_reason(st, reason);
        } else {
            report_reason(st, "open", source.name, reason);
        }
    }
    return loaded;
}

// One image file of a completed run: whether it is written, its name, how
// its contents are made and whether it is a text file.
struct ImageFile {
    bool wanted;
    const std::string& name;
    std::function<std::string()> contents;
    FileKind kind;
};

// Writes the files in order, each followed by its Generated line; the first
// that cannot be written stops the run.
RunOutcome write_files(AsmState& st, std::span<const ImageFile> files) {
    for (const ImageFile& file : files) {
        if (!file.wanted) {
            continue;
        }
        if (const std::error_code error = write_whole_file(file.name, file.contents(), file.kind)) {
            return cannot_write(st, file.name, error);
        }
        report_generated(st.console, file.name);
    }
    return RunOutcome::completed;
}

std::string hex_address(std::int32_t address) {
    std::string text = "$";
    append_address(text, address);
    return text;
}

// The value of the entry symbol, or none (after an error) when the program
// does not define it.
std::optional<std::int32_t> entry_symbol_value(const AsmState& st, const std::string& name) {
    const int row = find_symbol(st, name);
    if (row != NO_ROW && st.symbols[row].kind != SYM_UNDEFINED) {
        return st.symbols[row].value & 0xFFFF;
    }
    std::string message = "entry symbol '" + name + "' is not defined";
    if (name.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos) {
        message += " (an address is written $" + name + " or 0x" + name + ")";
    }
    report_run_error(st, 0, message);
    return std::nullopt;
}

// The layout the options ask of the extra formats, or none (after an error
// for each fault) when the program does not fit it.
std::optional<ImageLayout> requested_layout(const AsmState& st, const RunOptions& options) {
    ImageLayout layout{options.range, options.fill, options.entry_address};
    bool fits = true;
    if (!options.entry_symbol.empty()) {
        const std::optional<std::int32_t> entry = entry_symbol_value(st, options.entry_symbol);
        fits = entry.has_value();
        layout.entry = entry.value_or(0);
    }
    if (options.range) {
        if (const std::optional<PlacedByte> outside = first_placed_outside(st, *options.range)) {
            report_run_error(st, outside->line,
                             "byte placed at " + hex_address(outside->address) + ", outside the range " +
                                 hex_address(options.range->first) + "-" + hex_address(options.range->last));
            fits = false;
        }
    }
    return fits ? std::optional<ImageLayout>(layout) : std::nullopt;
}

// Writes the ROM image and the object file, then, when the program fits the
// layout asked for, the extra files, each followed by its Generated line. A
// file that cannot be written or a program that does not fit stops the run
// there.
RunOutcome write_images(AsmState& st, const std::string& source_name, const OutputNames& names,
                        const RunOptions& options) {
    const ImageFile images[] = {
        {true, names.rom, [&] { return rom_image_text(st); }, FileKind::text},
        {true, names.obj, [&] { return object_text(st); }, FileKind::text},
    };
    if (write_files(st, images) == RunOutcome::stopped) {
        return RunOutcome::stopped;
    }
    const std::optional<ImageLayout> layout = requested_layout(st, options);
    if (!layout) {
        return stop(st.console);
    }
    const std::string header = std::filesystem::path(source_name).filename().string();
    const ImageFile extras[] = {
        {options.srec, names.srec, [&] { return srec_text(st, header, *layout); }, FileKind::text},
        {options.ihex, names.ihex, [&] { return ihex_text(st, *layout); }, FileKind::text},
        {options.bin, names.bin, [&] { return bin_bytes(st, *layout); }, FileKind::binary},
        {options.symbols, names.symbols, [&] { return symbol_text(st); }, FileKind::text},
    };
    if (write_files(st, extras) == RunOutcome::stopped) {
        return RunOutcome::stopped;
    }
    st.console << COMPLETED;
    return RunOutcome::completed;
}

// The whole run once the names are known: the source is read first, so that
// a source that cannot be read touches no file; the listing's file is made
// before pass 1, so that one that cannot be written stops the run at once.
RunOutcome assemble_with_state(AsmState& st, const Source& source, const OutputNames& names,
                               const RunOptions& options) {
    st.top_placement = 0;
    st.end_len = 0;
    st.symbol_count = 0;
    if (!load(st, source)) {
        return stop(st.console);
    }
    OutputFile listing(names.listing);
    if (!listing.open(st.out, FileKind::text)) {
        return cannot_write(st, names.listing, listing.error());
    }
    run_pass(st, 1);
    run_pass(st, 2);
    write_run_report(st);
    flush_listing(st);
    if (!listing.commit()) {
        return cannot_write(st, names.listing, listing.error());
    }
    report_generated(st.console, names.listing);
    if (st.error_count != 0 || st.symbol_overflow) {
        return stop(st.console);
    }
    if (options.warnings_are_errors && st.diag.warnings_reported != 0) {
        report_warnings_are_errors(st);
        return stop(st.console);
    }
    return write_images(st, source.name, names, options);
}

RunOutcome assemble(const Source& source, const OutputNames& names, std::ostream& console,
                    const RunOptions& options) {
    if (!source.standard_input) {
        if (const std::string* out = overwritten_by(source.name, names, options)) {
            print_format(console, "*** Output file %s would overwrite the source\n", out->c_str());
            return stop(console);
        }
    }
    if (const auto twice = output_written_twice(names, options)) {
        print_format(console, "*** Output file %s would overwrite %s\n", twice->first->c_str(), twice->second->c_str());
        return stop(console);
    }
    AsmState st(console);
    st.quiet = options.quiet;
    st.list_cycles = options.cycles;
    st.diagnostics = options.diagnostics;
    st.diag.wanted = options.warnings;
    st.source_name = source.name;
    if (options.range) {
        st.placed_line.resize(IMAGE_SIZE);  // to name the line of a byte outside the range
    }
    return assemble_with_state(st, source, names, options);
}

}  // namespace

OutputNames output_names(const std::string& source_name) {
    return output_names_from_base(source_name.substr(0, source_name.find('.')));
}

OutputNames argument_output_names(const std::string& source_argument) {
    const std::size_t dot = source_argument.find('.', last_component_start(source_argument));
    return output_names_from_base(source_argument.substr(0, dot));
}

OutputNames output_names_from_base(const std::string& base) {
    OutputNames names;
    names.base = base;
    names.listing = names.base + ".lst";
    names.rom = names.base + ".rom";
    names.obj = names.base + ".obj";
    names.srec = names.base + ".s19";
    names.ihex = names.base + ".hex";
    names.bin = names.base + ".bin";
    names.symbols = names.base + ".sym";
    return names;
}

bool read_source_name(std::istream& in, std::string& name) {
    name.clear();
    int c = in.get();
    while (c != std::char_traits<char>::eof() && std::isspace(c)) {
        c = in.get();
    }
    while (c != std::char_traits<char>::eof() && !std::isspace(c)) {
        name.push_back(static_cast<char>(c));
        c = in.get();
    }
    return !name.empty();
}

const std::string* shared_output(const OutputNames& a, const OutputNames& b, const RunOptions& options) {
    const std::vector<const std::string*> written_by_b = written_outputs(b, options);
    for (const std::string* name : written_outputs(a, options)) {
        for (const std::string* other : written_by_b) {
            if (same_file(*name, *other)) {
                return name;
            }
        }
    }
    return nullptr;
}

RunOutcome assemble_source(const std::string& source_name, std::ostream& console, const RunOptions& options) {
    const OutputNames names =
        options.output_base.empty() ? output_names(source_name) : output_names_from_base(options.output_base);
    return assemble({source_name, false}, names, console, options);
}

RunOutcome assemble_argument(const std::string& argument, const OutputNames& names, std::ostream& console,
                             const RunOptions& options) {
    return assemble({argument, argument == STANDARD_INPUT_ARGUMENT}, names, console, options);
}

void print_stopped(std::ostream& console) { console << STOPPED; }

void print_banner(std::ostream& console) {
    console << "MC6809 cross assembler start, made by Kelvarn. 2007.8.28\n"
            << "ROM writer format: ASKII/2A (74256 only)\n";
}

RunOutcome run_interactive(std::istream& in, std::ostream& console, const RunOptions& options) {
    if (!options.quiet) {
        print_banner(console);
    }
    console << "Please input .asm file name = " << std::flush;
    std::string source_name;
    if (!read_source_name(in, source_name)) {
        console << "\n";
        return stop(console);
    }
    return assemble_source(source_name, console, options);
}

int run_assembler(std::istream& in, std::ostream& console) {
    run_interactive(in, console, RunOptions{});
    return 0;
}
