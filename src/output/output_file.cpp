#include "output/output_file.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINKS = 40;  // as the system allows in one path

}  // namespace

std::string linked_file(const std::string& name, std::error_code& error) {
    std::string target = name;
    for (int hop = 0; hop < MAX_LINKS; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) {
            return target;
        }
        const fs::path link = fs::read_symlink(target, ec);
        if (ec) {
            error = ec;
            return {};
        }
        target = link.is_absolute() ? link.string() : target.substr(0, last_component_start(target)) + link.string();
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return {};
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(FileKind kind) {
    std::error_code ec;
    const std::string target = linked_file(name_, ec);
    if (ec) {
        return fail(ec);
    }
    const bool text = kind == FileKind::text;
    if (written_in_place(target)) {
        return open_in_place(target, text, file_, ec) || fail(ec);
    }
    if (const std::error_code refused = replace_refused(target)) {
        return fail(refused);
    }
    return open_replacement(target, text, file_, ec) || fail(ec);
}

bool OutputFile::open(std::ostream& stream, FileKind kind) {
    if (!open(kind)) {
        return false;
    }
    stream_ = &stream;
    stream.rdbuf(this);
    return true;
}

void OutputFile::write(std::string_view bytes) {
    std::error_code ec;
    if (!error_ && !write_bytes(file_, bytes.data(), bytes.size(), ec)) {
        error_ = ec;
    }
}

int OutputFile::overflow(int c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char byte = traits_type::to_char_type(c);
    write({&byte, 1});
    return error_ ? traits_type::eof() : c;
}

std::streamsize OutputFile::xsputn(const char* s, std::streamsize n) {
    write({s, static_cast<std::size_t>(n)});
    return error_ ? 0 : n;
}

bool OutputFile::commit() {
    if (error_) {
        return fail(error_);
    }
    std::error_code ec;
    if (!finish_file(file_, ec)) {
        return fail(ec);
    }
    discard();
    return true;
}

bool OutputFile::fail(std::error_code error) {
    error_ = error;
    discard();
    return false;
}

void OutputFile::discard() {
    if (stream_ != nullptr) {
        stream_->rdbuf(nullptr);
        stream_ = nullptr;
    }
    abandon_file(file_);
}

std::error_code write_whole_file(const std::string& name, const std::string& contents, FileKind kind) {
    return write_file(name, kind, [&](OutputFile& file) { file.write(contents); });
}

std::error_code write_file(const std::string& name, FileKind kind, const std::function<void(OutputFile&)>& write) {
    OutputFile file(name);
    if (file.open(kind)) {
        write(file);
        file.commit();
    }
    return file.error();
}
