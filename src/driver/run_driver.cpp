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

// A name of a file and what tells it from another, found once for the name:
// its path spelled out in full, the same for the file its symbolic links
// lead to, and the file's identity. The checks below compare every pair of a
// run's names; found for each pair, the paths and links cost an empty
// source's run 27 of its 141 system calls, the identities 8 of its 109.
struct NamedFile {
    NamedFile(const std::string& file_name, const std::filesystem::path& folder)
        : name(&file_name), identity(file_identity(file_name)) {
        full = spelled_out(file_name, folder);
        std::error_code ec;
        const std::string linked = linked_file(file_name, ec);
        links_readable = !ec;
        is_link = links_readable && linked != file_name;
        linked_full = is_link ? spelled_out(linked, folder) : full;
    }

    // The path in full and normal form; none when it cannot be made. Only a
    // name with a drive or root asks the system: the others stand in
    // `folder`, read once.
    static std::optional<std::filesystem::path> spelled_out(const std::string& name,
                                                            const std::filesystem::path& folder) {
        const std::filesystem::path path(name);
        if (path.empty()) {
            return std::nullopt;
        }
        if (!path.has_root_name() && !path.has_root_directory()) {
            return folder.empty() ? std::nullopt : std::optional((folder / path).lexically_normal());
        }
        std::error_code ec;
        const std::filesystem::path full_path = std::filesystem::absolute(path, ec);
        return ec ? std::nullopt : std::optional(full_path.lexically_normal());
    }

    const std::string* name;
    std::optional<FileIdentity> identity;
    std::optional<std::filesystem::path> full;
    std::optional<std::filesystem::path> linked_full;  // as full when it is no link
    bool links_readable = false;
    bool is_link = false;
};

std::filesystem::path current_folder() {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path() : folder;
}

// Whether two names stand for one file: the same text, the same path, one
// file on disk (also through a hard link), or the same file where their
// symbolic links lead (also when that file does not exist yet).
bool same_file(const NamedFile& a, const NamedFile& b) {
    if (*a.name == *b.name || (a.full && b.full && *a.full == *b.full)) {
        return true;
    }
    if (a.identity && b.identity && *a.identity == *b.identity) {
        return true;
    }
    return a.links_readable && b.links_readable && (a.is_link || b.is_link) && a.linked_full && b.linked_full &&
           *a.linked_full == *b.linked_full;
}

// The files a run with these options writes, in their order.
std::vector<NamedFile> written_outputs(const OutputNames& names, const RunOptions& options,
                                       const std::filesystem::path& folder) {
    const std::pair<bool, const std::string*> outputs[] = {
        {true, &names.listing},        {true, &names.rom},          {true, &names.obj},
        {options.srec, &names.srec},   {options.ihex, &names.ihex}, {options.bin, &names.bin},
        {options.symbols, &names.symbols},
    };
    std::vector<NamedFile> written;
    for (const auto& [wanted, name] : outputs) {
        if (wanted) {
            written.emplace_back(*name, folder);
        }
    }
    return written;
}

// The first output name that would overwrite the source, or nullptr.
const std::string* overwritten_by(const std::string& source, const std::vector<NamedFile>& written,
                                  const std::filesystem::path& folder) {
    const NamedFile source_file(source, folder);
    for (const NamedFile& output : written) {
        if (same_file(source_file, output)) {
            return output.name;
        }
    }
    return nullptr;
}

// Two outputs of one run that are one file: the later one, which would
// overwrite the earlier, first. None when every output is a file of its own
// or a device (such as /dev/null), which takes each one in place.
std::optional<std::pair<const std::string*, const std::string*>> output_written_twice(
    const std::vector<NamedFile>& written) {
    for (std::size_t later = 1; later < written.size(); ++later) {
        if (written_in_place(*written[later].name)) {
            continue;
        }
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (same_file(written[later], written[earlier])) {
                return std::pair{written[later].name, written[earlier].name};
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
    std::function<void(OutputFile&)> write;
    FileKind kind;
};

// Hands each piece of a text to `file`.
TextSink writes_to(OutputFile& file) {
    return [&file](std::string_view piece) { file.write(piece); };
}

// A file made whole by `contents`.
std::function<void(OutputFile&)> whole(std::function<std::string()> contents) {
    return [contents = std::move(contents)](OutputFile& file) { file.write(contents()); };
}

// Writes the files in order, each followed by its Generated line; the first
// that cannot be written stops the run.
RunOutcome write_files(AsmState& st, std::span<const ImageFile> files) {
    for (const ImageFile& file : files) {
        if (!file.wanted) {
            continue;
        }
        if (const std::error_code error = write_file(file.name, file.kind, file.write)) {
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
        {true, names.rom, [&](OutputFile& file) { write_rom_image_text(st, st.listing_block, writes_to(file)); },
         FileKind::text},
        {true, names.obj, [&](OutputFile& file) { write_object_text(st, st.listing_block, writes_to(file)); },
         FileKind::text},
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
        {options.srec, names.srec, whole([&] { return srec_text(st, header, *layout); }), FileKind::text},
        {options.ihex, names.ihex, whole([&] { return ihex_text(st, *layout); }), FileKind::text},
        {options.bin, names.bin, whole([&] { return bin_bytes(st, *layout); }), FileKind::binary},
        {options.symbols, names.symbols, whole([&] { return symbol_text(st); }), FileKind::text},
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
    const std::filesystem::path folder = current_folder();
    const std::vector<NamedFile> written = written_outputs(names, options, folder);
    if (!source.standard_input) {
        if (const std::string* out = overwritten_by(source.name, written, folder)) {
            print_format(console, "*** Output file %s would overwrite the source\n", out->c_str());
            return stop(console);
        }
    }
    if (const auto twice = output_written_twice(written)) {
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
    const std::filesystem::path folder = current_folder();
    const std::vector<NamedFile> written_by_b = written_outputs(b, options, folder);
    for (const NamedFile& name : written_outputs(a, options, folder)) {
        for (const NamedFile& other : written_by_b) {
            if (same_file(name, other)) {
                return name.name;
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
