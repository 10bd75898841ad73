#pragma once

#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>

#include "output/platform.h"

// How a file's line ends are written: text files take the platform's line
// end for each "\n", binary files are written byte for byte.
enum class FileKind { text, binary };

// The file `name` stands for: the name itself, or where its chain of
// symbolic links ends (a link that leads nowhere yet names the file to
// make); empty, with the reason in `error`, when the chain cannot be read.
std::string linked_file(const std::string& name, std::error_code& error);

// An output that replaces the file of its name whole or not at all. It is
// written to a new temporary file in the target's folder, which takes the
// target's place only once it was written and closed without error; on any
// failure, and when the process is interrupted, the temporary is removed and
// the earlier file stays as it was. A name that is a symbolic link is
// followed: the link stays and the file it leads to is replaced. An existing
// target that is not a regular file (a device such as /dev/null) is written
// in place.
class OutputFile : private std::streambuf {
public:
    explicit OutputFile(std::string name) : name_(std::move(name)) {}
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the file to be written; false (with error()) when it cannot be.
    bool open(FileKind kind);
    // The same, and makes `stream` write into it until it is committed or
    // given up; the stream must outlive this object. The stream is not
    // buffered here: each write of it is a write of the file, so it suits a
    // writer that hands over whole blocks (the listing's 64 KiB). A buffer
    // of its own cost 16 page faults a run, the empty source's too.
    bool open(std::ostream& stream, FileKind kind);

    // Writes bytes after those written before.
    void write(std::string_view bytes);

    // Puts what was written in the target's place; false (with error()) when
    // anything failed, and then the target stays as it was.
    bool commit();

    const std::string& name() const { return name_; }
    const std::error_code& error() const { return error_; }

private:
    int overflow(int c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    bool fail(std::error_code error);
    void discard();

    std::string name_;  // as given
    FileBeingWritten file_;
    std::ostream* stream_ = nullptr;
    std::error_code error_;    // the first failure
};

// Writes `contents` as the whole file `name`, replacing it as OutputFile
// does; returns the reason of a failure, or no error.
std::error_code write_whole_file(const std::string& name, const std::string& contents, FileKind kind);
// The same for a file whose bytes `write` hands to it, piece by piece.
std::error_code write_file(const std::string& name, FileKind kind, const std::function<void(OutputFile&)>& write);
