// libFuzzer target: assembles an arbitrary byte string as a source file, both
// passes and every output format, in a private temporary directory, then
// checks what a run must always guarantee:
//   - every statement of pass 2 has its listing line, in order, with its
//     source line number and text (the statements are cut here independently
//     of the assembler's own reader);
//   - the summary's error count equals the number of error lines listed, and
//     standard error explains each of them on a line of its own;
//   - the image files exist exactly when the run completed, and only when the
//     summary counts no error;
//   - no file other than the source and the expected outputs is created.
// A broken invariant aborts, which libFuzzer reports as a finding.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/insn_table.h"
#include "base/asm_state.h"
#include "driver/run_driver.h"
#include "source/fields.h"

namespace fs = std::filesystem;

namespace {

const char* const IMAGE_FILES[] = {"f.rom", "f.obj", "f.s19", "f.hex", "f.bin", "f.sym"};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

struct Statement {
    std::string text;  // as listed: up to the first NUL
    int source_line;
};

// Is this statement text an end directive (which stops the pass after it)?
bool is_end_statement(AsmState& scratch, const std::string& line) {
    scratch.line.assign(line);
    split_fields(scratch);
    const char first = scratch.fields[FIELD_LABEL];
    if (first == '*' || first == ';') {
        return false;
    }
    const InsnEntry* row = find_insn(&scratch.fields[FIELD_MNEMONIC]);
    return row != nullptr && row->cls == CLS_END;
}

// The statements of one pass: cut at line feeds, colons and the end of the
// text (end of data, Ctrl-Z, a $FF byte), carriage returns dropped, tabs to
// the next multiple of 8 (never past column 79), at most 79 characters.
std::vector<Statement> expected_statements(AsmState& scratch, const std::uint8_t* data, std::size_t size) {
    std::vector<Statement> statements;
    std::size_t i = 0;
    int source_line = 1;
    for (;;) {
        std::string line;
        int column = 0;
        int ended_by = -1;
        while (ended_by < 0) {
            int c = (i < size) ? data[i++] : 0xFF;
            if (c == '\r') continue;
            if (c == 0x1A) c = 0xFF, i = size;
            if (c == '\n' || c == ':' || c == 0xFF) {
                ended_by = c;
            } else if (c == '\t') {
                const int next = std::min((column / 8 + 1) * 8, 79);
                line.append(static_cast<std::size_t>(next - column), ' ');
                column = next;
            } else if (column < 79) {
                line.push_back(static_cast<char>(c));
                ++column;
            }
        }
        const std::string listed = line.substr(0, line.find('\0'));
        statements.push_back({listed, source_line});
        const bool end = is_end_statement(scratch, line);
        if (ended_by == '\n') ++source_line;
        if (ended_by == 0xFF || end) return statements;
    }
}

std::string read_file(const char* name) {
    std::ifstream f(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string format(const char* fmt, int a, int b = 0) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

bool starts_with(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }
bool ends_with(const std::string& s, const std::string& p) {
    return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

struct ListingCheck {
    int error_lines = 0;
    int summary_count = -1;
    bool overflow = false;
};

// Walks the listing against the expected statements.
ListingCheck check_listing(const std::string& listing, const std::vector<Statement>& statements) {
    std::vector<std::string> lines;
    std::istringstream in(listing);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ListingCheck result;
    std::size_t at = 0;
    auto skip_overflow = [&] {
        while (at < lines.size() && lines[at] == "*** Label buffer over flow ***") {
            result.overflow = true;
            ++at;
        }
    };
    for (std::size_t k = 0; k < statements.size(); ++k) {
        skip_overflow();
        if (at >= lines.size()) fail("statement " + std::to_string(k + 1) + " not listed");
        const std::string& l = lines[at++];
        const Statement& s = statements[k];
        if (!starts_with(l, format("%4d  (", static_cast<int>(k + 1))) ||
            !ends_with(l, format("  (%4d) ", s.source_line) + s.text)) {
            fail("listing line " + std::to_string(k + 1) + " is \"" + l + "\"");
        }
        skip_overflow();
        if (at < lines.size() && starts_with(lines[at], "      **** Error no.= ")) {
            if (!ends_with(lines[at], format(", line no = %d **** ", s.source_line))) fail("error line");
            ++result.error_lines;
            ++at;
        }
    }
    skip_overflow();
    while (at < lines.size() && starts_with(lines[at], "**** Undefine label   ")) {
        if (lines[at].size() != 22 + 10) fail("undefined-symbol line");
        ++at;
    }
    if (at + 1 != lines.size() || std::sscanf(lines[at].c_str(), "** Error count=%d **", &result.summary_count) != 1) {
        fail("summary line missing or not last");
    }
    return result;
}

// The names in the working directory; every file is removed for the next run.
std::set<std::string> take_files() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path())) {
        names.insert(entry.path().filename().string());
        fs::remove(entry.path());
    }
    return names;
}

// Lines "f.asm:LINE: error: CAUSES [NN]": one for each statement listed with
// an error.
int explained_errors(const std::string& diagnostics) {
    int count = 0;
    std::istringstream lines(diagnostics);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("f.asm:", 0) != 0) fail("a diagnostic line without the source name");
        // "f.asm:LINE: error: ... [N]": the severity right after the line
        // number, since a warning may quote source text that holds ": error: ".
        const std::size_t digits_end = line.find_first_not_of("0123456789", 6);
        if (digits_end != std::string::npos && line.compare(digits_end, 9, ": error: ") == 0 && line.back() == ']') {
            ++count;
        }
    }
    return count;
}

}  // namespace

// A smaller quarantine than the default keeps use-after-free detection and
// runs several times faster, since each run opens and closes a dozen streams.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = fs::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string dir = std::string(base) + "/x09fuzz-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) std::abort();
    fs::current_path(dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream src("f.asm", std::ios::binary);
        src.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::ostringstream console;
    std::ostringstream diagnostics;
    RunOptions options;
    options.srec = options.ihex = options.bin = options.symbols = true;
    options.diagnostics = &diagnostics;
    const RunOutcome outcome = assemble_source("f.asm", console, options);

    static std::ostringstream scratch_console;
    static AsmState scratch(scratch_console);
    const std::vector<Statement> statements = expected_statements(scratch, data, size);
    const ListingCheck listing = check_listing(read_file("f.lst"), statements);
    if (listing.summary_count != listing.error_lines) fail("error count differs from the error lines");
    if (explained_errors(diagnostics.str()) != listing.error_lines) fail("an error line without its causes");

    const bool completed = outcome == RunOutcome::completed;
    if (completed != (listing.summary_count == 0 && !listing.overflow)) fail("outcome does not match the summary");
    if ((console.str().find("** Assembler completed.\n") != std::string::npos) != completed) fail("console");
    std::set<std::string> files = take_files();
    files.erase("f.asm");
    files.erase("f.lst");
    for (const char* name : IMAGE_FILES) {
        if (files.erase(name) != (completed ? 1u : 0u)) fail(std::string("image file ") + name);
    }
    if (!files.empty()) fail("unexpected file " + *files.begin());
    return 0;
}
