#include "driver/run_driver.h"

#include <cctype>
#include <filesystem>
#include <functional>

#include "driver/asm_state.h"
#include "driver/pass_reader.h"
#include "output/console.h"
#include "output/diagnostic_text.h"
#include "output/image_files.h"
#include "output/listing.h"
#include "output/load_formats.h"
#include "output/output_file.h"

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

// Writes the image files in order, each followed by its Generated line; the
// first that cannot be written stops the run.
RunOutcome write_images(AsmState& st, const std::string& source_name, const OutputNames& names,
                        const RunOptions& options) {
    const std::string header = std::filesystem::path(source_name).filename().string();
    const ImageFile files[] = {
        {true, names.rom, [&] { return rom_image_text(st); }, FileKind::text},
        {true, names.obj, [&] { return object_text(st); }, FileKind::text},
        {options.srec, names.srec, [&] { return srec_text(st, header); }, FileKind::text},
        {options.ihex, names.ihex, [&] { return ihex_text(st); }, FileKind::text},
        {options.bin, names.bin, [&] { return bin_bytes(st); }, FileKind::binary},
        {options.symbols, names.symbols, [&] { return symbol_text(st); }, FileKind::text},
    };
    for (const ImageFile& file : files) {
        if (!file.wanted) {
            continue;
        }
        if (!write_whole_file(file.name, file.contents(), file.kind)) {
            return cannot_write(st.console, file.name);
        }
        report_generated(st.console, file.name);
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
    if (options.warnings_are_errors && st.diag.warnings_reported != 0) {
        report_warnings_are_errors(st);
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
    st.diag.wanted = options.warnings;
    st.source_name = source_name;
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
