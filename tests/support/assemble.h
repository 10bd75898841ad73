#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/asm_state.h"

// A state with its console captured, for driving single statements.
struct TestAsm {
    std::ostringstream console;
    std::unique_ptr<AsmState> st = std::make_unique<AsmState>(console);

    // Puts `text` into line as the pass reader leaves it and splits it.
    void set_line(const std::string& text);

    // Defines a symbol as a label or equ would.
    void define(const std::string& name, std::int32_t value, std::uint8_t kind = SYM_LABEL);

    // Assembles one statement at the current location (label, encoder,
    // placement) and returns the bytes it placed in the image.
    std::vector<int> assemble(const std::string& text);

    // The fields as a string of 100 characters.
    std::string fields() const;
};

// A private temporary directory, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // The names of the entries directly in the directory.
    std::set<std::string> names() const;
};

// Changes the working directory for the lifetime of the object.
struct ScopedCwd {
    std::filesystem::path previous;
    explicit ScopedCwd(const std::filesystem::path& to);
    ~ScopedCwd();
};

// Runs the command line "x09asm ARGS..." in the current directory, with an
// empty standard input, and keeps what it printed.
struct CommandRun {
    std::string out, err;
    int status;
    explicit CommandRun(std::vector<const char*> args);
};

// "86 41 12" for a byte vector, to compare against in tests.
std::string hex_bytes(const std::vector<int>& bytes);
