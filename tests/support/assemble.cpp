#include "support/assemble.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "codegen/encoder.h"
#include "driver/command_line.h"
#include "source/fields.h"
#include "source/symbols.h"
#include "support/platform.h"

void TestAsm::set_line(const std::string& text) {
    if (text.size() > LINE_MAX_CHARS) {
        throw std::invalid_argument("statement longer than 79 characters");
    }
    st->line.assign(text);
    split_fields(*st);
}

void TestAsm::define(const std::string& name, std::int32_t value, std::uint8_t kind) {
    set_line(name);
    const int row = lookup_symbol(*st, fields_text(*st), 0);
    st->symbols[row].value = value;
    st->symbols[row].kind = kind;
    st->error_code = 0;
}

std::vector<int> TestAsm::assemble(const std::string& text) {
    set_line(text);
    st->error_code = 0;
    st->stmt_loc = st->loc;
    const int start = st->image_len;
    const int row = define_label(*st);
    encode_statement(*st, row);
    std::vector<int> bytes;
    for (int i = std::max(start, 0); i < st->image_len && i < IMAGE_SIZE; ++i) {
        bytes.push_back(st->image[i]);
    }
    return bytes;
}

std::string TestAsm::fields() const { return std::string(st->fields.begin(), st->fields.end()); }

TempDir::TempDir() : path(make_temp_dir("x09test")) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(path / name, std::ios::binary);
    f << bytes;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream f(path / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool TempDir::exists(const std::string& name) const { return std::filesystem::exists(path / name); }

std::set<std::string> TempDir::names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

ScopedCwd::ScopedCwd(const std::filesystem::path& to) : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(to);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
}

CommandRun::CommandRun(std::vector<const char*> args) {
    args.insert(args.begin(), "x09asm");
    std::istringstream in;
    std::ostringstream out_stream, err_stream;
    status = run_command_line(static_cast<int>(args.size()), args.data(), in, out_stream, err_stream);
    out = out_stream.str();
    err = err_stream.str();
}

std::string hex_bytes(const std::vector<int>& bytes) {
    std::string s;
    char buf[4];
    for (int b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b & 0xFF);
        if (!s.empty()) {
            s += ' ';
        }
        s += buf;
    }
    return s;
}
