#include "driver/run_driver.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "driver/asm_state.h"
#include "driver/pass_reader.h"
#include "output/console.h"
#include "output/image_files.h"
#include "output/listing.h"
#include "output/load_formats.h"
#include "output/output_file.h"
#include "source/symbols.h"

namespace {

constexpr char STOPPED[] = "** Assembler stoped.\n";
constexpr char COMPLETED[] = "** Assembler completed.\n";

RunOutcome stop(std::ostream& console) {
    console << STOPPED;
    return RunOutcome::stopped;
}

RunOutcome cannot_write(std::ostream& console, const std::string& name) {
    print_format(console, "*** Cannot write file %s\n", name.c_str());
    return stop(console);
}

void report_generated(std::ostream& console, const std::string& name) {
    print_format(console, "  > Generated \"%s\" file.\n", name.c_str());
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// The first output name that would overwrite the source, or nullptr.
const std::string* overwritten_by(const std::string& source, const OutputNames& names, const RunOptions& options) {
    const std::pair<bool, const std::string*> outputs[] = {
        {true, &names.listing},        {true, &names.rom},          {true, &names.obj},
        {options.srec, &names.srec},   {options.ihex, &names.ihex}, {options.bin, &names.bin},
        {options.symbols, &names.symbols},
    };
    for (const auto& [written, name] : outputs) {
        if (written && same_file(source, *name)) {
            return name;
        }
    }
    return nullptr;
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
        if (!write_whole_file(file.name, file.contents(), file.kind)) {
            return cannot_write(st.console, file.name);
        }
        report_generated(st.console, file.name);
    }
    return RunOutcome::completed;
}

// Reports an error of the run on standard error; the interactive program,
// which has no options, never meets one.
void report_run_error(const AsmState& st, const std::string& where, const std::string& message) {
    if (st.diagnostics != nullptr) {
        *st.diagnostics << where << ": error: " << message << "\n";
    }
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
    report_run_error(st, st.source_name, message);
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
            report_run_error(st, st.source_name + ":" + std::to_string(outside->line),
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

RunOutcome assemble_with_state(AsmState& st, const std::string& source_name, const OutputNames& names,
                               const RunOptions& options) {
    st.top_placement = 0;
    st.end_len = 0;
    st.symbol_count = 0;
    if (!load_source(st, source_name)) {
        print_format(st.console, "*** Cannot open file %s\n", source_name.c_str());
        return stop(st.console);
    }
    st.out.open(names.listing);
    if (!st.out.is_open()) {
        return cannot_write(st.console, names.listing);
    }
    run_pass(st, 1);
    run_pass(st, 2);
    write_run_report(st);
    st.out.close();
    if (st.out.fail()) {
        return cannot_write(st.console, names.listing);
    }
    report_generated(st.console, names.listing);
    if (st.error_count != 0 || st.symbol_overflow) {
        return stop(st.console);
    }
    return write_images(st, source_name, names, options);
}

}  // namespace

OutputNames output_names(const std::string& source_name) {
    return output_names_from_base(source_name.substr(0, source_name.find('.')));
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

RunOutcome assemble_source(const std::string& source_name, std::ostream& console, const RunOptions& options) {
    const OutputNames names =
        options.output_base.empty() ? output_names(source_name) : output_names_from_base(options.output_base);
    if (const std::string* out = overwritten_by(source_name, names, options)) {
        print_format(console, "*** Output file %s would overwrite the source\n", out->c_str());
        return stop(console);
    }
    AsmState st(console);
    st.quiet = options.quiet;
    st.diagnostics = options.diagnostics;
    st.source_name = source_name;
    if (options.range) {
        st.placed_line.resize(IMAGE_SIZE);  // to name the line of a byte outside the range
    }
    return assemble_with_state(st, source_name, names, options);
}

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
