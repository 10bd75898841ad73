#pragma once

#include <fstream>
#include <string>
#include <system_error>

// How a file's line ends are written: text files take the platform's line
// end for each "\n", binary files are written byte for byte.
enum class FileKind { text, binary };

// An output that replaces the file of its name whole or not at all. It is
// written to a new temporary file in the target's folder, which is renamed
// over the target only once it was written and closed without error; on any
// failure the temporary is removed and the earlier file stays as it was.
// A name that is a symbolic link is followed: the link stays and the file it
// leads to is replaced. An existing target that is not a regular file (a
// device such as /dev/null) is written in place.
class OutputFile {
public:
    explicit OutputFile(std::string name) : name_(std::move(name)) {}
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `stream` to write the file; false (with error()) when the file
    // cannot be written. The stream must outlive this object, which closes
    // it when it removes an unfinished temporary.
    bool open(std::ofstream& stream, FileKind kind);

    // Closes the stream and puts what was written in the target's place;
    // false (with error()) when anything failed.
    bool commit();

    const std::string& name() const { return name_; }
    const std::error_code& error() const { return error_; }

private:
    bool fail(std::error_code error);
    void discard();

    std::string name_;        // as given
    std::string temporary_;   // empty when there is none (not yet, or written in place)
    std::string target_;      // the file replaced: name_, or where its links lead
    std::ofstream* stream_ = nullptr;
    std::error_code error_;
};

// Writes `contents` as the whole file `name`, replacing it as OutputFile
// does; returns the reason of a failure, or no error.
std::error_code write_whole_file(const std::string& name, const std::string& contents, FileKind kind);
