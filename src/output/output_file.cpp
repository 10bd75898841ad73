#include "output/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "output/platform.h"

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINKS = 40;  // as the system allows in one path

// The file `name` stands for: the name itself, or where its chain of
// symbolic links ends (a link that leads nowhere yet names the file to make).
std::string link_target(const std::string& name, std::error_code& error) {
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

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(std::ofstream& stream, FileKind kind) {
    stream_ = &stream;
    const auto mode = kind == FileKind::binary ? std::ios::out | std::ios::binary : std::ios::out;
    std::error_code ec;
    target_ = link_target(name_, ec);
    if (ec) {
        return fail(ec);
    }
    std::string written = target_;
    if (!written_in_place(target_)) {
        if (!may_replace(target_)) {
            return fail(std::make_error_code(std::errc::permission_denied));
        }
        temporary_ = create_file_beside(target_, ec);
        if (temporary_.empty()) {
            return fail(ec);
        }
        written = temporary_;
    }
    errno = 0;
    stream.open(written, mode);
    return stream.is_open() || fail(last_error());
}

bool OutputFile::commit() {
    // A write that failed before left its reason in errno, unless closing
    // (which writes what is still buffered) fails for a reason of its own.
    const bool written = !stream_->fail();
    const int earlier_reason = errno;
    errno = 0;
    stream_->close();
    if (!written || stream_->fail()) {
        if (errno == 0) {
            errno = earlier_reason;
        }
        return fail(last_error());
    }
    if (temporary_.empty()) {
        return true;  // written in place
    }
    std::error_code ec;
    if (!replace_file(temporary_, target_, ec)) {
        return fail(ec);
    }
    temporary_.clear();
    return true;
}

bool OutputFile::fail(std::error_code error) {
    error_ = error;
    discard();
    return false;
}

void OutputFile::discard() {
    if (stream_ != nullptr && stream_->is_open()) {
        stream_->close();
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

std::error_code write_whole_file(const std::string& name, const std::string& contents, FileKind kind) {
    std::ofstream stream;
    OutputFile file(name);
    if (file.open(stream, kind)) {
        stream.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        file.commit();
    }
    return file.error();
}
