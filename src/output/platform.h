#pragma once

// What the program does differently on Linux and on Windows, in this one
// place: the calls behind safe output files, the standard descriptors and the
// signals.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

// Makes the process safe to run before anything else happens: a standard
// descriptor that is closed gets the null device, so that no file opened
// later can take its place (standard input gets it open for writing only, so
// that reading it fails as reading a closed descriptor does); a console that
// went away (a closed pipe) and a file-size limit are write errors, not
// signals that end the run; an interruption (Ctrl-C, a hang-up, a request to
// end) first removes the temporary file being written, then ends the process
// as it would have.
void prepare_process();

// Switches standard input to binary reading (no line-end translation).
void read_standard_input_as_binary();

// Asks the system at once for the pages of the `size` bytes at `memory`,
// which are about to be written, rather than one page fault at a time
// (Linux; elsewhere nothing is done). Measured here: 0.36 µs a page and
// 0.7 µs a call, against 0.66 µs a page fault, so fewer than 4 pages are
// left to the faults.
void prepare_pages(void* memory, std::size_t size);

// Where the last component of a path begins: just after its last folder
// separator (or drive), 0 when it has none.
std::size_t last_component_start(const std::string& path);

// Whether `name` is written in place rather than replaced: an existing file
// that is not a regular one (a device such as /dev/null or NUL, a FIFO; a
// directory, which then cannot be opened).
bool written_in_place(const std::string& name);

// What tells a file from every other the system holds (its device and
// number; on Windows its volume and index), found through its name and the
// links it leads through; none when there is no such file or it cannot be
// looked at.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> file_identity(const std::string& name);

// Why this process may not replace the file `name`, or no error: there is
// none yet, or it may write it (a file made read-only is not replaced, and a
// name the system refuses is refused here, before anything is written).
std::error_code replace_refused(const std::string& name);

// A file open for writing: a replacement, which takes its target's place only
// when finished, or the target itself (a device). A replacement is a
// temporary file in the target's folder; where the system allows it has no
// name until it is finished, so that nothing of it stays however the process
// ends; elsewhere it has a short name of its own and is removed on every way
// out the program sees, interruptions included.
struct FileBeingWritten {
    std::intptr_t handle = -1;  // the descriptor (or Windows handle) written
    std::intptr_t folder = -1;  // the target's folder, held open (POSIX); -1 when none
    std::string target;         // what it replaces: its name in `folder`, or its path
    std::string temporary;      // the replacement's name (as `target`); empty when it has none
    bool replacement = false;
    bool replaces_file = false;  // a file of the target's name was there when it was opened
    bool text = false;          // each "\n" is written as the platform's line end
};

// Opens a replacement for the file `target`, with the owner and permissions
// `target` has when it exists; false with the reason in `error`.
bool open_replacement(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error);

// Opens `target` itself to be written over.
bool open_in_place(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error);

// Writes all `size` bytes; false with the reason in `error`.
bool write_bytes(const FileBeingWritten& file, const char* data, std::size_t size, std::error_code& error);

// Closes the file and, for a replacement, puts it in its target's place in
// one step: the target is either still the old file or already the new one.
bool finish_file(FileBeingWritten& file, std::error_code& error);

// Closes the file and removes a replacement; the target stays as it was.
void abandon_file(FileBeingWritten& file);

// The reason of the C library's last failure (errno).
std::error_code last_error();
